// An archive of a few thousand folders moved back and forth with ">>" and "<<",
// a folder or two moved on its own between them, then restored: both lists and
// the restored files must come out exactly right, whatever the program does to
// fill its lists quickly.
#include "Driver.h"
#include "Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

using e2e::TarnwickProcess;
using Lines = std::vector<std::string>;

constexpr int kFolders = 2000;
// Bounds for the whole-list actions, far above what they take.
constexpr DWORD kBulkTimeout = 240000;

// The folders and their display names. Most names stand twice, some differ only
// in letter case; the "Moved" ones are unique and are the ones moved singly.
std::map<std::string, std::string> MakeFolders() {
    static const char* const kTopics[] = {"Clients", "Invoices", "Family", "Travel",
                                          "Orders",  "Receipts", "Club",   "Projects"};
    std::map<std::string, std::string> names; // stem -> display name
    for (int i = 0; i < kFolders; ++i) {
        char stem[16] = {};
        std::snprintf(stem, sizeof stem, "FOL%05X", 0x100 + i);
        std::string name;
        if (i < 4) {
            name = "Moved " + std::to_string(i + 1);
        } else {
            const int pair = i % (kFolders / 2);
            name = std::string(kTopics[pair % 8]) + " " + std::to_string(pair);
            if (i >= kFolders / 2 && pair % 50 == 7) {
                std::transform(name.begin(), name.end(), name.begin(),
                               [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            }
        }
        names[stem] = name;
    }
    return names;
}

Lines Sorted(Lines lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// `all` less one line equal to each of `gone`, sorted.
Lines Without(Lines all, const Lines& gone) {
    for (const std::string& text : gone) {
        const auto found = std::find(all.begin(), all.end(), text);
        if (found != all.end()) {
            all.erase(found);
        }
    }
    return Sorted(all);
}

// What one sorted list has that the other lacks, a few lines of each: thousands
// of lines printed whole would hide the difference.
std::string Difference(const Lines& actual, const Lines& expected) {
    Lines extra, missing;
    std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra));
    std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(),
                        std::back_inserter(missing));
    std::string text =
        std::to_string(actual.size()) + " lines, expected " + std::to_string(expected.size()) + ";";
    for (const auto& [label, lines] :
         {std::make_pair(" extra:", &extra), std::make_pair(" missing:", &missing)}) {
        text += label;
        for (std::size_t i = 0; i < lines->size() && i < 5; ++i) {
            text += " \"" + (*lines)[i] + "\"";
        }
        text += lines->size() > 5 ? " ..." : "";
    }
    return text;
}

void ExpectSame(const Lines& actual, const Lines& expected, const std::string& what) {
    EXPECT_TRUE(actual == expected) << what << ": " << Difference(actual, expected);
}

class ScaleScenario : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(program.Start()) << program.Error(); }

    void TearDown() override {
        for (HWND box : program.TopLevelDialogs(kProgramTitle)) {
            e2e::DismissMessageBox(box);
            e2e::WaitUntilGone(box);
        }
        EXPECT_EQ(program.CloseAndWait(), 0u);
    }

    // Line counts of both lists; -1 while the program is busy.
    std::pair<int, int> Counts() const {
        const auto count = [this](int id) {
            DWORD_PTR lines = 0;
            return SendMessageTimeoutW(program.Control(id), LB_GETCOUNT, 0, 0, SMTO_NORMAL,
                                       e2e::kSendTimeout, &lines)
                       ? static_cast<int>(lines)
                       : -1;
        };
        return {count(IDC_SOURCE_LIST), count(IDC_RESTORE_LIST)};
    }

    // Clicks ">>" or "<<" and waits until every folder stands in one list.
    void MoveAll(int button) const {
        const std::pair<int, int> expected =
            button == IDC_ADD_ALL ? std::make_pair(0, kFolders) : std::make_pair(kFolders, 0);
        program.Click(button);
        ASSERT_TRUE(e2e::WaitUntil([&] { return Counts() == expected; }, kBulkTimeout))
            << "the lists hold " << Counts().first << " and " << Counts().second << " lines";
        ASSERT_TRUE(program.Sync());
    }

    // The lines of a list top to bottom, one message each: the program's lines
    // hold at most the 32 bytes of a header's name field, so one buffer fits all.
    // (The driver's ListItems asks each line's length first, which at thousands
    // of lines doubles a slow part of the test.)
    Lines Read(int list) const {
        const HWND window = program.Control(list);
        const auto send = [window](UINT message, WPARAM wParam, LPARAM lParam) {
            DWORD_PTR result = 0;
            return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL,
                                       e2e::kSendTimeout, &result)
                       ? static_cast<LRESULT>(result)
                       : LB_ERR;
        };
        Lines lines;
        const LRESULT count = send(LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[256] = {};
            const LRESULT length =
                send(LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            char narrow[512] = {};
            WideCharToMultiByte(CP_ACP, 0, text,
                                static_cast<int>(std::clamp<LRESULT>(length, 0, 255)), narrow,
                                sizeof narrow - 1, nullptr, nullptr);
            lines.push_back(narrow);
        }
        return lines;
    }

    // Both lists as they now stand, against what they should hold in any order.
    void ExpectLists(const Lines& left, const Lines& right, const char* after) {
        shownLeft_ = Read(IDC_SOURCE_LIST);
        shownRight_ = Read(IDC_RESTORE_LIST);
        ExpectSame(Sorted(shownLeft_), left, std::string("left list after ") + after);
        ExpectSame(Sorted(shownRight_), right, std::string("right list after ") + after);
    }

    // Selects the line reading `text`, found in the list as ExpectLists last read
    // it, and moves it with `button`.
    void MoveOne(int list, const std::string& text, int button) {
        Lines& shown = list == IDC_SOURCE_LIST ? shownLeft_ : shownRight_;
        const auto found = std::find(shown.begin(), shown.end(), text);
        ASSERT_NE(found, shown.end()) << "no line \"" << text << "\"";
        ASSERT_TRUE(program.SelectListItem(list, static_cast<int>(found - shown.begin())));
        program.Click(button);
        ASSERT_TRUE(program.Sync());
        // The line has left that list; the lines below it have moved up.
        shown.erase(found);
    }

    TarnwickProcess program;
    Lines shownLeft_;
    Lines shownRight_;
};

