// Choosing the source and destination through the shell's folder browser and
// moving folders between the two lists, as a user's session seen from a separate
// process. One program per scenario; each step starts from what the one before
// left, as the user's next click would.
#include "Driver.h"
#include "Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

using e2e::TarnwickProcess;
using Lines = std::vector<std::string>;

// What the user sees of the two lists, top to bottom.
struct Lists {
    Lines left;  // "Unselected Mail Folders in Source"
    Lines right; // "Mail Folders to Restore"
};

bool operator==(const Lists& a, const Lists& b) {
    return a.left == b.left && a.right == b.right;
}

void PrintLines(const Lines& lines, std::ostream* out) {
    *out << "{";
    for (size_t i = 0; i < lines.size(); ++i) {
        *out << (i ? ", \"" : "\"") << lines[i] << "\"";
    }
    *out << "}";
}

void PrintTo(const Lists& lists, std::ostream* out) {
    *out << "left ";
    PrintLines(lists.left, out);
    *out << ", right ";
    PrintLines(lists.right, out);
}

// `lines` less the first line equal to each of `gone`.
Lines Without(Lines lines, const Lines& gone) {
    for (const std::string& text : gone) {
        const auto found = std::find(lines.begin(), lines.end(), text);
        if (found != lines.end()) {
            lines.erase(found);
        }
    }
    return lines;
}

// One .PMM/.PMI pair in a fixture directory.
struct Entry {
    std::string stem;
    std::string nameBytes; // the header's display name field as written
    DWORD attributes = 0;  // given to the .PMM file
    std::string extension = ".PMM";
};

bool Populate(const std::string& directory, const std::vector<Entry>& entries) {
    for (const Entry& entry : entries) {
        e2e::Folder folder{entry.stem,
                           entry.nameBytes,
                           "632A9229:7633:" + entry.stem,
                           {e2e::Message("sender@example.org", entry.stem, "Archived.")}};
        folder.messageExtension = entry.extension;
        if (!e2e::WriteFolder(directory, folder) ||
            (entry.attributes &&
             !fixtures::AddAttributes(directory + "\\" + entry.stem + entry.extension,
                                      entry.attributes))) {
            return false;
        }
    }
    return true;
}

class ListsScenario : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(program.Start()) << program.Error(); }

    void TearDown() override {
        // A failed step may leave a browser or a box open in front of the dialog.
        for (HWND browser : program.TopLevelDialogs("Browse for Folder")) {
            program.CancelBrowser(browser);
            e2e::WaitUntilGone(browser);
        }
        for (HWND box : program.TopLevelDialogs(kProgramTitle)) {
            e2e::DismissMessageBox(box);
            e2e::WaitUntilGone(box);
        }
        EXPECT_EQ(program.CloseAndWait(), 0u);
    }

    Lists Shown() const {
        return {program.ListItems(IDC_SOURCE_LIST), program.ListItems(IDC_RESTORE_LIST)};
    }

    // Clicks a button and waits until the program has handled the click.
    void Press(int button) const {
        program.Click(button);
        ASSERT_TRUE(program.Sync()) << "the program did not answer after a click on " << button;
    }

    // Selects the first line reading exactly `text` in a list, then clicks `button`.
    void Move(int list, const std::string& text, int button) const {
        const Lines lines = program.ListItems(list);
        const auto found = std::find(lines.begin(), lines.end(), text);
        ASSERT_NE(found, lines.end()) << "no line \"" << text << "\" in list " << list;
        ASSERT_TRUE(program.SelectListItem(list, static_cast<int>(found - lines.begin())));
        Press(button);
    }

    // Opens a browser with a Browse button, reads its instruction, cancels it and
    // waits until the program is back in its own loop.
    std::string CancelledBrowse(int button) const {
        program.Click(button);
        const HWND browser = program.WaitForBrowser();
        if (!browser) {
            ADD_FAILURE() << "no folder browser appeared";
            return {};
        }
        const std::string instruction = program.BrowserInstruction(browser);
        program.CancelBrowser(browser);
        EXPECT_TRUE(e2e::WaitUntilGone(browser));
        EXPECT_TRUE(program.Sync());
        return instruction;
    }

    TarnwickProcess program;
};

