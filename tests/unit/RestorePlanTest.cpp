#include "restore/Replacement.h"
#include "restore/Report.h"
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
    return FolderRecord{"Name of " + fileName, fileName, folderId, 1, {}};
}

TEST(RestorePlan, TakesChosenRecordsInTableOrder) {
    std::vector<FolderRecord> records = {FolderRecord{}, Chosen("FOL00002.PMM", "FOL00002"),
                                         FolderRecord{"Skip", "FOL00003.PMM", "X", 0, {}},
                                         Chosen("FOL00001.PMM", "FOL00001")};
    const std::vector<PlannedFolder> plan =
        PlanRestore(records, "Z:\\archive", "Z:\\restored").folders;
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].message.sourcePath, "Z:\\archive\\FOL00002.PMM");
    EXPECT_EQ(plan[0].message.name, "BAK00002.PMM");
    EXPECT_EQ(plan[0].index.sourcePath, "Z:\\archive\\FOL00002.PMI");
    EXPECT_EQ(plan[0].index.name, "BAK00002.PMI");
    EXPECT_EQ(plan[0].newFolderId, "BAK00002");
    EXPECT_EQ(plan[1].fileName, "FOL00001.PMM");
    EXPECT_TRUE(plan[0].refusal.empty());
}

TEST(RestorePlan, NeverLooksAtTheBlankElement) {
    std::vector<FolderRecord> records = {FolderRecord{"", "", "", 1, {}}};
    EXPECT_TRUE(PlanRestore(records, "Z:\\a", "Z:\\b").folders.empty());
    EXPECT_TRUE(PlanRestore({}, "Z:\\a", "Z:\\b").folders.empty());
}

TEST(RestorePlan, JoinsNamesWithoutLookingAtTheLastCharacter) {
    const std::vector<PlannedFolder> plan =
        PlanRestore({FolderRecord{}, Chosen("FOL1.PMM")}, "Z:\\", "").folders;
    EXPECT_EQ(plan[0].message.sourcePath, "Z:\\\\FOL1.PMM");
    EXPECT_EQ(PlaceOf("", plan[0].message.name, kUnfinishedSuffix),
              "\\.tarnwick-tmp\\BAK1.PMM.tarnwick-tmp");
}

TEST(RestorePlan, RefusesALaterFolderWithTheSameRestoredName) {
    const std::vector<PlannedFolder> plan =
        PlanRestore({FolderRecord{}, Chosen("ABC00001.PMM"), Chosen("XYZ00001.PMM"),
                     Chosen("xyz00001.pmm"), Chosen("ABC00002.PMM")},
                    "Z:\\a", "Z:\\b")
            .folders;
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_TRUE(plan[0].refusal.empty());
    EXPECT_EQ(plan[1].refusal, "same restored name as ABC00001.PMM");
    EXPECT_EQ(plan[2].refusal, "same restored name as ABC00001.PMM");
    EXPECT_TRUE(plan[3].refusal.empty());
}

