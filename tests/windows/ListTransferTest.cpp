#include "Fixtures.h"

#include "common/ControlIds.h"
#include "app/ControlTable.h"
#include "lists/FolderRecord.h"
#include "lists/ListBox.h"
#include "lists/ListTransfer.h"

#include <gmock/gmock.h>

using namespace fixtures;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

namespace {

class ListTransferTest : public WithMainWindow {
  protected:
    // The state a scan leaves: the table holds folders with these display names
    // in this (table) order, and the left list shows them all.
    static void Load(const std::vector<std::string>& displayNames) {
        folderRecords.assign(1, FolderRecord{});
        for (const std::string& name : displayNames) {
            FolderRecord record;
            record.displayName = name;
            record.fileName = "FOL0000" + std::to_string(folderRecords.size()) + ".PMM";
            // As the scan does: the name is read back as the list box holds it.
            const HWND list = GetDlgItem(hMainDlg, IDC_SOURCE_LIST);
            record.listText = ListTextAt(list, ListAddString(list, name));
            folderRecords.push_back(record);
        }
    }

    // chosen of records 1 to the upper bound.
    static std::vector<int> Chosen() {
        std::vector<int> chosen;
        for (std::size_t i = 1; i < folderRecords.size(); ++i) {
            chosen.push_back(folderRecords[i].chosen);
        }
        return chosen;
    }

    static void Press(Handler handler, int buttonId) {
        EXPECT_EQ(handler(hMainDlg, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0), 0);
    }
    static void AddSelected() { Press(OnAddSelected, IDC_ADD_SELECTED); }
    static void RemoveSelected() { Press(OnRemoveSelected, IDC_REMOVE_SELECTED); }
    static void AddAll() { Press(OnAddAll, IDC_ADD_ALL); }
    static void RemoveAll() { Press(OnRemoveAll, IDC_REMOVE_ALL); }

