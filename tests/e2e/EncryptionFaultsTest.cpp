// Encrypted inputs that the common writers make less often: an encryption
// dictionary written in the trailer, short RC4 keys, a Length that is wrong,
// passwords beyond ASCII, a changed revision 6 P, unescaped line ends in the
// strings of object streams, and an object stream with the Identity crypt filter.
// Made by tests/crypt/make-encrypted.py and by qpdf, judged through qpdf.
#include "E2eSupport.h"
#include "EncryptedOutputs.h"

namespace {

using namespace e2e;

std::string encryptedFile(const std::string& name) {
    return std::string(FOLIOTURN_ENCRYPTED_SET) + "/" + name + ".pdf";
}

const std::string sample = example("sample.pdf");

void qpdfEncrypt(const std::string& output, const std::string& user, const std::vector<std::string>& keyAndOptions,
                 bool objectStreams) {
    std::vector<std::string> command = {"qpdf", "--allow-weak-crypto"};
    if (objectStreams) command.push_back("--object-streams=generate");
    command.insert(command.end(), {"--encrypt", user, "owner"});
    command.insert(command.end(), keyAndOptions.begin(), keyAndOptions.end());
    command.insert(command.end(), {"--", sample, output});
    const ProcessResult made = runProcess(command, "", true);
    ASSERT_EQ(0, made.exitCode) << made.output;
}

// The file with its trailer's "/Encrypt N G R" replaced by the dictionary that
// object N holds, written in place: the trailer comes last, so no offset moves.
std::string withDirectEncryption(const std::string& bytes) {
    const size_t key = bytes.rfind("/Encrypt ");
    const size_t referenceEnd = bytes.find(" R", key);
    const std::string number = bytes.substr(key + 9, bytes.find(' ', key + 9) - key - 9);
    const size_t object = bytes.find("\n" + number + " 0 obj");
    const size_t open = bytes.find("<<", object), close = bytes.find("endobj", object);
    const std::string dictionary = bytes.substr(open, bytes.rfind(">>", close) + 2 - open);
    return bytes.substr(0, key) + "/Encrypt " + dictionary + bytes.substr(referenceEnd + 2);
}

void expectRotatedAndReadable(const std::string& input, const std::string& output, const std::string& password,
                              const std::string& rotations) {
    EXPECT_TRUE(qpdfCheckClean(output, password));
    EXPECT_TRUE(isRotatedCopy(input, output, rotations, password));
    EXPECT_EQ(qpdfShown(input, password, "--show-encryption"), qpdfShown(output, password, "--show-encryption"));
}

struct DirectCase {
    std::string name;
    std::vector<std::string> qpdfArguments;
    bool objectStreams;
    bool incremental;
};

void PrintTo(const DirectCase& test, std::ostream* out) { *out << test.name; }

std::vector<DirectCase> directCases() {
    std::vector<DirectCase> cases;
    for (const auto& [name, arguments] : everyEncryptionHandler())
        for (const bool objectStreams : {false, true})
            for (const bool incremental : {false, true})
                cases.push_back({std::string(name) + (objectStreams ? "Stream" : "Table") +
                                     (incremental ? "Incremental" : "Rewritten"),
                                 arguments, objectStreams, incremental});
    return cases;
}

class DirectEncryption : public testing::TestWithParam<DirectCase> {};

// The trailer's own encryption dictionary is read, asks for the password, and
// stays in the output byte for byte, with the ID; an update's pages are
// encrypted as the file's other objects.
TEST_P(DirectEncryption, IsReadAndKept) {
    const DirectCase& test = GetParam();
    TemporaryFolder folder;
    const std::string made = folder / "made.pdf", input = folder / "in.pdf", output = folder / "out.pdf";
    qpdfEncrypt(made, "user", test.qpdfArguments, test.objectStreams);
    const std::string bytes = withDirectEncryption(readFile(made));
    writeFile(input, bytes);
    ASSERT_TRUE(qpdfCheckClean(input, "user"));
    std::vector<std::string> options = {"-p1,3", "-r90"};
    if (test.incremental) options.push_back("-incremental");
    EXPECT_EQ(banner + "Rotating file: " + input + "\nPDF file is encrypted", runJob(input, output, options).output);
    options.push_back("-passworduser");
    EXPECT_EQ(banner + jobDone(input, output, 90, "1,3"), runJob(input, output, options).output);
    expectRotatedAndReadable(input, output, "user", "90 . 90");
    expectRotatedAndReadable(input, output, "owner", "90 . 90");
    const std::string written = readFile(output);
    const size_t entry = bytes.rfind("/Encrypt <<");
    const std::string dictionary = bytes.substr(entry, bytes.find(">>", bytes.find("/V ", entry)) + 2 - entry);
    EXPECT_NE(std::string::npos, written.rfind(dictionary)) << "the dictionary as the input writes it";
    if (test.incremental) {
        EXPECT_TRUE(written.starts_with(bytes));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryHandler, DirectEncryption, testing::ValuesIn(directCases()), caseName);

// Revision 3 keys of 40 to 128 bits, with the owner key hashed as ISO 32000 says
// and as some writers do, in both layouts, direct or not: both passwords open
// them. qpdf judges with the user password, which it reads in every one of them.
TEST(EncryptedKeys, ShortRevision3KeysOpenWithEitherPassword) {
    for (const std::string layout : {"table", "stream"})
        for (const std::string bits : {"40", "64", "96", "128"})
            for (const std::string variant : {"", "-direct", "-qpdfkey", "-direct-qpdfkey"}) {
                const std::string input = encryptedFile("rc4-" + bits + "-" + layout + variant);
                for (const std::string password : {"owner", "user"}) {
                    TemporaryFolder folder;
                    const std::string output = folder / "out.pdf";
                    EXPECT_EQ(banner + jobDone(input, output, 270, "2"),
                              runJob(input, output, {"-p2", "-r270", "-password" + password}).output)
                        << input << " " << password;
                    EXPECT_TRUE(isRotatedCopy(input, output, ". 270", "user")) << input;
                }
            }
}

TEST(EncryptedKeys, Revision2DirectFilesOpen) {
    for (const std::string layout : {"table", "stream"}) {
        TemporaryFolder folder;
        const std::string input = encryptedFile("rc4-r2-direct-" + layout), output = folder / "out.pdf";
        EXPECT_EQ(banner + jobDone(input, output, 90, "1-3"), runJob(input, output, {"-r90", "-passwordowner"}).output);
        expectRotatedAndReadable(input, output, "user", "90 90 90");
    }
}

// A direct encryption dictionary's permissions hold as an indirect one's do.
TEST(EncryptedKeys, DirectPermissionsAreHonoured) {
    for (const std::string layout : {"table", "stream"}) {
        TemporaryFolder folder;
        const std::string input = encryptedFile("locked-direct-" + layout), output = folder / "out.pdf";
        EXPECT_EQ(banner + "Rotating file: " + input +
                      "\nPDF file's permissions do not allow assembling or modifying it, and rotating pages is "
                      "assembling: the owner password lifts this restriction",
                  runJob(input, output, {"-p1", "-r90", "-passworduser"}).output);
        EXPECT_FALSE(exists(output));
        EXPECT_EQ(banner + jobDone(input, output, 90, "1"),
                  runJob(input, output, {"-p1", "-r90", "-passwordowner", "-incremental"}).output);
        expectRotatedAndReadable(input, output, "user", "90");
    }
}

// A file whose cross-reference must be rebuilt finds the trailer's own
// encryption dictionary, and keeps it.
TEST(EncryptedKeys, RebuiltDirectFilesKeepTheirEncryption) {
    for (const std::string layout : {"table", "stream"}) {
        TemporaryFolder folder;
        const std::string whole = encryptedFile("rc4-64-" + layout + "-direct"), input = folder / "cut.pdf",
                          output = folder / "out.pdf";
        const std::string bytes = readFile(whole);
        writeFile(input, bytes.substr(0, bytes.rfind("startxref")));
        EXPECT_EQ(banner + "Rotating file: " + input + "\nPDF file is encrypted",
                  runJob(input, output, {"-p1", "-r90", "-repair"}).output);
        EXPECT_EQ(banner + jobHead(input, output, 90, "1") +
                      "\nFile repaired: the cross-reference was rebuilt by scanning the file\nDone.\n",
                  runJob(input, output, {"-p1", "-r90", "-repair", "-passworduser"}).output);
        expectRotatedAndReadable(whole, output, "user", "90");
    }
}

// A Length that is not the key's: the key is found at its true length. qpdf reads
// the files whose Length is no key length at all (it takes 128 bits); the others
// are judged with their Length mended in the input and the output alike.
TEST(EncryptedKeys, AWrongLengthFindsTheTrueKey) {
    const std::pair<std::string, std::string> lengths[] = {{"64", "96"}, {"96", "40"}, {"120", "128"}, {"16", "128"}};
    for (const auto& [said, real] : lengths) {
        TemporaryFolder folder;
        const std::string input = encryptedFile("length-" + said + "-of-" + real), output = folder / "out.pdf";
        for (const std::string password : {"user", "owner"})
            EXPECT_EQ(banner + jobDone(input, output, 180, "3"),
                      runJob(input, output, {"-p3", "-r180", "-password" + password}).output)
                << input << " " << password;
        if (said.size() != real.size()) {
            expectRotatedAndReadable(input, output, "user", ". . 180");
            continue;
        }
        const auto mended = [&](const std::string& path) {
            std::string bytes = readFile(path);
            const std::string wrong = "/R 3 /Length " + said;
            bytes.replace(bytes.find(wrong), wrong.size(), "/R 3 /Length " + real);
            writeFile(path + ".mended.pdf", bytes);
            return path + ".mended.pdf";
        };
        writeFile(folder / "in.pdf", readFile(input));
        expectRotatedAndReadable(mended(folder / "in.pdf"), mended(output), "user", ". . 180");
    }
}

// Passwords beyond ASCII, typed as UTF-8: revisions 2 to 4 hash PDFDocEncoding
// (qpdf writes it so), revisions 5 and 6 the password after SASLprep.
TEST(EncryptedPasswords, TypedTextIsEncodedAsTheRevisionHashesIt) {
    struct PasswordCase {
        std::string made;
        std::vector<std::string> key;
        std::string typed;
    };
    const PasswordCase cases[] = {
        {"päss€", {"40"}, "päss€"},
        {"päss€", {"128", "--use-aes=n"}, "päss€"},
        {"päss€", {"128", "--use-aes=y"}, "päss€"},
        {"päss€", {"256"}, "päss€"},
        {"a b", {"256"}, "a\u00A0b"},
        {"ab", {"256", "--force-R5"}, "a\u00ADb"},
    };
    for (const PasswordCase& test : cases) {
        TemporaryFolder folder;
        const std::string input = folder / "in.pdf", output = folder / "out.pdf";
        qpdfEncrypt(input, test.made, test.key, true);
        // A password file is UTF-8 on every system; arguments are on POSIX systems.
        writeFile(folder / "password.txt", test.typed + "\n");
        EXPECT_EQ(banner + jobDone(input, output, 90, "2"),
                  runJob(input, output, {"-p2", "-r90", "-passwordfile" + folder / "password.txt"}).output)
            << test.typed;
        if (!testingWindowsBuild()) {
            EXPECT_EQ(banner + jobDone(input, output, 90, "2"),
                      runJob(input, output, {"-p2", "-r90", "-password" + test.typed}).output)
                << test.typed;
        }
        expectRotatedAndReadable(input, output, test.made, ". 90");
        writeFile(folder / "wrong.txt", test.typed + "x\n");
        EXPECT_EQ(banner + "Rotating file: " + input + "\nPDF file is encrypted and the password does not open it",
                  runJob(input, output, {"-p2", "-r90", "-passwordfile" + folder / "wrong.txt"}).output);
    }
}

// Revision 6 keeps P encrypted in Perms: a P changed without the key does not open.
TEST(EncryptedPasswords, Revision6RefusesAPermsThatDisagrees) {
    TemporaryFolder folder;
    const std::string made = folder / "made.pdf", input = folder / "in.pdf", output = folder / "out.pdf";
    qpdfEncrypt(made, "user", {"256"}, false);
    std::string bytes = readFile(made);
    ASSERT_NE(std::string::npos, bytes.find("/P -4 "));
    bytes.replace(bytes.find("/P -4 "), 6, "/P -8 ");
    writeFile(input, bytes);
    for (const std::string password : {"user", "owner"})
        EXPECT_EQ(banner + "Rotating file: " + input + "\nPDF file is encrypted and the password does not open it",
                  runJob(input, output, {"-p1", "-r90", "-password" + password}).output);
    EXPECT_FALSE(exists(output));
    EXPECT_EQ(banner + jobDone(made, output, 90, "1"), runJob(made, output, {"-p1", "-r90", "-passworduser"}).output);
}

// Unescaped CR and CR LF in the strings of an object stream read as LF: the
// values that come out re-encrypted are the ones qpdf reads in the input. The
// table's strings are encrypted, CR bytes and all, and are copied as they are.
TEST(EncryptedObjectStreams, RawLineEndsInStringsKeepTheirValue) {
    const std::pair<std::string, std::string> variants[] = {{"raw-cr-stream", "(line one\\nline two\\nend)"},
                                                            {"raw-cr-stream-direct", "(line one\\nline two\\nend)"},
                                                            {"raw-cr-table", "(line one\\rline two\\r\\nend)"}};
    for (const auto& [variant, title] : variants)
        for (const bool incremental : {false, true}) {
            TemporaryFolder folder;
            const std::string input = encryptedFile(variant), output = folder / "out.pdf";
            std::vector<std::string> options = {"-p1", "-r90", "-passworduser"};
            if (incremental) options.push_back("-incremental");
            EXPECT_EQ(banner + jobDone(input, output, 90, "1"), runJob(input, output, options).output) << variant;
            expectRotatedAndReadable(input, output, "user", "90");
            const ProcessResult info = runProcess({"qpdf", "--password=user", "--show-object=10", output});
            EXPECT_NE(std::string::npos, info.output.find("/Title " + title)) << info.output;
        }
}

// An object stream filtered [/Crypt /FlateDecode] with the Identity crypt filter
// is not encrypted, and reads.
TEST(EncryptedObjectStreams, TheIdentityCryptFilterIsRead) {
    for (const bool incremental : {false, true}) {
        TemporaryFolder folder;
        const std::string input = encryptedFile("identity-objstm"), output = folder / "out.pdf";
        std::vector<std::string> options = {"-p1-2", "-r270", "-passworduser"};
        if (incremental) options.push_back("-incremental");
        EXPECT_EQ(banner + jobDone(input, output, 270, "1-2"), runJob(input, output, options).output);
        expectRotatedAndReadable(input, output, "user", "270 270");
    }
}

}  // namespace

// A trailer that holds both its encryption dictionary and its Info: the full
// rewrite keeps both as the input writes them, and the ID that makes the key.
TEST(DirectEncryptionAndInfo, BothStayInTheTrailer) {
    TemporaryFolder folder;
    const std::string made = folder / "made.pdf", input = folder / "in.pdf", output = folder / "out.pdf";
    qpdfEncrypt(made, "user", {"128", "--use-aes=y"}, false);
    std::string bytes = withDirectEncryption(readFile(made));
    const size_t info = bytes.rfind("/Info ");
    ASSERT_NE(std::string::npos, info);
    const std::string direct = "/Info << /Title (Plain text) >>";
    bytes.replace(info, bytes.find(" R", info) + 2 - info, direct);  // in the trailer, after every offset
    writeFile(input, bytes);
    ASSERT_TRUE(qpdfCheckClean(input, "user"));
    EXPECT_EQ(banner + jobDone(input, output, 90, "1"), runJob(input, output, {"-p1", "-r90", "-passworduser"}).output);
    expectRotatedAndReadable(input, output, "user", "90 . .");
    const std::string written = readFile(output);
    const size_t trailer = written.rfind("trailer");
    ASSERT_NE(std::string::npos, trailer);
    EXPECT_NE(std::string::npos, written.find(direct, trailer));
    EXPECT_NE(std::string::npos, written.find("/Encrypt <<", trailer));
    EXPECT_NE(std::string::npos, written.find("/ID [", trailer));
}
