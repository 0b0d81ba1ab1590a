#include "lists/FolderRecord.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

FolderRecord Record(const std::string& displayName, const std::string& fileName,
                    const std::string& folderId = "", std::uint8_t chosen = 0) {
    return FolderRecord{displayName, fileName, folderId, chosen, {}};
}

// The file names of the folders after sorting a table made of the blank element
// and the given records.
std::vector<std::string> FileNamesInOrder(std::vector<FolderRecord> records) {
    records.insert(records.begin(), FolderRecord{});
    SortFolderRecords(records);
    std::vector<std::string> names;
    for (std::size_t i = 1; i < records.size(); ++i) {
        names.push_back(records[i].fileName);
    }
    return names;
}

using Names = std::vector<std::string>;

TEST(TableOrder, PutsUpperCaseBeforeLowerCaseAndPrefixesFirst) {
    EXPECT_EQ(FileNamesInOrder({Record("alpha", "A.PMM"), Record("Beta", "B.PMM"),
                                Record("Bet", "C.PMM"), Record("", "D.PMM")}),
              (Names{"D.PMM", "C.PMM", "B.PMM", "A.PMM"}));
}

TEST(TableOrder, ComparesBytesAsUnsigned) {
    EXPECT_EQ(FileNamesInOrder({Record("\xE9t\xE9", "A.PMM"), Record("zoo", "B.PMM")}),
              (Names{"B.PMM", "A.PMM"}));
}

TEST(TableOrder, ThenFileNameAsASpaceFilledField) {
    // Filled with spaces, "AB" sorts after a name that goes on with a byte
    // below the space, and before one that goes on with a byte above it.
    EXPECT_EQ(FileNamesInOrder({Record("Same", "AB"), Record("Same", "AB!"),
                                Record("Same", std::string("AB\x1F"))}),
              (Names{std::string("AB\x1F"), "AB", "AB!"}));
}

TEST(TableOrder, LongFileNamesCompareByTheirWholeText) {
    const std::string common(33, 'F');
    EXPECT_EQ(FileNamesInOrder({Record("Same", common + "Z.PMM"), Record("Same", common + "A.PMM"),
                                Record("Same", common)}),
              (Names{common, common + "A.PMM", common + "Z.PMM"}));
}

TEST(TableOrder, ThenFolderIdThenChosen) {
    std::vector<FolderRecord> records = {FolderRecord{}, Record("Same", "F.PMM", "ID2", 0),
                                         Record("Same", "F.PMM", "ID1", 1),
                                         Record("Same", "F.PMM", "ID1", 0)};
    SortFolderRecords(records);
    EXPECT_EQ(records[1].folderId, "ID1");
    EXPECT_EQ(records[1].chosen, 0);
    EXPECT_EQ(records[2].chosen, 1);
    EXPECT_EQ(records[3].folderId, "ID2");
}

TEST(TableOrder, KeepsTheBlankElementFirst) {
    std::vector<FolderRecord> records = {FolderRecord{}, Record("", "!.PMM"),
                                         Record("", std::string("\x01.PMM"))};
    SortFolderRecords(records);
    EXPECT_EQ(records[0].fileName, "");
}

TEST(FolderTable, UpperBoundIsMinusOneBeforeAnyScan) {
    EXPECT_EQ(UpperBound({}), -1);
    EXPECT_EQ(UpperBound({FolderRecord{}}), 0);
    EXPECT_EQ(UpperBound({FolderRecord{}, Record("Inbox", "FOL1.PMM")}), 1);
}

// Lines of one text stand for the records of that text one each: ">" takes the
// first not yet chosen, "<" the first chosen, and letter case must match exactly.
TEST(FolderTable, FindsTheRecordALineOfThatTextStandsFor) {
    std::vector<FolderRecord> records = {FolderRecord{}, Record("Inbox", "A.PMM"),
                                         Record("inbox", "B.PMM"), Record("Inbox", "C.PMM")};
    for (FolderRecord& record : records) {
        record.listText = std::wstring(record.displayName.begin(), record.displayName.end());
    }
    FolderRecord* first = FindRecordToMove(records, L"Inbox", 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->fileName, "A.PMM");
    first->chosen = 1;
    FolderRecord* second = FindRecordToMove(records, L"Inbox", 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->fileName, "C.PMM");
    second->chosen = 1;
    EXPECT_EQ(FindRecordToMove(records, L"Inbox", 1), nullptr);
    EXPECT_EQ(FindRecordToMove(records, L"Inbox", 0), first);
    EXPECT_EQ(FindRecordToMove(records, L"INBOX", 1), nullptr);
    EXPECT_EQ(FindRecordToMove(records, L"Inbo", 1), nullptr);
}

} // namespace
