// The main dialog as a user meets it, seen from a separate process: its window,
// its twenty controls, the keyboard and mouse, closing it, and Help/About. The
// expectations are written out here from the documented dialog, not taken from
// the program's own tables.
#include "Driver.h"
#include "Fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using e2e::TarnwickProcess;

constexpr int kSourceList = 1001;
constexpr int kRestoreList = 1002;
constexpr int kAddAll = 1003;
constexpr int kAddSelected = 1004;
constexpr int kRemoveSelected = 1005;
constexpr int kRemoveAll = 1006;
constexpr int kSourcePath = 1007;
constexpr int kDestPath = 1008;
constexpr int kCopyNewMail = 1009;
constexpr int kSourceBrowse = 1011;
constexpr int kDestBrowse = 1012;
constexpr int kRestore = 1015;
constexpr int kHelpAbout = 1020;
constexpr int kLabel = 1;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kListBox = kChild | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_SORT;
constexpr DWORD kCheckBox = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kPushButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kEditField = kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kLeftLabel = kChild | SS_LEFT;
constexpr DWORD kRightLabel = kChild | SS_RIGHT;

// The credit line's wording is free; it only has to be one non-empty line.
constexpr const char* kAnyCredit = nullptr;

struct ExpectedControl {
    const char* windowClass;
    int id;
    const char* caption;
    int x, y, w, h; // dialog units
    DWORD style;
    DWORD exStyle;
};

// Creation order, which is also the order the system keeps the children in.
const ExpectedControl kControls[] = {
    {"ListBox", kSourceList, "", 10, 65, 125, 145, kListBox, WS_EX_CLIENTEDGE},
    {"ListBox", kRestoreList, "", 175, 65, 115, 145, kListBox, WS_EX_CLIENTEDGE},
    {"Button", kCopyNewMail, "", 75, 40, 10, 10, kCheckBox, 0},
    {"Static", kLabel, "Copy contents of New Mail folder as well.", 90, 40, 145, 10, kLeftLabel, 0},
    {"Button", kAddAll, ">>", 145, 70, 15, 15, kPushButton, 0},
    {"Button", kAddSelected, ">", 145, 90, 15, 15, kPushButton, 0},
    {"Button", kRemoveSelected, "<", 145, 110, 15, 15, kPushButton, 0},
    {"Button", kRemoveAll, "<<", 145, 130, 15, 15, kPushButton, 0},
    {"Edit", kSourcePath, "", 75, 10, 260, 10, kEditField, WS_EX_CLIENTEDGE},
    {"Edit", kDestPath, "", 75, 25, 260, 10, kEditField, WS_EX_CLIENTEDGE},
    {"Static", kLabel, "Source Directory", 15, 10, 55, 10, kRightLabel, 0},
    {"Static", kLabel, "Destination Directory", 0, 25, 70, 10, kRightLabel, 0},
    {"Button", kSourceBrowse, "Browse", 340, 10, 30, 10, kPushButton, 0},
    {"Button", kDestBrowse, "Browse", 340, 25, 30, 10, kPushButton, 0},
    {"Static", kLabel, "Unselected Mail Folders in Source", 10, 55, 120, 10, kLeftLabel, 0},
    {"Static", kLabel, "Mail Folders to Restore", 175, 55, 120, 10, kLeftLabel, 0},
    {"Button", kRestore, "Restore", 305, 185, 60, 20, kPushButton, 0},
    {"Static", kLabel, kAnyCredit, 70, 220, 300, 10, kLeftLabel, 0},
    {"Static", kLabel, "", 5, 235, 290, 10, kLeftLabel, 0},
    {"Button", kHelpAbout, "Help/About", 5, 210, 60, 20, kPushButton, 0},
};

constexpr int kTabOrder[] = {kSourceList,     kRestoreList, kCopyNewMail, kAddAll,   kAddSelected,
                             kRemoveSelected, kRemoveAll,   kSourcePath,  kDestPath, kSourceBrowse,
                             kDestBrowse,     kRestore,     kHelpAbout};

