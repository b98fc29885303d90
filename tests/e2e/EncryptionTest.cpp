// Encrypted inputs: every handler of the standard security handler, made at test
// time with qpdf from the sample, opened with -password, judged through qpdf.
#include "E2eSupport.h"
#include "EncryptedOutputs.h"

namespace {

using namespace e2e;

// `source` encrypted by qpdf into `output`, with object streams when asked.
void encrypt(const std::string& source, const std::string& output, const std::string& user, const std::string& owner,
             const std::vector<std::string>& keyAndOptions, bool objectStreams = false) {
    std::vector<std::string> command = {"qpdf", "--allow-weak-crypto"};
    if (objectStreams) command.push_back("--object-streams=generate");
    command.insert(command.end(), {"--encrypt", user, owner});
    command.insert(command.end(), keyAndOptions.begin(), keyAndOptions.end());
    command.insert(command.end(), {"--", source, output});
    const ProcessResult made = runProcess(command, "", true);
    ASSERT_EQ(0, made.exitCode) << made.output;
}

const std::string sample = example("sample.pdf");

struct RotationCase {
    std::string name;
    EncryptionHandler handler;
    bool objectStreams;
    bool incremental;
};

std::vector<RotationCase> rotationCases() {
    std::vector<RotationCase> cases;
    for (const EncryptionHandler& handler : everyEncryptionHandler())
        for (const bool objectStreams : {false, true})
            for (const bool incremental : {false, true})
                cases.push_back({std::string(handler.name) + (objectStreams ? "WithObjectStreams" : "") +
                                     (incremental ? "Incremental" : "Rewritten"),
                                 handler, objectStreams, incremental});
    return cases;
}

void PrintTo(const RotationCase& test, std::ostream* out) { *out << test.name; }

class EncryptedRotation : public testing::TestWithParam<RotationCase> {};

TEST_P(EncryptedRotation, KeepsTheEncryptionAndRotatesThePages) {
    const RotationCase& test = GetParam();
    TemporaryFolder folder;
    const std::string input = folder / "in.pdf", output = folder / "out.pdf";
    encrypt(sample, input, "user", "owner", test.handler.qpdfArguments, test.objectStreams);
    std::vector<std::string> options = {"-p1,3", "-r90", "-passworduser"};
    if (test.incremental) options.push_back("-incremental");
    const ProcessResult run = runJob(input, output, options);
    EXPECT_EQ(banner + jobDone(input, output, 90, "1,3"), run.output);
    expectKeptEncryption(input, output, "user", "90 . 90");
    expectKeptEncryption(input, output, "owner", "90 . 90");
    if (test.incremental) {
        EXPECT_TRUE(readFile(output).starts_with(readFile(input)));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryHandler, EncryptedRotation, testing::ValuesIn(rotationCases()), caseName);

// The passwords: the owner's opens a file as the user's does, an empty user
// password needs "-password" alone, and a file given from a password file.
TEST(EncryptedPasswords, OwnerEmptyAndFilePasswordsOpenTheFile) {
    TemporaryFolder folder;
    const std::string both = folder / "both.pdf", empty = folder / "empty.pdf", out = folder / "out.pdf";
    encrypt(sample, both, "user", "owner", {"256"}, true);
    encrypt(sample, empty, "", "owner", {"128", "--use-aes=y"}, true);

    EXPECT_EQ(banner + jobDone(both, out, 180, "2"), runJob(both, out, {"-p2", "-r180", "-passwordowner"}).output);
    expectKeptEncryption(both, out, "user", ". 180");

    EXPECT_EQ(banner + jobDone(empty, out, 270, "1-6"), runJob(empty, out, {"-r270", "-password"}).output);
    expectKeptEncryption(empty, out, "", "270 270 270 270 270 270");

    writeFile(folder / "password.txt", "user\r\nsomething else\n");
    EXPECT_EQ(banner + jobDone(both, out, 90, "1"),
              runJob(both, out, {"-passwordfile" + folder / "password.txt", "-p1", "-r90"}).output);
    expectKeptEncryption(both, out, "user", "90");
}

// Refusals say why and leave nothing; standard output without -password is as it was.
TEST(EncryptedPasswords, RefusalsLeaveNothing) {
    TemporaryFolder folder;
    const std::string input = folder / "in.pdf", out = folder / "out.pdf";
    encrypt(sample, input, "user", "owner", {"256"});
    const std::string head = banner + "Rotating file: " + input;

    EXPECT_EQ(head + "\nPDF file is encrypted", runJob(input, out, {"-p1", "-r90"}).output);
    EXPECT_EQ(head + "\nPDF file is encrypted and the password does not open it",
              runJob(input, out, {"-p1", "-r90", "-passwordwrong"}).output);
    EXPECT_EQ(head + "\nPDF file is encrypted and the password does not open it",
              runJob(input, out, {"-p1", "-r90", "-password"}).output);
    EXPECT_TRUE(runJob(input, out, {"-p1", "-r90", "-passwordfile" + folder / "none.txt"})
                    .output.starts_with(banner + "Password file open error: " + folder / "none.txt" + "\n"));
    EXPECT_FALSE(exists(out));
    EXPECT_EQ(std::vector<std::string>{"in.pdf"}, folder.entries());
}

TEST(EncryptedPasswords, TheRefusalWithoutPasswordHintsAtTheOptionOnStandardError) {
    if (testingWindowsBuild()) GTEST_SKIP() << "the launcher's standard error is not the program's alone";
    TemporaryFolder folder;
    const std::string input = folder / "in.pdf", out = folder / "out.pdf";
    encrypt(sample, input, "", "owner", {"256"});
    const ProcessResult merged = runProcess({FOLIOTURN_PROGRAM, "-i" + input, "-o" + out}, "", true);
    EXPECT_NE(std::string::npos, merged.output.find("\nPDF file is encrypted\nfolioturn: hint: -password"));
    EXPECT_EQ(2, merged.exitCode) << "a refused file is a failed job";
}

struct PermissionCase {
    std::string name;
    std::vector<std::string> qpdfArguments;
    bool allowedToTheUser;
};

void PrintTo(const PermissionCase& test, std::ostream* out) { *out << test.name; }

class EncryptedPermissions : public testing::TestWithParam<PermissionCase> {};

// Rotating is assembling: allowed when the permissions allow modifying, or from
// revision 3 on assembling; the owner password lifts every restriction.
TEST_P(EncryptedPermissions, RotationNeedsAssemblyOrTheOwner) {
    TemporaryFolder folder;
    const std::string input = folder / "in.pdf", out = folder / "out.pdf";
    encrypt(sample, input, "user", "owner", GetParam().qpdfArguments);
    const ProcessResult asUser = runJob(input, out, {"-p1", "-r90", "-passworduser"});
    if (GetParam().allowedToTheUser) {
        EXPECT_EQ(banner + jobDone(input, out, 90, "1"), asUser.output);
        expectKeptEncryption(input, out, "user", "90");
    } else {
        EXPECT_EQ(banner + "Rotating file: " + input +
                      "\nPDF file's permissions do not allow assembling or modifying it, and rotating pages is "
                      "assembling: the owner password lifts this restriction",
                  asUser.output);
        EXPECT_FALSE(exists(out));
    }
    EXPECT_EQ(banner + jobDone(input, out, 90, "1"), runJob(input, out, {"-p1", "-r90", "-passwordowner"}).output);
    expectKeptEncryption(input, out, "owner", "90");
}

INSTANTIATE_TEST_SUITE_P(
    Restrictions, EncryptedPermissions,
    testing::Values(PermissionCase{"Rc4Of40BitsUnmodifiable", {"40", "--modify=n"}, false},
                    PermissionCase{"Rc4Of128BitsAssemblyOnly", {"128", "--use-aes=n", "--modify=assembly"}, true},
                    PermissionCase{"AesOf128BitsNothing", {"128", "--use-aes=y", "--modify=none"}, false},
                    PermissionCase{"Aes256AssemblyOnly", {"256", "--modify=assembly"}, true},
                    PermissionCase{"Aes256Nothing", {"256", "--modify=none", "--extract=n"}, false}),
    caseName);

// Metadata left in clear text changes the key of revision 4 and the streams read.
TEST(EncryptedMetadata, ClearTextMetadataFilesRotate) {
    for (const std::vector<std::string>& key : {std::vector<std::string>{"128", "--use-aes=y", "--cleartext-metadata"},
                                                std::vector<std::string>{"256", "--cleartext-metadata"}}) {
        TemporaryFolder folder;
        const std::string input = folder / "in.pdf", out = folder / "out.pdf";
        encrypt(sample, input, "user", "owner", key, true);
        EXPECT_EQ(banner + jobDone(input, out, 180, "1-6"), runJob(input, out, {"-r180", "-passworduser"}).output);
        expectKeptEncryption(input, out, "user", "180 180 180 180 180 180");
    }
}

// One password serves a whole list run; without the option unencrypted files
// give what they gave.
TEST(EncryptedListRun, OnePasswordForEveryFile) {
    TemporaryFolder folder;
    encrypt(sample, folder / "a.pdf", "user", "owner", {"256"}, true);
    encrypt(sample, folder / "b.pdf", "", "user", {"128", "--use-aes=n"});
    writeFile(folder / "list.txt", "a.pdf\nb.pdf\n");
    const ProcessResult run =
        runFolioturn({"-ilist.txt", "-frotated", "-pfirsthalf", "-r90", "-passworduser"}, folder.path());
    EXPECT_EQ(banner + jobDone("a.pdf", "rotated" + listSeparator() + "a.pdf", 90, "1-3") +
                  jobDone("b.pdf", "rotated" + listSeparator() + "b.pdf", 90, "1-3"),
              run.output);
    expectKeptEncryption(folder / "a.pdf", folder / "rotated/a.pdf", "user", "90 90 90");
    expectKeptEncryption(folder / "b.pdf", folder / "rotated/b.pdf", "user", "90 90 90");
}

// A file whose cross-reference must be rebuilt keeps the encryption of the trailer
// or cross-reference stream that the scan finds.
TEST(EncryptedRepair, RebuiltFilesKeepTheirEncryption) {
    struct Damage {
        std::vector<std::string> key;
        bool objectStreams;
    };
    for (const Damage& damage : {Damage{{"256"}, true}, Damage{{"128", "--use-aes=y"}, true}, Damage{{"40"}, false}}) {
        TemporaryFolder folder;
        const std::string whole = folder / "whole.pdf", input = folder / "cut.pdf", out = folder / "out.pdf";
        encrypt(sample, whole, "user", "owner", damage.key, damage.objectStreams);
        const std::string bytes = readFile(whole);
        writeFile(input, bytes.substr(0, bytes.rfind("startxref")));  // no startxref: the file must be scanned
        const ProcessResult run = runJob(input, out, {"-p1", "-r90", "-passworduser", "-repair"});
        EXPECT_TRUE(run.output.starts_with(banner + jobHead(input, out, 90, "1") +
                                           "\nFile repaired: the cross-reference was rebuilt by scanning the file"))
            << run.output;
        EXPECT_TRUE(run.output.ends_with("\nDone.\n")) << run.output;
        expectKeptEncryption(whole, out, "user", "90");
        EXPECT_EQ(banner + "Rotating file: " + input + "\nPDF file is encrypted",
                  runJob(input, folder / "refused.pdf", {"-p1", "-r90", "-repair"}).output);
    }
}

TEST(PasswordOption, IsNotReadAsAPageList) {
    TemporaryFolder folder;
    const std::string without = folder / "without.pdf", with = folder / "with.pdf";
    const ProcessResult plain = runJob(sample, without, {"-pall", "-r90"});
    const ProcessResult given = runJob(sample, with, {"-pall", "-r90", "-passwordsecret"});
    EXPECT_EQ(banner + jobDone(sample, without, 90, "1-6"), plain.output);
    EXPECT_EQ(banner + jobDone(sample, with, 90, "1-6"), given.output);
    EXPECT_EQ(readFile(without), readFile(with));
}

}  // namespace
