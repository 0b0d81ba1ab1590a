#include "Fixtures.h"

#include "common/ControlIds.h"
#include "lists/FolderRecord.h"
#include "lists/SourceScan.h"

#include <gmock/gmock.h>

using namespace fixtures;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ScanTest : public WithMainWindow {
  protected:
    // As the source picker does: both lists emptied, then the scan.
    void Scan(const std::string& path) {
        ResetLists();
        ScanSourceFolders(path);
    }

    static std::vector<std::string> TableFileNames() {
        std::vector<std::string> names;
        for (std::size_t i = 1; i < folderRecords.size(); ++i) {
            names.push_back(folderRecords[i].fileName);
        }
        return names;
    }

    static std::vector<std::string> TableDisplayNames() {
        std::vector<std::string> names;
        for (std::size_t i = 1; i < folderRecords.size(); ++i) {
            names.push_back(folderRecords[i].displayName);
        }
        return names;
    }

    static void ExpectBlankFirstElement() {
        ASSERT_FALSE(folderRecords.empty());
        EXPECT_EQ(folderRecords[0].displayName, "");
        EXPECT_EQ(folderRecords[0].fileName, "");
        EXPECT_EQ(folderRecords[0].folderId, "");
        EXPECT_EQ(folderRecords[0].chosen, 0);
    }

    TempDir source;
};

TEST_F(ScanTest, ListsPlainFolderFilesOnly) {
    WriteBytes(source / "VISIBLE.PMM", FolderFile("Visible", "FOL00001"));
    WriteBytes(source / "RDONLY.PMM", FolderFile("Read only", "FOL00002"), FILE_ATTRIBUTE_READONLY);
    WriteBytes(source / "lower.pmm", FolderFile("Lower case", "FOL00003"));
    WriteBytes(source / "HIDDEN.PMM", FolderFile("Hidden", "FOL00004"), FILE_ATTRIBUTE_HIDDEN);
    WriteBytes(source / "SYSTEM.PMM", FolderFile("System", "FOL00005"), FILE_ATTRIBUTE_SYSTEM);
    MakeDirectory(source / "DIRECTORY.PMM");
    WriteBytes(source / "VISIBLE.PMI", IndexFile());
    WriteBytes(source / "Y2GMIRAW.CNM", NewMailFile("New"));

    Scan(source.Path());

    ExpectBlankFirstElement();
    EXPECT_THAT(TableFileNames(), ElementsAre("lower.pmm", "RDONLY.PMM", "VISIBLE.PMM"));
    EXPECT_THAT(TableDisplayNames(), ElementsAre("Lower case", "Read only", "Visible"));
    EXPECT_EQ(folderRecords[2].folderId, "FOL00002");
    EXPECT_THAT(ListItems(IDC_SOURCE_LIST), ElementsAre("Lower case", "Read only", "Visible"));
    EXPECT_THAT(ListItems(IDC_RESTORE_LIST), IsEmpty());
}

// The table is in byte order, which the restore relies on; the list box shows its
// own order, which ignores case. Wine lists a directory in an order that ignores
// case too, so names whose byte order differs show that the table is sorted.
TEST_F(ScanTest, TableInByteOrderListInListBoxOrder) {
    WriteBytes(source / "FOL00001.PMM", FolderFile("alpha", "FOL00001"));
    WriteBytes(source / "FOL00002.PMM", FolderFile("Beta", "FOL00002"));
    WriteBytes(source / "FOL00009.PMM", FolderFile("Same", "FOL00009"));
    WriteBytes(source / "fol00003.pmm", FolderFile("Same", "FOL00003"));
    WriteBytes(source / "FOL00004.PMM", FolderFile("Inbox 2", "FOL00004"));
    WriteBytes(source / "FOL00005.PMM", FolderFile("Inbox", "FOL00005"));

    Scan(source.Path());

    ExpectBlankFirstElement();
    EXPECT_THAT(TableDisplayNames(),
                ElementsAre("Beta", "Inbox", "Inbox 2", "Same", "Same", "alpha"));
    EXPECT_THAT(TableFileNames(), ElementsAre("FOL00002.PMM", "FOL00005.PMM", "FOL00004.PMM",
                                              "FOL00009.PMM", "fol00003.pmm", "FOL00001.PMM"));
    EXPECT_THAT(ListItems(IDC_SOURCE_LIST),
                ElementsAre("alpha", "Beta", "Inbox", "Inbox 2", "Same", "Same"));
}