constexpr const char kHelpText[] =
    "Pegasus Mail cannot display two mail folders with the same internal ID even if they are in "
    "separate mailboxes. Mail folders also have to be Read-Write.\r\n"
    "\r\n"
    "This causes problems when trying to view mail folders which have been archived by copying "
    "them to backup media.\r\n"
    "This utility:\r\n"
    "1. Copies all .PMM and .PMI files in the source directory to the\r\n"
    "destination directory and renames them as BAKxxxxx.PMM and BAKxxxx.PMI.\r\n"
    "2. Ensures that the resulting file is Read/Write.\r\n"
    "3. Creates a different internal unique ID for the file.\r\n"
    "\r\n"
    "Once you have run this program to restore archived folders to a directory you can attach "
    "that directory using the Pegasus Mail 'Add mailbox to list' option and access the archived "
    "folders in this new mailbox\r\n"
    "\r\n"
    "Version 1.2\r\n"
    "Tarnwick is written by the Tarnwick developers.\r\n"
    "\r\n";

int Id(HWND window) {
    return window ? static_cast<int>(GetWindowLongA(window, GWL_ID)) : 0;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && _strnicmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// Named: a 32-bit dialog procedure is __stdcall, which no lambda converts to.
INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// A hidden dialog in this process made from the documented template (8-point
// "MS Sans Serif"), whose dialog units the program's layout must match.
class ReferenceDialog {
  public:
    ReferenceDialog() {
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT |
                            DS_3DLOOK | DS_NOFAILCREATE;
        std::vector<WORD> words;
        const auto dword = [&words](DWORD value) {
            words.push_back(LOWORD(value));
            words.push_back(HIWORD(value));
        };
        const auto text = [&words](const wchar_t* value) {
            words.insert(words.end(), value, value + wcslen(value) + 1);
        };
        dword(style);
        dword(WS_EX_CONTROLPARENT);
        words.push_back(0);   // no items
        words.push_back(96);  // x
        words.push_back(78);  // y
        words.push_back(381); // cx
        words.push_back(252); // cy
        words.push_back(0);   // no menu
        words.push_back(0);   // the system dialog class
        text(L"Reference");
        words.push_back(8);
        text(L"MS Sans Serif");
        window_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                             reinterpret_cast<const DLGTEMPLATE*>(words.data()),
                                             nullptr, IgnoreMessages, 0);
    }
    ~ReferenceDialog() {
        if (window_) {
            DestroyWindow(window_);
        }
    }
    ReferenceDialog(const ReferenceDialog&) = delete;
    ReferenceDialog& operator=(const ReferenceDialog&) = delete;

    HWND Window() const { return window_; }
    RECT Pixels(int x, int y, int w, int h) const {
        RECT rect{x, y, x + w, y + h};
        MapDialogRect(window_, &rect);
        return rect;
    }

  private:
    HWND window_ = nullptr;
};

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected) {
    if (EqualRect(&actual, &expected)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "is (" << actual.left << ", " << actual.top << ")-(" << actual.right << ", "
           << actual.bottom << "), expected (" << expected.left << ", " << expected.top << ")-("
           << expected.right << ", " << expected.bottom << ")";
}

// One program for a whole suite: starting tarnwick.exe under Wine costs seconds.
// Each test leaves the dialog as it found it.
class SharedProgram : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        program = std::make_unique<TarnwickProcess>();
        program->Start();
    }
    // Closing also ends the program with 0 after a suite has filled the fields and
    // the lists.
    static void TearDownTestSuite() {
        if (program->IsRunning()) {
            EXPECT_EQ(program->CloseAndWait(), 0u);
        }
        program.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(program->Dialog()) << program->Error();
        ASSERT_TRUE(program->IsRunning() && IsWindow(program->Dialog()))
            << "the program shared by this suite has ended (closed by an earlier test?)";
    }

    static inline std::unique_ptr<TarnwickProcess> program;
};

// --- The window and its controls, read only ----------------------------------------

// Reads the dialog only: no focus change, no click. (A push button that once had
// the focus keeps BS_DEFPUSHBUTTON, which would spoil the style checks.)
class MainDialogLayout : public SharedProgram {};

TEST_F(MainDialogLayout, HasTheCaptionAndACloseAndMinimiseBoxButCannotBeMaximisedOrResized) {
    const HWND dialog = program->Dialog();
    EXPECT_EQ(e2e::ClassName(dialog), "#32770");
    EXPECT_EQ(e2e::Text(dialog), "Tarnwick");
    // The system gives every top-level window WS_CLIPSIBLINGS, and a captioned one
    // WS_EX_WINDOWEDGE; everything else is what the template asked for.
    const DWORD expectedStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                DS_CENTER | DS_SETFONT | DS_3DLOOK | DS_NOFAILCREATE;
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    EXPECT_EQ(style & ~DWORD{WS_CLIPSIBLINGS}, expectedStyle) << std::hex << style;
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE));
    EXPECT_EQ(exStyle & ~DWORD{WS_EX_WINDOWEDGE}, DWORD{WS_EX_CONTROLPARENT})
        << std::hex << exStyle;
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    EXPECT_EQ(GetMenu(dialog), nullptr);
}