TEST_F(ScaleScenario, ThousandsOfFoldersMovedBackAndForthListAndRestoreExactly) {
    const std::map<std::string, std::string> folders = MakeFolders();
    fixtures::TempDir archive("scale");
    Lines all;
    for (const auto& [stem, name] : folders) {
        ASSERT_TRUE(e2e::WriteFolder(
            archive.Path(),
            {stem, name, "632A9229:7633:" + stem, {e2e::Message("a@example.org", name, "Kept.")}}));
        all.push_back(name);
    }
    all = Sorted(all);

    ASSERT_TRUE(program.BrowseSource(archive.Path())) << program.Error();
    // Each list is read whole only after the bulk moves and before the restore:
    // reading thousands of lines across processes is the slow part of this test.
    MoveAll(IDC_ADD_ALL);
    ExpectLists({}, all, "\">>\"");
    MoveOne(IDC_RESTORE_LIST, "Moved 1", IDC_REMOVE_SELECTED);

    MoveAll(IDC_REMOVE_ALL);
    ExpectLists(all, {}, "\">>\", \"<\" and \"<<\"");
    MoveOne(IDC_SOURCE_LIST, "Moved 2", IDC_ADD_SELECTED);
    MoveOne(IDC_SOURCE_LIST, "Moved 3", IDC_ADD_SELECTED);

    MoveAll(IDC_ADD_ALL);
    ExpectLists({}, all, "two \">\" and \">>\"");
    MoveOne(IDC_RESTORE_LIST, "Moved 4", IDC_REMOVE_SELECTED);
    ExpectLists({"Moved 4"}, Without(all, {"Moved 4"}), "the last \"<\"");

    // Every folder but "Moved 4" is restored, each as its BAK pair.
    fixtures::TempDir restored("restored");
    ASSERT_TRUE(program.SetText(IDC_DEST_PATH, restored.Path()));
    program.Click(IDC_RESTORE);
    // While it runs the caption counts the folders, a command that another
    // program sends ("<<") is acted on only once the run has ended, and a
    // shutdown is asked to wait.
    const auto restoring = [&] { return program.Caption().rfind("Tarnwick - restoring ", 0) == 0; };
    ASSERT_TRUE(e2e::WaitUntil(restoring, kBulkTimeout, 10)) << program.Caption();
    const std::string caption = program.Caption();
    EXPECT_EQ(caption.substr(caption.size() - 8), " of 1999") << caption;
    const HWND restoreList = program.Control(IDC_RESTORE_LIST);
    DWORD_PTR chosen = 0;
    {
        e2e::SentInBackground removeAll(program.Dialog(), WM_COMMAND,
                                        MAKEWPARAM(IDC_REMOVE_ALL, BN_CLICKED),
                                        reinterpret_cast<LPARAM>(program.Control(IDC_REMOVE_ALL)));
        EXPECT_TRUE(e2e::WaitUntil([&] { return removeAll.Answered(); }, e2e::kSendTimeout));
        SendMessageTimeoutW(restoreList, LB_GETCOUNT, 0, 0, SMTO_NORMAL, e2e::kSendTimeout,
                            &chosen);
        const e2e::SentInBackground shutdown(program.Dialog(), WM_QUERYENDSESSION, 0, 0);
        EXPECT_TRUE(e2e::WaitUntil([&] { return shutdown.Answered(); }, e2e::kSendTimeout));
        EXPECT_EQ(shutdown.Result(), FALSE) << "a shutdown during the run was not asked to wait";
    }
    ASSERT_TRUE(restoring()) << "the restore ended before the command could be sent";
    EXPECT_EQ(chosen, all.size() - 1) << "\"<<\" was acted on during the run";
    const HWND box = program.WaitForMessageBox(kProgramTitle, kBulkTimeout);
    ASSERT_TRUE(box) << "no completion box";
    EXPECT_EQ(program.Caption(), kProgramTitle);
    const std::string text = e2e::MessageBoxText(box);
    EXPECT_EQ(text, "Mail files copied from " + archive.Path() + " to " + restored.Path());
    e2e::DismissMessageBox(box);
    ASSERT_TRUE(e2e::WaitUntilGone(box));
    EXPECT_TRUE(e2e::WaitUntil([&] { return SendMessageW(restoreList, LB_GETCOUNT, 0, 0) == 0; },
                               e2e::kBoxTimeout))
        << "\"<<\" was not acted on after the run";
    DWORD_PTR mayEnd = FALSE;
    SendMessageTimeoutW(program.Dialog(), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, e2e::kSendTimeout,
                        &mayEnd);
    EXPECT_NE(mayEnd, static_cast<DWORD_PTR>(FALSE)) << "a shutdown after the run still waits";

    Lines expected;
    for (const auto& [stem, name] : folders) {
        if (name != "Moved 4") {
            expected.push_back("BAK" + stem.substr(3) + ".PMI");
            expected.push_back("BAK" + stem.substr(3) + ".PMM");
        }
    }
    ExpectSame(fixtures::NamesIn(restored.Path()), Sorted(expected), "restored files");
}

} // namespace