// The source folder seen through the list: only plain .PMM files, whatever their
// extension's case, with the display name read from each header.
TEST_F(ListsScenario, ChoosingTheSourceListsItsFoldersAndCancelAndTypingChangeNothing) {
    fixtures::TempDir archive("source");
    ASSERT_TRUE(Populate(archive.Path(), {{"FOLB0002", "Beta"},
                                          {"FOLA0001", "alpha"},
                                          {"FOLD0004", "Twin"},
                                          {"FOLD0005", "Twin"},
                                          {"FOLR0003", "Read-only", FILE_ATTRIBUTE_READONLY},
                                          {"main", "Lower-case extension", 0, ".pmm"},
                                          {"FOLE0006", std::string("\0Unseen", 7)},
                                          {"FOLH0007", "Hidden", FILE_ATTRIBUTE_HIDDEN},
                                          {"FOLS0008", "System", FILE_ATTRIBUTE_SYSTEM}}));
    archive.MakeSubdirectory("X.PMM");
    // The list box's own order, which ignores case: alpha above Beta.
    const Lines folders = {"",          "alpha", "Beta", "Lower-case extension",
                           "Read-only", "Twin",  "Twin"};

    ASSERT_TRUE(program.BrowseSource(archive.Path())) << program.Error();
    EXPECT_EQ(program.Text(IDC_SOURCE_PATH), archive.Path());
    EXPECT_EQ(Shown(), (Lists{folders, {}}));

    // Something chosen for Cancel and typing to keep.
    Move(IDC_SOURCE_LIST, "Beta", IDC_ADD_SELECTED);
    const Lists chosen{Without(folders, {"Beta"}), {"Beta"}};
    ASSERT_EQ(Shown(), chosen);

    EXPECT_EQ(CancelledBrowse(IDC_SOURCE_BROWSE), "Select Source directory");
    EXPECT_EQ(program.Text(IDC_SOURCE_PATH), archive.Path());
    EXPECT_EQ(Shown(), chosen);

    // A typed path is only text: no scan of the other directory's folder.
    fixtures::TempDir other("other");
    ASSERT_TRUE(Populate(other.Path(), {{"FOL00001", "Elsewhere"}}));
    ASSERT_TRUE(program.SetText(IDC_SOURCE_PATH, other.Path()));
    ASSERT_TRUE(program.Sync());
    EXPECT_EQ(Shown(), chosen);

    // The same source chosen again is scanned afresh: earlier choices are gone.
    ASSERT_TRUE(program.BrowseSource(archive.Path())) << program.Error();
    EXPECT_EQ(program.Text(IDC_SOURCE_PATH), archive.Path());
    EXPECT_EQ(Shown(), (Lists{folders, {}}));
}

// The destination field takes whatever the browser returns, an empty text too.
TEST_F(ListsScenario, ChoosingTheDestinationFillsItsFieldAndCancelEmptiesIt) {
    // A drive root is the one path the shell returns with a trailing backslash.
    ASSERT_TRUE(program.BrowseDestination("C:\\")) << program.Error();
    EXPECT_EQ(program.Text(IDC_DEST_PATH), "C:\\");

    EXPECT_EQ(CancelledBrowse(IDC_DEST_BROWSE), "Destination Directory");
    EXPECT_TRUE(
        e2e::WaitUntil([&] { return program.Text(IDC_DEST_PATH).empty(); }, e2e::kSendTimeout))
        << "the field still shows \"" << program.Text(IDC_DEST_PATH) << "\"";
    EXPECT_EQ(Shown(), (Lists{{}, {}}));
}