TEST_F(MainDialogLayout, IsCentredOnTheScreen) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(
        GetMonitorInfoA(MonitorFromWindow(program->Dialog(), MONITOR_DEFAULTTOPRIMARY), &monitor));
    RECT window{};
    ASSERT_TRUE(GetWindowRect(program->Dialog(), &window));
    const RECT& work = monitor.rcWork;
    const LONG centredLeft =
        work.left + (work.right - work.left - (window.right - window.left)) / 2;
    const LONG centredTop = work.top + (work.bottom - work.top - (window.bottom - window.top)) / 2;
    // Halving an odd difference may round either way.
    EXPECT_NEAR(window.left, centredLeft, 1);
    EXPECT_NEAR(window.top, centredTop, 1);
}

TEST_F(MainDialogLayout, HasTheTwentyControlsInCreationOrderWithTheirClassIdCaptionAndStyle) {
    const std::vector<HWND> children = program->Children();
    ASSERT_EQ(children.size(), std::size(kControls));
    for (size_t i = 0; i < children.size(); ++i) {
        const ExpectedControl& expected = kControls[i];
        const HWND child = children[i];
        SCOPED_TRACE("control #" + std::to_string(i + 1));
        EXPECT_TRUE(SameIgnoringCase(e2e::ClassName(child), expected.windowClass))
            << e2e::ClassName(child);
        EXPECT_EQ(Id(child), expected.id);
        const std::string caption = e2e::Text(child);
        if (expected.caption) {
            EXPECT_EQ(caption, expected.caption);
        } else {
            EXPECT_FALSE(caption.empty());
            EXPECT_EQ(caption.find_first_of("\r\n"), std::string::npos) << caption;
        }
        // A list box shows its scroll bar, and sets WS_VSCROLL, only while it has
        // more lines than fit; the bit is the system's to change. Neither Wine nor
        // Windows adds extended styles to controls made with CreateWindowEx, so
        // those compare whole.
        const DWORD systemManaged = expected.style == kListBox ? DWORD{WS_VSCROLL} : 0;
        const DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        EXPECT_EQ(style & ~systemManaged, expected.style & ~systemManaged) << std::hex << style;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_EXSTYLE)), expected.exStyle);
    }
}

TEST_F(MainDialogLayout, PlacesEachControlWhereItsDialogUnitsMapOnTheDialogFont) {
    const ReferenceDialog reference;
    ASSERT_TRUE(reference.Window());
    RECT client{};
    ASSERT_TRUE(GetClientRect(program->Dialog(), &client));
    EXPECT_TRUE(SameRect(client, reference.Pixels(0, 0, 381, 252))) << "the dialog's client area";

    const std::vector<HWND> children = program->Children();
    ASSERT_EQ(children.size(), std::size(kControls));
    for (size_t i = 0; i < children.size(); ++i) {
        const ExpectedControl& expected = kControls[i];
        // The edges are converted, not the sizes, so neighbours meet exactly.
        const RECT wanted = reference.Pixels(expected.x, expected.y, expected.w, expected.h);
        RECT actual = e2e::RectIn(children[i], program->Dialog());
        if (expected.style == kListBox) {
            // Without LBS_NOINTEGRALHEIGHT the list box trims its own height to
            // whole lines: less than one line may be missing at the bottom.
            const LONG lineHeight =
                static_cast<LONG>(SendMessageA(children[i], LB_GETITEMHEIGHT, 0, 0));
            EXPECT_GT(lineHeight, 0);
            EXPECT_LE(actual.bottom, wanted.bottom) << "control #" << i + 1;
            EXPECT_GT(actual.bottom, wanted.bottom - lineHeight) << "control #" << i + 1;
            actual.bottom = wanted.bottom;
        }
        EXPECT_TRUE(SameRect(actual, wanted)) << "control #" << i + 1;
    }
}

