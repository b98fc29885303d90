// Names in every script, lists in every encoding, and paths past the classic
// Windows limit of 260 characters, on both builds.
#include <filesystem>

#include "E2eSupport.h"

namespace {

using namespace e2e;

// Cyrillic and Japanese, and an emoji (beyond the 16-bit range: a surrogate pair in UTF-16).
const std::string cyrillic = "\xD0\xA1\xD1\x87\xD1\x91\xD1\x82";      // Счёт
const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // 日本語
const std::string emoji = "\xF0\x9F\x98\x80";                         // 😀
const std::string inputName = cyrillic + "-" + japanese + ".pdf";
const std::string emojiName = emoji + "-" + cyrillic + ".pdf";
const std::u16string inputName16 = u"\u0421\u0447\u0451\u0442-\u65E5\u672C\u8A9E.pdf";
const std::u16string emojiName16 = u"\U0001F600-\u0421\u0447\u0451\u0442.pdf";

std::string utf16LittleEndian(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

std::string utf16BigEndian(const std::u16string& text) {
    std::string bytes = "\xFE\xFF";
    for (char16_t unit : text) bytes += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    return bytes;
}

// A folder with the sample under both names, and `subfolder` made.
struct NamedFiles {
    explicit NamedFiles(const std::string& subfolder = "") {
        const std::string sample = readFile(example("sample.pdf"));
        writeFile(folder / inputName, sample);
        writeFile(folder / emojiName, sample);
        if (!subfolder.empty()) std::filesystem::create_directories(folder / subfolder);
    }
    TemporaryFolder folder;
};

TEST(UnicodeNames, InputAndOutputInEveryScript) {
    const std::string outputFolder = japanese + emoji;
    NamedFiles files(outputFolder);
    const std::string output = outputFolder + "/" + emojiName;
    const ProcessResult run = runFolioturn({"-i" + inputName, "-o" + output, "-p1", "-r90"}, files.folder.path());
    // Redirected, the console text carries the names in UTF-8, on Windows too.
    EXPECT_EQ(banner + jobDone(inputName, output, 90, "1"), run.output);
    EXPECT_EQ(0, run.exitCode);
    EXPECT_TRUE(isRotatedCopy(files.folder / inputName, files.folder / output, "90"));
    EXPECT_EQ((std::vector<std::string>{emojiName}), TemporaryFolder::entriesOf(files.folder / outputFolder));
}

TEST(UnicodeNames, InPlaceReplacement) {
    NamedFiles files;
    const ProcessResult run = runFolioturn({"-i" + emojiName, "-o" + emojiName, "-p1", "-r180"}, files.folder.path());
    EXPECT_EQ(banner + jobDone(emojiName, emojiName, 180, "1"), run.output);
    EXPECT_TRUE(isRotatedCopy(files.folder / inputName, files.folder / emojiName, "180"));
    EXPECT_EQ((std::vector<std::string>{inputName, emojiName}), files.folder.entries());
}

TEST(UnicodeNames, MissingInputIsNamedAsTyped) {
    NamedFiles files;
    const ProcessResult run = runFolioturn({"-i" + japanese + ".pdf", "-oout.pdf"}, files.folder.path());
    EXPECT_EQ(banner + "Input file open error: " + japanese + ".pdf\n", run.output);
    EXPECT_EQ(2, run.exitCode);
}

struct EncodedList {
    const char* name;
    std::string bytes;
};
void PrintTo(const EncodedList& c, std::ostream* out) { *out << c.name; }

class ListEncodings : public testing::TestWithParam<EncodedList> {};

// The list names a file in a subfolder with a Japanese name too; the output
// folder is named in Cyrillic and Japanese, and the list lies in a folder with an emoji.
TEST_P(ListEncodings, EveryNameRotated) {
    NamedFiles files(japanese);
    writeFile(files.folder / (japanese + "/" + emojiName), readFile(example("sample.pdf")));
    std::filesystem::create_directories(files.folder / emoji);
    const std::string list = emoji + "/list.txt";
    writeFile(files.folder / list, GetParam().bytes);
    const std::string outputFolder = cyrillic + japanese;
    const ProcessResult run = runFolioturn({"-i" + list, "-f" + outputFolder, "-p1", "-r270"}, files.folder.path());
    const std::string out = outputFolder + listSeparator();
    const std::string nested = japanese + "/" + emojiName;
    EXPECT_EQ(banner + jobDone(inputName, out + inputName, 270, "1") + jobDone(emojiName, out + emojiName, 270, "1") +
                  jobDone(nested, out + nested, 270, "1"),
              run.output);
    EXPECT_EQ(0, run.exitCode);
    for (const std::string& name : {inputName, emojiName, nested})
        EXPECT_TRUE(isRotatedCopy(files.folder / name, files.folder / (outputFolder + "/" + name), "270")) << name;
}

const std::u16string names16 = inputName16 + u"\r\n" + emojiName16 + u"\r\n\u65E5\u672C\u8A9E/" + emojiName16;
const std::string names8 = inputName + "\n" + emojiName + "\n" + japanese + "/" + emojiName;

INSTANTIATE_TEST_SUITE_P(E2e, ListEncodings,
                         testing::Values(EncodedList{"Utf8", names8 + "\n"},
                                         EncodedList{"Utf8WithMark", "\xEF\xBB\xBF" + names8 + "\r\n"},
                                         EncodedList{"Utf8CarriageReturns",
                                                     inputName + "\r" + emojiName + "\r" + japanese + "/" + emojiName},
                                         // PowerShell's "dir -Name > list.txt": UTF-16 LE with a mark, CR LF line ends.
                                         EncodedList{"PowerShellUtf16", utf16LittleEndian(names16 + u"\r\n")},
                                         EncodedList{"Utf16LittleEndianLineFeeds",
                                                     utf16LittleEndian(inputName16 + u"\n" + emojiName16 +
                                                                       u"\n\u65E5\u672C\u8A9E/" + emojiName16)},
                                         EncodedList{"Utf16BigEndian", utf16BigEndian(names16 + u"\r")}),
                         caseName);

// Folders nested past 260 characters, as -i, -o and as a list line.
class LongPaths : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder / deep);
        writeFile(folder / (deep + "/" + emojiName), readFile(example("sample.pdf")));
    }
    const std::string deep = std::string(120, 'a') + "/" + cyrillic + std::string(120, 'b') + "/" + japanese;
    const std::string deepName = deep + "/" + emojiName;
    TemporaryFolder folder;
};