TEST(RestorePlan, RefusesPathsTooLongForTheFileCallsInsteadOfCuttingThem) {
    const std::string deep = "Z:\\" + std::string(250, 'd');
    const std::vector<PlannedFolder> plan =
        PlanRestore({FolderRecord{}, Chosen("FOL00001.PMM")}, deep, "Z:\\b").folders;
    EXPECT_FALSE(plan[0].refusal.empty());

    const std::string fits = "Z:\\" + std::string(kMaxPathLength - 3 - 13, 'd');
    EXPECT_TRUE(PlanRestore({FolderRecord{}, Chosen("FOL00001.PMM")}, fits, "Z:\\b")
                    .folders[0]
                    .refusal.empty());
    EXPECT_FALSE(PlanRestore({FolderRecord{}, Chosen("FOL00001.PMM")}, "Z:\\a", deep)
                     .folders[0]
                     .refusal.empty());
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

// The box must fit on the screen: twenty lines of failures, then a count.
TEST(CompletionText, CountsTheFailuresBeyondTwenty) {
    std::vector<RestoreFailure> failures;
    for (int i = 1; i <= 23; ++i) {
        failures.push_back({"FOL" + std::to_string(i) + ".PMM", "Disk full."});
    }
    const std::string text = CompletionText("Z:\\a", "Z:\\b", failures);
    EXPECT_NE(text.find("\r\nFOL20.PMM: Disk full.\r\nand 3 more"), std::string::npos) << text;
    EXPECT_EQ(text.find("FOL21.PMM"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 10), "and 3 more");

    failures.resize(20);
    EXPECT_EQ(CompletionText("Z:\\a", "Z:\\b", failures).find("more"), std::string::npos);
}

// What the destination already holds under a restored name decides: a plain file
// is replaced and its exact name kept for the put-back, a read-only, hidden or
// directory entry keeps the folder out, and so does a name still taken in the
// directory for unfinished copies. New-mail files likewise.
TEST(RestorePlan, WhatStandsUnderTheNames) {
    const std::vector<FolderRecord> records = {FolderRecord{},         Chosen("FOL00001.PMM"),
                                               Chosen("FOL00002.PMM"), Chosen("FOL00003.PMM"),
                                               Chosen("FOL00004.PMM"), Chosen("FOL00005.PMM"),
                                               Chosen("FOL00006.PMM")};
    FoundNames found;
    found.existing = {{"BAK00002.PMM", {"bak00002.pmm", ExistingFile::Plain}},
                      {"BAK00002.PMI", {"Bak00002.Pmi", ExistingFile::Plain}},
                      {"BAK00003.PMM", {"BAK00003.PMM", ExistingFile::ReadOnly}},
                      {"BAK00004.PMI", {"BAK00004.PMI", ExistingFile::Hidden}},
                      {"BAK00005.PMI", {"BAK00005.PMI", ExistingFile::Directory}},
                      {"HIDDEN.CNM", {"HIDDEN.CNM", ExistingFile::Hidden}}};
    found.taken = {"BAK00006.PMI.TARNWICK-PREV", "TAKEN.CNM.TARNWICK-TMP"};
    found.newMail = {{"PLAIN.CNM"}, {"HIDDEN.CNM"}, {"TAKEN.CNM"}, {"NOTMAIL.TXT"}};
    const RestorePlan plan = PlanRestore(records, "Z:\\a", "Z:\\b", found);
    ASSERT_EQ(plan.folders.size(), 6u);
    EXPECT_EQ(plan.folders[0].refusal, "");
    EXPECT_EQ(plan.folders[0].message.earlierName, "");
    EXPECT_EQ(plan.folders[1].refusal, "");
    EXPECT_EQ(plan.folders[1].message.earlierName, "bak00002.pmm");
    EXPECT_EQ(plan.folders[1].index.earlierName, "Bak00002.Pmi");
    EXPECT_EQ(plan.folders[2].refusal,
              "BAK00003.PMM in the destination is read-only and was not replaced, so this "
              "folder was not restored");
    EXPECT_NE(plan.folders[3].refusal.find("BAK00004.PMI in the destination is hidden"),
              std::string::npos);
    EXPECT_NE(plan.folders[4].refusal.find("directory named BAK00005.PMI"), std::string::npos);
    EXPECT_EQ(plan.folders[5].refusal,
              "BAK00006.PMI.tarnwick-prev in .tarnwick-tmp is left from an earlier restore and "
              "could not be cleared away, so this folder was not restored");

    ASSERT_EQ(plan.newMail.size(), 3u);
    EXPECT_EQ(plan.newMail[0].sourcePath, "Z:\\a\\PLAIN.CNM");
    EXPECT_EQ(plan.newMail[0].refusal, "");
    EXPECT_EQ(plan.newMail[1].refusal,
              "HIDDEN.CNM in the destination is hidden and was not replaced");
    EXPECT_NE(plan.newMail[2].refusal.find("TAKEN.CNM.tarnwick-tmp in .tarnwick-tmp"),
              std::string::npos);
}

// A restored name is looked up whole: in code page 932 the second byte of a
// character can be a backslash, which must not cut the name short.
TEST(RestorePlan, EarlierCopyWhoseNameHasABackslashByte) {
    const std::string table = "\x95\x5C"; // one character in Shift-JIS
    FoundNames found;
    found.existing = {{"BAK" + table + "1.PMM", {"BAK" + table + "1.PMM", ExistingFile::Hidden}}};
    const std::vector<PlannedFolder> plan =
        PlanRestore({FolderRecord{}, Chosen("FOL" + table + "1.PMM")}, "Z:\\a", "Z:\\b", found)
            .folders;
    EXPECT_EQ(plan.at(0).refusal, "BAK" + table +
                                      "1.PMM in the destination is hidden and was not "
                                      "replaced, so this folder was not restored");
}

TEST(DestinationText, LastPartEndingInASpaceOrADot) {
    for (const std::string text :
         {"Z:\\mail ", "Z:\\mail.", "Z:\\mail .\\", "Z:\\a\\mail..", "mail "}) {
        EXPECT_TRUE(LastPartEndsInSpaceOrDot(text)) << '"' << text << '"';
    }
    for (const std::string text : {"Z:\\mail", "Z:\\mail\\", "Z:\\mail\\.", "Z:\\a\\..",
                                   "Z:\\a .b\\mail", "Z:\\", "Z:", ""}) {
        EXPECT_FALSE(LastPartEndsInSpaceOrDot(text)) << '"' << text << '"';
    }
    // In UTF-16 a character whose code-page form ends in a backslash byte is no
    // separator.
    EXPECT_TRUE(LastPartEndsInSpaceOrDot(std::u16string(u"Z:\\\u8868 ")));
}

// Volumes that cannot tell files apart by index report it as all zeros or ones.
TEST(Path, FileIndexOfAllZerosOrAllOnesIsUnknown) {
    EXPECT_FALSE(IsKnownFileIndex(0));
    EXPECT_FALSE(IsKnownFileIndex(0xFFFFFFFFFFFFFFFFULL));
    EXPECT_TRUE(IsKnownFileIndex(0x0001000000000005ULL));
    EXPECT_TRUE(IsKnownFileIndex(0xFFFFFFFFULL));
}

// The files in the directory for unfinished copies never look like the mail
// client's files; names compare by the key the caller gives, the file system's.
TEST(RestorePlan, PlacesAndTheFileSystemsKey) {
    const std::vector<PlannedFolder> plan = PlanRestore({FolderRecord{},
                                                         Chosen("ABC\xE9"
                                                                "001.PMM"),
                                                         Chosen("XYZ\xC9"
                                                                "001.pmm")},
                                                        "Z:\\a", "Z:\\b", {},
                                                        [](const std::string& name) {
                                                            std::string key = AsciiNameKey(name);
                                                            for (char& c : key) {
                                                                c = c == '\xE9' ? '\xC9' : c;
                                                            }
                                                            return key;
                                                        })
                                                .folders;
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(PlaceOf("Z:\\b", plan[0].message.name, kUnfinishedSuffix),
              "Z:\\b\\.tarnwick-tmp\\BAK\xE9"
              "001.PMM.tarnwick-tmp");
    for (const char* suffix :
         {kUnfinishedSuffix, kPairMarkSuffix, kAloneMarkSuffix, kAsideSuffix, kDiscardedSuffix}) {
        for (const char* extension : {".PMM", ".PMI", ".CNM"}) {
            EXPECT_FALSE(HasExtension(plan[0].index.name + suffix, extension)) << suffix;
        }
    }
    EXPECT_EQ(plan[1].refusal, "same restored name as ABC\xE9"
                               "001.PMM");
}

TEST(Path, ExtensionMatchesWholeAndWithoutRegardToCase) {
    EXPECT_TRUE(HasExtension("FOL12345.PMM", ".PMM"));
    EXPECT_TRUE(HasExtension("main.pmm", ".PMM"));
    EXPECT_FALSE(HasExtension("FOL12345.PMMX", ".PMM"));
    EXPECT_FALSE(HasExtension("PMM", ".PMM"));
}

} // namespace