// A name cut to 33 bytes would name another file or none, so the whole name is
// kept; names alike in their first 33 bytes are ordered by the rest.
TEST_F(ScanTest, LongFileNamesKeptWhole) {
    const std::string common = "Archive of the mailing list 1998, part ";
    for (const char* part : {"a", "B", "c", "D"}) {
        WriteBytes(source / (common + part + ".PMM"),
                   FolderFile("Mailing list", "632A9229:7633:FOL07633"));
    }

    Scan(source.Path());

    EXPECT_THAT(TableFileNames(), ElementsAre(common + "B.PMM", common + "D.PMM", common + "a.PMM",
                                              common + "c.PMM"));
    EXPECT_THAT(TableDisplayNames(), Each(std::string("Mailing list")));
}

// Another program holding the file open: the folder is still listed, with an
// empty line.
TEST_F(ScanTest, FileHeldOpenListedWithEmptyTexts) {
    WriteBytes(source / "FOL00001.PMM", FolderFile("Inbox", "FOL00001"));
    HeldOpen held(source / "FOL00001.PMM");

    Scan(source.Path());

    EXPECT_THAT(TableFileNames(), ElementsAre("FOL00001.PMM"));
    EXPECT_EQ(folderRecords[1].displayName, "");
    EXPECT_EQ(folderRecords[1].folderId, "");
    EXPECT_THAT(ListItems(IDC_SOURCE_LIST), ElementsAre(""));
}

class ScanWithoutFoldersTest : public ScanTest,
                               public ::testing::WithParamInterface<const char*> {};

// A new scan discards the previous table and its choices whatever it finds.
TEST_P(ScanWithoutFoldersTest, LeavesOnlyTheBlankElement) {
    WriteBytes(source / "FOL00001.PMM", FolderFile("Inbox", "FOL00001"));
    Scan(source.Path());
    ASSERT_EQ(folderRecords.size(), 2u);
    folderRecords[1].chosen = 1;

    MakeDirectory(source / "empty");
    Scan(source / GetParam());

    ASSERT_EQ(folderRecords.size(), 1u);
    ExpectBlankFirstElement();
    EXPECT_THAT(ListItems(IDC_SOURCE_LIST), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Directories, ScanWithoutFoldersTest,
                         ::testing::Values("empty", "missing"));

// A drive root keeps its backslash, so the pattern and the file paths get two in
// a row. The root of the system drive is the one a test can write to, and only
// where it may (a Wine prefix, an administrator on Windows).
TEST_F(ScanTest, DriveRoot) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string root = std::string(windows, 3); // "C:\"
    const std::string name = "TARNWICK-" + std::to_string(GetCurrentProcessId()) + ".PMM";
    const HANDLE probe =
        CreateFileA((root + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        GTEST_SKIP() << "cannot write to " << root << " (error " << GetLastError() << ")";
    }
    CloseHandle(probe);
    WriteBytes(root + name, FolderFile("At the root", "FOL00001"));

    Scan(root);
    DeleteFileA((root + name).c_str());

    const auto found = std::find_if(folderRecords.begin(), folderRecords.end(),
                                    [&](const FolderRecord& r) { return r.fileName == name; });
    ASSERT_NE(found, folderRecords.end());
    EXPECT_EQ(found->displayName, "At the root");
    EXPECT_EQ(found->folderId, "FOL00001");
}

} // namespace
