#include "Fixtures.h"

#include "restore/FolderHeaderFile.h"

using namespace fixtures;

namespace {

const Bytes kMainFolder = FolderFile("Main Folder", "632A9229:7633:FOL07633");
const std::string k42 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ:0123456789:abcd";

struct ReadCase {
    const char* label;
    Bytes file;
    std::string displayName;
    std::string folderId;
};

void PrintTo(const ReadCase& c, std::ostream* out) {
    *out << c.label;
}

class ReadFolderHeaderTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadFolderHeaderTest, GivesBothTexts) {
    TempDir dir;
    WriteBytes(dir / "FOL07633.PMM", GetParam().file);
    const FolderHeaderTexts texts = ReadFolderHeader(dir / "FOL07633.PMM");
    EXPECT_EQ(texts.displayName, GetParam().displayName);
    EXPECT_EQ(texts.folderId, GetParam().folderId);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadFolderHeaderTest,
    ::testing::Values(
        ReadCase{"Realistic", kMainFolder, "Main Folder", "632A9229:7633:FOL07633"},
        // The name field has no terminator of its own when it is full.
        ReadCase{"NameOf32BytesWithoutNul",
                 Overwritten(kMainFolder, 0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345overflow"),
                 "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", "632A9229:7633:FOL07633"},
        ReadCase{"SpacesKept", FolderFile("  Spaced out  ", "FOL12345"), "  Spaced out  ",
                 "FOL12345"},
        ReadCase{"BytesAfterTheNulIgnored",
                 Overwritten(kMainFolder, 0, std::string("Inbox\0Old", 9)), "Inbox",
                 "632A9229:7633:FOL07633"},
        ReadCase{"AnsiBytesUnconverted", FolderFile("Caf\xE9 \x80\xFF", "FOL12345"),
                 "Caf\xE9 \x80\xFF", "FOL12345"},
        ReadCase{"EmptyName", FolderFile("", "FOL12345"), "", "FOL12345"},
        ReadCase{"Empty", "", "", ""},
        ReadCase{"Of80Bytes", kMainFolder.substr(0, 80), "Main Folder", ""},
        ReadCase{"Of86Bytes", kMainFolder.substr(0, 86), "Main Folder", ""},
        ReadCase{"Of100Bytes", kMainFolder.substr(0, 100), "Main Folder", "632A9229:7633:"},
        ReadCase{"Of128Bytes", kMainFolder.substr(0, 128), "Main Folder", "632A9229:7633:FOL07633"},
        // The first message starts at byte 128 and is no part of the ID.
        ReadCase{"IdFillingTheFieldUpToTheFirstMessage", FolderFile("Main Folder", k42),
                 "Main Folder", k42}),
    [](const auto& info) { return std::string(info.param.label); });

struct WriteCase {
    const char* label;
    Bytes before;
    std::string id;
    bool written;
};

void PrintTo(const WriteCase& c, std::ostream* out) {
    *out << c.label;
}

class WriteFolderIdTest : public ::testing::TestWithParam<WriteCase> {};

// Compares the whole file: only the ID's own bytes may change, and a short file
// grows no further than the ID's end.
TEST_P(WriteFolderIdTest, RewritesOnlyTheIdBytes) {
    const WriteCase& c = GetParam();
    TempDir dir;
    WriteBytes(dir / "BAK07633.PMM", c.before);
    const win32::FileResult result = WriteFolderId(dir / "BAK07633.PMM", c.id);
    EXPECT_EQ(result.Ok(), c.written) << "error " << result.error;
    const Bytes expected = c.written ? Overwritten(c.before, 86, c.id) : c.before;
    EXPECT_EQ(ReadBytes(dir / "BAK07633.PMM"), expected);
    EXPECT_LE(ReadBytes(dir / "BAK07633.PMM").size(), std::max<std::size_t>(c.before.size(), 128));
}

INSTANTIATE_TEST_SUITE_P(
    Files, WriteFolderIdTest,
    ::testing::Values(
        WriteCase{"EightOverEight", FolderFile("Inbox", "FOL12345"), "BAK12345", true},
        WriteCase{"RealisticId", kMainFolder, "BA2A9229:7633:BAK07633", true},
        WriteCase{"FullFieldStopsBeforeTheFirstMessage", FolderFile("Inbox", k42),
                  "BA" + k42.substr(2), true},
        WriteCase{"LongerThanTheFieldRefused", kMainFolder, k42 + "X", false},
        WriteCase{"FileOf100BytesGrowsToTheIdEnd", kMainFolder.substr(0, 100),
                  "BA2A9229:7633:BAK07633", true},
        WriteCase{"FileOf80BytesGapReadsAsZeros", kMainFolder.substr(0, 80), "BAK12345", true},
        WriteCase{"FullFieldIntoA90ByteFileEndsAtByte128", kMainFolder.substr(0, 90), k42, true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(WriteFolderId, NeverCreatesAMissingFile) {
    TempDir dir;
    EXPECT_FALSE(WriteFolderId(dir / "BAK12345.PMM", "BAK12345").Ok());
    EXPECT_FALSE(Exists(dir / "BAK12345.PMM"));
}

// Archives come back from CD read-only: the header is read through the read-only
// fallback, and a write through it changes nothing.
TEST(FolderHeaderFile, ReadOnlyFileIsReadButNotWritten) {
    if (!ReadOnlyIsEnforced()) {
        GTEST_SKIP() << "read-only files are writable here (Wine as root): run as an ordinary user";
    }
    TempDir dir;
    WriteBytes(dir / "FOL07633.PMM", kMainFolder, FILE_ATTRIBUTE_READONLY);

    const FolderHeaderTexts texts = ReadFolderHeader(dir / "FOL07633.PMM");
    EXPECT_EQ(texts.displayName, "Main Folder");
    EXPECT_EQ(texts.folderId, "632A9229:7633:FOL07633");

    EXPECT_FALSE(WriteFolderId(dir / "FOL07633.PMM", "BA2A9229:7633:BAK07633").Ok());
    EXPECT_EQ(ReadBytes(dir / "FOL07633.PMM"), kMainFolder);
    EXPECT_TRUE(IsReadOnly(dir / "FOL07633.PMM"));
}

// The mail client holds an open folder without sharing.
TEST(FolderHeaderFile, FileHeldOpenGivesEmptyTextsAndIsNotWritten) {
    TempDir dir;
    WriteBytes(dir / "FOL07633.PMM", kMainFolder);
    {
        HeldOpen held(dir / "FOL07633.PMM");
        const FolderHeaderTexts texts = ReadFolderHeader(dir / "FOL07633.PMM");
        EXPECT_EQ(texts.displayName, "");
        EXPECT_EQ(texts.folderId, "");
        EXPECT_EQ(WriteFolderId(dir / "FOL07633.PMM", "BA2A9229:7633:BAK07633").error,
                  static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(ReadBytes(dir / "FOL07633.PMM"), kMainFolder);
}

} // namespace