TEST_F(MainDialogLayout, StartsWithEmptyFieldsAndListsTheBoxTickedAndEverythingUsable) {
    EXPECT_EQ(program->Text(kSourcePath), "");
    EXPECT_EQ(program->Text(kDestPath), "");
    EXPECT_TRUE(program->ListItems(kSourceList).empty());
    EXPECT_TRUE(program->ListItems(kRestoreList).empty());
    EXPECT_TRUE(program->IsChecked(kCopyNewMail));
    EXPECT_TRUE(IsWindowVisible(program->Dialog()));
    EXPECT_TRUE(IsWindowEnabled(program->Dialog()));
    for (HWND child : program->Children()) {
        SCOPED_TRACE("control " + std::to_string(Id(child)) + " \"" + e2e::Text(child) + "\"");
        EXPECT_TRUE(IsWindowVisible(child));
        EXPECT_TRUE(IsWindowEnabled(child));
    }
}

// --- Keyboard, mouse and Help/About ---------------------------------------------------

// What the user can see change: both fields, both lists, the box, and whether the
// program has a message box open.
struct DialogState {
    std::string sourcePath, destPath;
    std::vector<std::string> sourceList, restoreList;
    bool copyNewMail;
    size_t boxes;
    bool operator==(const DialogState& other) const {
        return sourcePath == other.sourcePath && destPath == other.destPath &&
               sourceList == other.sourceList && restoreList == other.restoreList &&
               copyNewMail == other.copyNewMail && boxes == other.boxes;
    }
};

void PrintTo(const DialogState& state, std::ostream* out) {
    *out << "{source \"" << state.sourcePath << "\", destination \"" << state.destPath << "\", "
         << state.sourceList.size() << " + " << state.restoreList.size() << " listed, box "
         << (state.copyNewMail ? "ticked" : "clear") << ", " << state.boxes << " message boxes}";
}

class MainDialogInput : public SharedProgram {
  protected:
    // Gives the lists something to lose: a source with two folders, chosen through
    // the real folder browser.
    static void SetUpTestSuite() {
        SharedProgram::SetUpTestSuite();
        archive = std::make_unique<fixtures::TempDir>("input");
        e2e::WriteFolder(archive->Path(), {"FOL00A01",
                                           "Invoices",
                                           "5F3C2E10:0A01:FOL00A01",
                                           {e2e::Message("a@example.org", "Bill", "Due.")}});
        e2e::WriteFolder(archive->Path(), {"FOL00A02",
                                           "Holidays",
                                           "5F3C2E10:0A02:FOL00A02",
                                           {e2e::Message("b@example.org", "Trip", "Booked.")}});
        if (program->Dialog()) {
            browsed = program->BrowseSource(archive->Path());
        }
    }
    static void TearDownTestSuite() {
        SharedProgram::TearDownTestSuite();
        archive.reset();
    }

    void SetUp() override {
        SharedProgram::SetUp();
        ASSERT_TRUE(browsed) << "choosing the source failed: " << program->Error();
        ASSERT_EQ(program->ListItems(kSourceList).size(), 2u) << "the scan did not list both";
        ASSERT_TRUE(program->SetText(kDestPath, "C:\\restored"));
    }
    void TearDown() override {
        // Boxes opened while another was open are nested in its loop: press OK on all
        // before waiting for any to go.
        const std::vector<HWND> boxes = program->TopLevelDialogs("Tarnwick");
        for (HWND box : boxes) {
            e2e::DismissMessageBox(box);
        }
        for (HWND box : boxes) {
            e2e::WaitUntilGone(box);
        }
        if (!program->IsChecked(kCopyNewMail)) {
            program->Click(kCopyNewMail);
            program->Sync();
        }
    }

    DialogState Capture() const {
        return {program->Text(kSourcePath),       program->Text(kDestPath),
                program->ListItems(kSourceList),  program->ListItems(kRestoreList),
                program->IsChecked(kCopyNewMail), program->TopLevelDialogs("Tarnwick").size()};
    }

    // The control Tab leads to from `id`.
    static int NextTabStop(int id) {
        const size_t count = std::size(kTabOrder);
        for (size_t i = 0; i < count; ++i) {
            if (kTabOrder[i] == id) {
                return kTabOrder[(i + 1) % count];
            }
        }
        return 0;
    }

    // Presses a key and waits until the focus has left `from`; returns the ID of
    // the control that has it then (the same ID when it did not move).
    int PressAndFollowFocus(WORD key, UINT modifiers, HWND from) const {
        EXPECT_TRUE(program->PressKey(key, modifiers));
        e2e::WaitUntil([&] { return program->FocusedWindow() != from; }, 3000);
        return Id(program->FocusedWindow());
    }