    static std::vector<std::string> Left() { return ListItems(IDC_SOURCE_LIST); }
    static std::vector<std::string> Right() { return ListItems(IDC_RESTORE_LIST); }
};

TEST_F(ListTransferTest, MovesTheSelectedEntryBothWays) {
    Load({"Beta", "Inbox", "alpha"});

    SelectListItem(IDC_SOURCE_LIST, "Inbox");
    AddSelected();
    EXPECT_THAT(Left(), ElementsAre("alpha", "Beta"));
    EXPECT_THAT(Right(), ElementsAre("Inbox"));
    EXPECT_THAT(Chosen(), ElementsAre(0, 1, 0));

    // The only entry of the right list: found and deleted whatever the start index.
    SelectListItem(IDC_RESTORE_LIST, "Inbox");
    RemoveSelected();
    EXPECT_THAT(Left(), ElementsAre("alpha", "Beta", "Inbox"));
    EXPECT_THAT(Right(), IsEmpty());
    EXPECT_THAT(Chosen(), ElementsAre(0, 0, 0));
}

// The moved entry was deleted, so a second press without a new selection finds
// nothing selected.
TEST_F(ListTransferTest, NothingSelectedChangesNothing) {
    Load({"Beta", "Inbox", "alpha"});
    SelectListItem(IDC_SOURCE_LIST, "Inbox");
    AddSelected();

    AddSelected();
    RemoveSelected();

    EXPECT_THAT(Left(), ElementsAre("alpha", "Beta"));
    EXPECT_THAT(Right(), ElementsAre("Inbox"));
    EXPECT_THAT(Chosen(), ElementsAre(0, 1, 0));
}

// Lines of the same name stand for their records one each, so the restored set
// is always what the right list shows.
TEST_F(ListTransferTest, DuplicateNamesMoveOneRecordPerLine) {
    Load({"Inbox", "Inbox", "Sent"});

    SelectListItem(IDC_SOURCE_LIST, "Inbox");
    AddSelected();
    EXPECT_THAT(Chosen(), ElementsAre(1, 0, 0));
    SelectListItem(IDC_SOURCE_LIST, "Inbox");
    AddSelected();
    EXPECT_THAT(Left(), ElementsAre("Sent"));
    EXPECT_THAT(Right(), ElementsAre("Inbox", "Inbox"));
    EXPECT_THAT(Chosen(), ElementsAre(1, 1, 0));

    SelectListItem(IDC_RESTORE_LIST, "Inbox");
    RemoveSelected();
    EXPECT_THAT(Right(), ElementsAre("Inbox"));
    EXPECT_THAT(Chosen(), ElementsAre(0, 1, 0));

    AddAll();
    EXPECT_THAT(Chosen(), ElementsAre(1, 1, 1));
    RemoveAll();
    EXPECT_THAT(Chosen(), ElementsAre(0, 0, 0));
}

// The selected line moves, not another that the list box finds equal without
// regard to case; the flag goes to the record of exactly that text.
TEST_F(ListTransferTest, NamesDifferingInCaseMoveTheSelectedLine) {
    Load({"INBOX", "Inbox"});

    SelectListItem(IDC_SOURCE_LIST, "Inbox");
    AddSelected();
    EXPECT_THAT(Left(), ElementsAre("INBOX"));
    EXPECT_THAT(Right(), ElementsAre("Inbox"));
    EXPECT_THAT(Chosen(), ElementsAre(0, 1));

    SelectListItem(IDC_RESTORE_LIST, "Inbox");
    RemoveSelected();
    EXPECT_THAT(Left(), SizeIs(2));
    EXPECT_THAT(Right(), IsEmpty());
    EXPECT_THAT(Chosen(), ElementsAre(0, 0));
}

// Bytes at or above 0x80 come back from the list box as the code page makes
// them; a moved line still finds its record.
TEST_F(ListTransferTest, NamesBeyondAsciiKeepTheirRecords) {
    Load({"Caf\xE9", "Entw\xFCrfe", std::string(31, 'x') + "\x82"});

    for (const std::string& name : Left()) {
        SelectListItem(IDC_SOURCE_LIST, name);
        AddSelected();
    }
    EXPECT_THAT(Left(), IsEmpty());
    EXPECT_THAT(Chosen(), ElementsAre(1, 1, 1));
    SelectListItem(IDC_RESTORE_LIST, Right()[0]);
    RemoveSelected();
    EXPECT_THAT(Right(), SizeIs(2));
    EXPECT_EQ(Chosen()[0] + Chosen()[1] + Chosen()[2], 2);
}

// A folder whose header could not be read shows an empty line, which ">" and "<"
// cannot move.
TEST_F(ListTransferTest, EmptyNamesMoveOnlyWithAllButtons) {
    Load({"", "Inbox"});

    SelectListItem(IDC_SOURCE_LIST, "");
    AddSelected();
    EXPECT_THAT(Left(), ElementsAre("", "Inbox"));
    EXPECT_THAT(Right(), IsEmpty());
    EXPECT_THAT(Chosen(), ElementsAre(0, 0));

    AddAll();
    EXPECT_THAT(Left(), IsEmpty());
    EXPECT_THAT(Right(), ElementsAre("", "Inbox"));
    EXPECT_THAT(Chosen(), ElementsAre(1, 1));

    SelectListItem(IDC_RESTORE_LIST, "");
    RemoveSelected();
    EXPECT_THAT(Right(), ElementsAre("", "Inbox"));
    EXPECT_THAT(Chosen(), ElementsAre(1, 1));

    RemoveAll();
    EXPECT_THAT(Left(), ElementsAre("", "Inbox"));
    EXPECT_THAT(Right(), IsEmpty());
    EXPECT_THAT(Chosen(), ElementsAre(0, 0));
}

// ">>" and "<<" rebuild both lists from the table, whatever was moved before.
TEST_F(ListTransferTest, AllButtonsAfterSomeMoved) {
    Load({"Beta", "Inbox", "alpha"});
    SelectListItem(IDC_SOURCE_LIST, "Inbox");
    AddSelected();

    AddAll();
    EXPECT_THAT(Left(), IsEmpty());
    EXPECT_THAT(Right(), ElementsAre("alpha", "Beta", "Inbox"));
    EXPECT_THAT(Chosen(), ElementsAre(1, 1, 1));

    SelectListItem(IDC_RESTORE_LIST, "Beta");
    RemoveSelected();
    RemoveAll();
    EXPECT_THAT(Left(), ElementsAre("alpha", "Beta", "Inbox"));
    EXPECT_THAT(Right(), IsEmpty());
    EXPECT_THAT(Chosen(), ElementsAre(0, 0, 0));
}

// Never scanned (no table at all) or scanned without finding a folder (only the
// blank element): both lists are emptied and the blank element never shows.
TEST_F(ListTransferTest, AllButtonsWithoutFolders) {
    for (const bool scanned : {false, true}) {
        SCOPED_TRACE(scanned ? "scanned, nothing found" : "never scanned");
        folderRecords.clear();
        if (scanned) {
            Load({});
        }
        for (const Handler handler : {OnAddAll, OnRemoveAll}) {
            AddListItem(IDC_SOURCE_LIST, "stale");
            AddListItem(IDC_RESTORE_LIST, "stale");
            Press(handler, 0);
            EXPECT_THAT(Left(), IsEmpty());
            EXPECT_THAT(Right(), IsEmpty());
            EXPECT_EQ(folderRecords.size(), scanned ? 1u : 0u);
        }
    }
}

} // namespace
