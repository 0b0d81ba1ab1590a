#include "restore/RestoreNames.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct NameCase {
    const char* fileName;
    const char* restoredName;
};

std::ostream& operator<<(std::ostream& out, const NameCase& c) {
    return out << c.fileName;
}

class RestoredName : public testing::TestWithParam<NameCase> {};

TEST_P(RestoredName, ReplacesTheFirstThreeCharacters) {
    EXPECT_EQ(MakeRestoredName(GetParam().fileName), GetParam().restoredName);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RestoredName,
    testing::Values(NameCase{"FOL12345.PMM", "BAK12345.PMM"},
                    NameCase{"ARCHIVE1.PMM", "BAKHIVE1.PMM"},
                    NameCase{"BAK12345.PMM", "BAK12345.PMM"},
                    NameCase{"fol002e8.pmm", "BAK002e8.pmm"}, NameCase{"main.pmm", "BAKn.pmm"},
                    // A stem shorter than three keeps its extension instead of losing it.
                    NameCase{"AB.PMM", "BAK.PMM"}, NameCase{"A.PMM", "BAK.PMM"},
                    NameCase{".PMM", "BAK.PMM"}, NameCase{"ABC.PMM", "BAK.PMM"},
                    NameCase{"A.B.PMM", "BAK.PMM"},
                    // Names are never cut, however long.
                    NameCase{"FOLDER_WITH_A_RATHER_LONG_NAME_2001.PMM",
                             "BAKDER_WITH_A_RATHER_LONG_NAME_2001.PMM"}));

struct IdCase {
    const char* fileName;
    const char* folderId;
    const char* newFolderId;
};

std::ostream& operator<<(std::ostream& out, const IdCase& c) {
    return out << c.fileName << " " << c.folderId;
}

class NewFolderId : public testing::TestWithParam<IdCase> {};

TEST_P(NewFolderId, IsDerivedFromTheOldOne) {
    EXPECT_EQ(MakeNewFolderId(GetParam().folderId, GetParam().fileName), GetParam().newFolderId);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, NewFolderId,
    testing::Values(IdCase{"FOL12345.PMM", "FOL12345", "BAK12345"},
                    IdCase{"FOL12345.PMM", "XYZ00001", "BAZ00001"},
                    IdCase{"fol12345.pmm", "FOL12345", "BAL12345"},
                    IdCase{"BAK12345.PMM", "BAK12345", "BAK12345"},
                    IdCase{"FOL12345.PMM", "", "BA"}, IdCase{"FOL12345.PMM", "F", "BA"},
                    IdCase{"FOL12345.PMM", "FO", "BA"},
                    // The forms real folders carry.
                    IdCase{"FOL07633.PMM", "632A9229:7633:FOL07633", "BA2A9229:7633:BAK07633"},
                    IdCase{"main.pmm", "632A9229:7633:FOL07633", "BA2A9229:7633:FOL07633"},
                    IdCase{"FOL01C13.PMM", "2984424:1C13:FOL01C13", "BA84424:1C13:BAK01C13"},
                    IdCase{"UNX0391B.PMM", "GTCNHPSY:0385:UNX0391B", "BACNHPSY:0385:BAK0391B"},
                    // Every occurrence, left to right, without overlaps, in two passes.
                    IdCase{"FOLX.PMM", "FOLFOLFOL", "BAKBAKBAK"},
                    IdCase{"AAAB.PMM", "AAAAA", "BAKAA"}, IdCase{"KBA.PMM", "KBAKBA", "BABAKK"}));

TEST(NewFolderId, KeepsTheLengthOfTheOldId) {
    const std::string oldId(42, 'F');
    EXPECT_EQ(MakeNewFolderId(oldId, "FFF.PMM").size(), 42u);
}

TEST(IndexPath, ReplacesTheLastCharacterWithI) {
    EXPECT_EQ(IndexPathOf("Z:\\archive\\FOL12345.PMM"), "Z:\\archive\\FOL12345.PMI");
    EXPECT_EQ(IndexPathOf("C:\\\\fol12345.pmm"), "C:\\\\fol12345.pmI");
    EXPECT_EQ(IndexPathOf("BAK.PMM"), "BAK.PMI");
}

} // namespace