    static inline std::unique_ptr<fixtures::TempDir> archive;
    static inline bool browsed = false;
};

TEST_F(MainDialogInput, TabVisitsTheControlsInCreationOrderSkippingTheLabels) {
    ASSERT_TRUE(program->Focus(kSourceList));
    std::vector<int> visited;
    for (size_t i = 0; i < std::size(kTabOrder); ++i) {
        visited.push_back(PressAndFollowFocus(VK_TAB, 0, program->FocusedWindow()));
    }
    // From the left list round to the left list again.
    std::vector<int> expected(std::begin(kTabOrder) + 1, std::end(kTabOrder));
    expected.push_back(kSourceList);
    EXPECT_EQ(visited, expected);
}

TEST_F(MainDialogInput, ShiftTabVisitsThemBackwards) {
    ASSERT_TRUE(program->Focus(kSourceList));
    std::vector<int> visited;
    for (size_t i = 0; i < std::size(kTabOrder); ++i) {
        visited.push_back(PressAndFollowFocus(VK_TAB, MOD_SHIFT, program->FocusedWindow()));
    }
    const std::vector<int> expected(std::rbegin(kTabOrder), std::rend(kTabOrder));
    EXPECT_EQ(visited, expected);
}

TEST_F(MainDialogInput, EnterAndEscapeChangeNothingAndLeaveTheDialogOpen) {
    struct Case {
        int focus;
        WORD key;
        const char* name;
    };
    std::vector<Case> cases = {
        {kSourcePath, VK_RETURN, "Enter in the source field"},
        {kDestPath, VK_RETURN, "Enter in the destination field"},
        {kSourceList, VK_RETURN, "Enter in the left list"},
        {kRestoreList, VK_RETURN, "Enter in the right list"},
        {kCopyNewMail, VK_RETURN, "Enter on the check box"},
    };
    for (int id : kTabOrder) {
        cases.push_back({id, VK_ESCAPE, "Escape"});
    }
    ASSERT_TRUE(program->SelectListItem(kSourceList, 1));
    const DialogState before = Capture();
    for (const Case& step : cases) {
        SCOPED_TRACE(std::string(step.name) + " with control " + std::to_string(step.focus) +
                     " focused");
        ASSERT_TRUE(program->Focus(step.focus));
        ASSERT_TRUE(program->PressKey(step.key));
        // Input is handled in order, so once a Tab after the key has moved the focus
        // in the main dialog, the key has been handled, and any box or closing it
        // caused would already be there.
        EXPECT_EQ(PressAndFollowFocus(VK_TAB, 0, program->Control(step.focus)),
                  NextTabStop(step.focus));
        EXPECT_EQ(Capture(), before);
        ASSERT_TRUE(program->IsRunning());
    }
}

TEST_F(MainDialogInput, EnterOrSpaceOnAFocusedPushButtonPressesIt) {
    for (WORD key : {WORD{VK_RETURN}, WORD{VK_SPACE}}) {
        SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Space");
        ASSERT_TRUE(program->Focus(kHelpAbout));
        ASSERT_TRUE(program->PressKey(key));
        const HWND box = program->WaitForMessageBox("Tarnwick");
        ASSERT_TRUE(box);
        EXPECT_EQ(e2e::MessageBoxText(box), kHelpText);
        e2e::DismissMessageBox(box);
        EXPECT_TRUE(e2e::WaitUntilGone(box));
    }
}

TEST_F(MainDialogInput, ClickingTheCheckBoxLabelLeavesTheBoxAsItIs) {
    const HWND label = program->Children().at(3);
    ASSERT_EQ(e2e::Text(label), "Copy contents of New Mail folder as well.");
    ASSERT_TRUE(program->IsChecked(kCopyNewMail));

    // A real click, hit-tested by the system: it must neither tick the box nor
    // give it the focus, as a Tab after it shows.
    ASSERT_TRUE(program->Focus(kSourceList));
    ASSERT_TRUE(program->MouseClick(label));
    EXPECT_EQ(PressAndFollowFocus(VK_TAB, 0, program->Control(kSourceList)), kRestoreList);
    EXPECT_TRUE(program->IsChecked(kCopyNewMail));

    // The label's own button messages, delivered to it directly.
    PostMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    ASSERT_TRUE(program->Sync());
    EXPECT_TRUE(program->IsChecked(kCopyNewMail));
}