TEST_F(LongPaths, InputAndOutputPastTheClassicLimit) {
    ASSERT_GT(deepName.size() + folder.path().size(), 260u);
    const std::string output = deep + "/out-" + emojiName;
    const ProcessResult run = runFolioturn({"-i" + deepName, "-o" + output, "-p1", "-r90"}, folder.path());
    EXPECT_EQ(banner + jobDone(deepName, output, 90, "1"), run.output);
    EXPECT_EQ(0, run.exitCode);
    EXPECT_TRUE(isRotatedCopy(folder / deepName, folder / output, "90"));
}

TEST_F(LongPaths, ListLineAndItsOutputFolders) {
    writeFile(folder / "list.txt", deepName + "\r\n");
    const ProcessResult run = runFolioturn({"-ilist.txt", "-fout", "-p1", "-r90"}, folder.path());
    EXPECT_EQ(banner + jobDone(deepName, "out" + listSeparator() + deepName, 90, "1"), run.output);
    EXPECT_TRUE(isRotatedCopy(folder / deepName, folder / ("out/" + deepName), "90"));
}

}  // namespace

namespace {

// cmd's "dir /B > list.txt" writes the ANSI code page (1252 under wine here): a list
// without a mark that is not UTF-8 is read in it on Windows. On POSIX its bytes
// name the file as they stand, as they always did.
TEST(UnicodeNames, ListInTheLocalEncoding) {
    TemporaryFolder folder;
    const std::string line = "caf\xE9.pdf";
    const std::string name = testingWindowsBuild() ? "caf\xC3\xA9.pdf" : line;
    writeFile(folder / name, readFile(example("sample.pdf")));
    writeFile(folder / "list.txt", line + "\r\n");
    const ProcessResult run = runFolioturn({"-ilist.txt", "-fout", "-p1", "-r90"}, folder.path());
    EXPECT_EQ(banner + jobDone(name, "out" + listSeparator() + name, 90, "1"), run.output);
    EXPECT_TRUE(isRotatedCopy(folder / name, folder / ("out/" + name), "90"));
}

}  // namespace