TEST_F(ListsScenario, FoldersMoveBetweenTheListsOnlyThroughTheFourButtons) {
    // Before any scan there is no table: every button leaves both lists empty.
    for (int button : {IDC_ADD_ALL, IDC_REMOVE_ALL, IDC_ADD_SELECTED, IDC_REMOVE_SELECTED}) {
        Press(button);
        EXPECT_EQ(Shown(), (Lists{{}, {}})) << "after button " << button;
    }

    fixtures::TempDir archive("moves");
    ASSERT_TRUE(Populate(archive.Path(), {{"FOL00001", "Apple"},
                                          {"FOL00002", "Beta"},
                                          {"FOL00003", "Cherry"},
                                          {"FOL00004", "Twin"},
                                          {"FOL00005", "Twin"},
                                          {"FOL00006", "Inbox"},
                                          {"FOL00007", "INBOX"},
                                          {"FOL00008", ""}}));
    ASSERT_TRUE(program.BrowseSource(archive.Path())) << program.Error();
    const Lines all = program.ListItems(IDC_SOURCE_LIST);
    // The two spellings of Inbox compare equal for the list box, so their order
    // is its own.
    ASSERT_EQ(all.size(), 8u);
    ASSERT_EQ(Lines(all.begin(), all.begin() + 4), (Lines{"", "Apple", "Beta", "Cherry"}));
    ASSERT_TRUE((all[4] == "Inbox" && all[5] == "INBOX") ||
                (all[4] == "INBOX" && all[5] == "Inbox"))
        << all[4] << ", " << all[5];
    ASSERT_EQ(Lines(all.begin() + 6, all.end()), (Lines{"Twin", "Twin"}));

    Press(IDC_ADD_SELECTED);
    Press(IDC_REMOVE_SELECTED);
    EXPECT_EQ(Shown(), (Lists{all, {}})) << "moved without a selection";

    // A move leaves nothing selected, so a second click moves nothing more.
    Move(IDC_SOURCE_LIST, "Beta", IDC_ADD_SELECTED);
    EXPECT_EQ(Shown(), (Lists{Without(all, {"Beta"}), {"Beta"}}));
    EXPECT_EQ(program.ListSelection(IDC_SOURCE_LIST), -1);
    EXPECT_EQ(program.ListSelection(IDC_RESTORE_LIST), -1);
    Press(IDC_ADD_SELECTED);
    EXPECT_EQ(Shown(), (Lists{Without(all, {"Beta"}), {"Beta"}}));

    Move(IDC_SOURCE_LIST, "Cherry", IDC_ADD_SELECTED);
    Move(IDC_RESTORE_LIST, "Beta", IDC_REMOVE_SELECTED);
    EXPECT_EQ(Shown(), (Lists{Without(all, {"Cherry"}), {"Cherry"}}));
    EXPECT_EQ(program.ListSelection(IDC_RESTORE_LIST), -1);

    // ">>" and "<<" rebuild both lists from the folders found: each folder once.
    Press(IDC_ADD_ALL);
    EXPECT_EQ(Shown(), (Lists{{}, all}));
    Move(IDC_RESTORE_LIST, "Apple", IDC_REMOVE_SELECTED);
    Press(IDC_REMOVE_ALL);
    EXPECT_EQ(Shown(), (Lists{all, {}}));

    // A header that starts with NUL shows an empty line, which only ">>" and "<<"
    // move.
    Move(IDC_SOURCE_LIST, "", IDC_ADD_SELECTED);
    EXPECT_EQ(Shown(), (Lists{all, {}}));
    Press(IDC_ADD_ALL);
    Move(IDC_RESTORE_LIST, "", IDC_REMOVE_SELECTED);
    EXPECT_EQ(Shown(), (Lists{{}, all}));
    Press(IDC_REMOVE_ALL);

    // Two lines with the same name move one at a time.
    Move(IDC_SOURCE_LIST, "Twin", IDC_ADD_SELECTED);
    EXPECT_EQ(Shown(), (Lists{Without(all, {"Twin"}), {"Twin"}}));
    Move(IDC_SOURCE_LIST, "Twin", IDC_ADD_SELECTED);
    EXPECT_EQ(Shown(), (Lists{Without(all, {"Twin", "Twin"}), {"Twin", "Twin"}}));
    Move(IDC_RESTORE_LIST, "Twin", IDC_REMOVE_SELECTED);
    EXPECT_EQ(Shown(), (Lists{Without(all, {"Twin"}), {"Twin"}}));
    Press(IDC_REMOVE_ALL);

    // Two spellings that the list box takes for equal: the selected line is the
    // one that moves, and the other stays where it was.
    ASSERT_TRUE(program.SelectListItem(IDC_SOURCE_LIST, 5));
    Press(IDC_ADD_SELECTED);
    EXPECT_EQ(Shown(), (Lists{Without(all, {all[5]}), {all[5]}}));
}

// The right list is what Restore works through.
TEST_F(ListsScenario, RestoreCopiesTheFoldersStandingInTheRightList) {
    fixtures::TempDir archive("chosen");
    ASSERT_TRUE(Populate(archive.Path(),
                         {{"FOL00001", "Apple"}, {"FOL00002", "Beta"}, {"FOL00003", "Cherry"}}));
    ASSERT_TRUE(program.BrowseSource(archive.Path())) << program.Error();
    Press(IDC_ADD_ALL);
    Move(IDC_RESTORE_LIST, "Beta", IDC_REMOVE_SELECTED);
    ASSERT_EQ(Shown(), (Lists{{"Beta"}, {"Apple", "Cherry"}}));

    fixtures::TempDir restored("restored");
    ASSERT_TRUE(program.SetText(IDC_DEST_PATH, restored.Path()));
    program.Click(IDC_RESTORE);
    const HWND box = program.WaitForMessageBox(kProgramTitle);
    ASSERT_TRUE(box) << "no completion box";
    EXPECT_EQ(e2e::MessageBoxText(box),
              "Mail files copied from " + archive.Path() + " to " + restored.Path());
    e2e::DismissMessageBox(box);
    ASSERT_TRUE(e2e::WaitUntilGone(box));

    EXPECT_EQ(fixtures::NamesIn(restored.Path()),
              (Lines{"BAK00001.PMI", "BAK00001.PMM", "BAK00003.PMI", "BAK00003.PMM"}));
    EXPECT_EQ(Shown(), (Lists{{"Beta"}, {"Apple", "Cherry"}}));
}

} // namespace