TEST_F(MainDialogInput, ClickingTheBoxItselfTogglesIt) {
    ASSERT_TRUE(program->IsChecked(kCopyNewMail));
    program->Click(kCopyNewMail);
    EXPECT_TRUE(e2e::WaitUntil([] { return !program->IsChecked(kCopyNewMail); }, 3000));
    ASSERT_TRUE(program->MouseClick(program->Control(kCopyNewMail)));
    EXPECT_TRUE(e2e::WaitUntil([] { return program->IsChecked(kCopyNewMail); }, 3000));
}

TEST_F(MainDialogInput, HelpAboutShowsTheSameTextEveryTimeWithoutAnIcon) {
    for (int press = 1; press <= 2; ++press) {
        SCOPED_TRACE("press " + std::to_string(press));
        program->Click(kHelpAbout);
        const HWND box = program->WaitForMessageBox("Tarnwick");
        ASSERT_TRUE(box);
        EXPECT_EQ(e2e::Text(box), "Tarnwick");
        EXPECT_EQ(e2e::MessageBoxText(box), kHelpText);
        EXPECT_FALSE(e2e::HasIcon(box));
        std::vector<std::string> buttons;
        for (HWND child : e2e::Children(box)) {
            if (SameIgnoringCase(e2e::ClassName(child), "Button") && IsWindowVisible(child)) {
                buttons.push_back(e2e::Text(child));
            }
        }
        EXPECT_EQ(buttons, std::vector<std::string>{"OK"});
        e2e::DismissMessageBox(box);
        ASSERT_TRUE(e2e::WaitUntilGone(box));
    }
}

TEST_F(MainDialogInput, TheDialogKeepsWorkingWhileTheHelpBoxIsOpen) {
    program->Click(kHelpAbout);
    const HWND first = program->WaitForMessageBox("Tarnwick");
    ASSERT_TRUE(first);

    program->Click(kCopyNewMail);
    EXPECT_TRUE(e2e::WaitUntil([] { return !program->IsChecked(kCopyNewMail); }, 3000));
    program->Click(kCopyNewMail);
    EXPECT_TRUE(e2e::WaitUntil([] { return program->IsChecked(kCopyNewMail); }, 3000));

    // The box has no owner, so Help/About can be pressed again: a second box.
    program->Click(kHelpAbout);
    ASSERT_TRUE(e2e::WaitUntil([] { return program->TopLevelDialogs("Tarnwick").size() == 2; },
                               e2e::kBoxTimeout));
    for (HWND box : program->TopLevelDialogs("Tarnwick")) {
        ASSERT_TRUE(e2e::WaitUntil([box] { return IsWindowVisible(box) != FALSE; }, 3000));
        EXPECT_EQ(e2e::MessageBoxText(box), kHelpText);
    }
}

// --- Closing -----------------------------------------------------------------------

TEST(MainDialogClose, TheCloseCommandEndsTheProgramWithZeroAlsoWithPathsFilledIn) {
    TarnwickProcess program;
    ASSERT_TRUE(program.Start()) << program.Error();
    ASSERT_TRUE(program.SetText(kSourcePath, "C:\\archive"));
    ASSERT_TRUE(program.SetText(kDestPath, "C:\\restored"));
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

TEST(MainDialogClose, AltF4EndsTheProgramWithZero) {
    TarnwickProcess program;
    ASSERT_TRUE(program.Start()) << program.Error();
    ASSERT_TRUE(program.Focus(kDestPath));
    ASSERT_TRUE(program.PressKey(VK_F4, MOD_ALT));
    EXPECT_EQ(program.WaitForExit(), 0u);
}

TEST(MainDialogClose, ClosingWithTheHelpBoxOpenEndsOnceTheBoxIsDismissed) {
    TarnwickProcess program;
    ASSERT_TRUE(program.Start()) << program.Error();
    program.Click(kHelpAbout);
    const HWND box = program.WaitForMessageBox("Tarnwick");
    ASSERT_TRUE(box);

    program.Close();
    EXPECT_TRUE(e2e::WaitUntilGone(program.Dialog()));
    // The handler is still inside the box's loop; the box stays until the user
    // dismisses it.
    EXPECT_TRUE(IsWindow(box));
    EXPECT_TRUE(program.IsRunning());
    e2e::DismissMessageBox(box);
    EXPECT_EQ(program.WaitForExit(), 0u);
}

} // namespace
