#include "restore/RestorePlan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(DestinationText, IsMissingWhenEmptyOrStartingWithAControlCharacter) {
    for (const char* missing : {"", " ", "     ", "\t", "  \tZ:\\mail", "\x1F"}) {
        EXPECT_TRUE(DestinationTextIsMissing(missing)) << '"' << missing << '"';
    }
    for (const char* given : {"Z:\\mail", "  Z:\\mail  ", "!", "\xC4rchiv", "\x7F"}) {
        EXPECT_FALSE(DestinationTextIsMissing(given)) << '"' << given << '"';
    }
}

FolderRecord Chosen(const std::string& fileName, const std::string& folderId = "FOL00000") {
    return FolderRecord{"Name of " + fileName, fileName, folderId, 1};
}

TEST(RestorePlan, TakesChosenRecordsInTableOrder) {
    std::vector<FolderRecord> records = {FolderRecord{}, Chosen("FOL00002.PMM", "FOL00002"),
                                         FolderRecord{"Skip", "FOL00003.PMM", "X", 0},
                                         Chosen("FOL00001.PMM", "FOL00001")};
    const std::vector<PlannedFolder> plan = PlanRestore(records, "Z:\\archive", "Z:\\restored");
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].sourcePath, "Z:\\archive\\FOL00002.PMM");
    EXPECT_EQ(plan[0].destinationPath, "Z:\\restored\\BAK00002.PMM");
    EXPECT_EQ(plan[0].newFolderId, "BAK00002");
    EXPECT_EQ(plan[1].fileName, "FOL00001.PMM");
    EXPECT_TRUE(plan[0].refusal.empty());
}

TEST(RestorePlan, NeverLooksAtTheBlankElement) {
    std::vector<FolderRecord> records = {FolderRecord{"", "", "", 1}};
    EXPECT_TRUE(PlanRestore(records, "Z:\\a", "Z:\\b").empty());
    EXPECT_TRUE(PlanRestore({}, "Z:\\a", "Z:\\b").empty());
}

TEST(RestorePlan, JoinsNamesWithoutLookingAtTheLastCharacter) {
    const std::vector<PlannedFolder> plan =
        PlanRestore({FolderRecord{}, Chosen("FOL1.PMM")}, "Z:\\", "");
    EXPECT_EQ(plan[0].sourcePath, "Z:\\\\FOL1.PMM");
    EXPECT_EQ(plan[0].destinationPath, "\\BAK1.PMM");
}

TEST(RestorePlan, RefusesALaterFolderWithTheSameRestoredName) {
    const std::vector<PlannedFolder> plan =
        PlanRestore({FolderRecord{}, Chosen("ABC00001.PMM"), Chosen("XYZ00001.PMM"),
                     Chosen("xyz00001.pmm"), Chosen("ABC00002.PMM")},
                    "Z:\\a", "Z:\\b");
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_TRUE(plan[0].refusal.empty());
    EXPECT_EQ(plan[1].refusal, "same restored name as ABC00001.PMM");
    EXPECT_EQ(plan[2].refusal, "same restored name as ABC00001.PMM");
    EXPECT_TRUE(plan[3].refusal.empty());
}

TEST(RestorePlan, RefusesPathsTooLongForTheFileCallsInsteadOfCuttingThem) {
    const std::string deep = "Z:\\" + std::string(250, 'd');
    const std::vector<PlannedFolder> plan =
        PlanRestore({FolderRecord{}, Chosen("FOL00001.PMM")}, deep, "Z:\\b");
    EXPECT_FALSE(plan[0].refusal.empty());

    const std::string fits = "Z:\\" + std::string(kMaxPathLength - 3 - 13, 'd');
    EXPECT_TRUE(
        PlanRestore({FolderRecord{}, Chosen("FOL00001.PMM")}, fits, "Z:\\b")[0].refusal.empty());
    EXPECT_FALSE(
        PlanRestore({FolderRecord{}, Chosen("FOL00001.PMM")}, "Z:\\a", deep)[0].refusal.empty());
}

TEST(CompletionText, ReportsSuccessWithBothTextsAsTheyStand) {
    EXPECT_EQ(CompletionText(" Z:\\a ", "Z:\\b", {}), "Mail files copied from  Z:\\a  to Z:\\b");
}

TEST(CompletionText, ListsEveryFailureOnALineOfItsOwn) {
    EXPECT_EQ(CompletionText("Z:\\a", "Z:\\b",
                             {{"FOL1.PMI", "File not found."}, {"XYZ1.PMM", "same restored name"}}),
              "Not all mail files were copied from Z:\\a to Z:\\b\r\n"
              "FOL1.PMI: File not found.\r\n"
              "XYZ1.PMM: same restored name");
}

TEST(Path, ExtensionMatchesWholeAndWithoutRegardToCase) {
    EXPECT_TRUE(HasExtension("FOL12345.PMM", ".PMM"));
    EXPECT_TRUE(HasExtension("main.pmm", ".PMM"));
    EXPECT_FALSE(HasExtension("FOL12345.PMMX", ".PMM"));
    EXPECT_FALSE(HasExtension("PMM", ".PMM"));
}

} // namespace
