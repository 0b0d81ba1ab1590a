#pragma once
#include <windows.h>
#include <commctrl.h>

// IDC_SOURCE_LIST and the other control IDs, and kProgramTitle ("Tarnwick").
#include "common/ControlIds.h"
#include "common/Titles.h"

#include <string>
#include <vector>

// Drives the real tarnwick.exe from a separate test process, as a user would:
// through its windows and messages only. Every wait is bounded; nothing here
// blocks on the program for longer than the timeout it is given.
//
// A scenario reads like a user's session:
//
//     e2e::TempDir archive("archive");
//     e2e::WriteFolder(archive.Path(), {"FOL12345", "Inbox", "632A9229:7633:FOL12345", {}});
//     e2e::TarnwickProcess program;
//     ASSERT_TRUE(program.Start()) << program.Error();
//     ASSERT_TRUE(program.BrowseSource(archive.Path())) << program.Error();
//     EXPECT_EQ(program.ListItems(IDC_SOURCE_LIST), (std::vector<std::string>{"Inbox"}));
//     program.Click(IDC_RESTORE);
//     HWND box = program.WaitForMessageBox("Tarnwick");
//     ASSERT_TRUE(box);
//     EXPECT_EQ(e2e::MessageBoxText(box), "...");
//     e2e::DismissMessageBox(box);
//     ASSERT_TRUE(e2e::WaitUntilGone(box));
//     EXPECT_EQ(program.CloseAndWait(), 0u);
//
// Paths are Windows paths as the program sees them (C:\users\...\Temp\x or Z:\tmp\x).
// Texts are ANSI strings; they travel as UTF-16 across the process boundary,
// because the ANSI forms of some messages lose text under Wine.
//
// Under Wine on a bare X server (no window manager) a dismissed box or browser
// is hidden at once but destroyed only about two seconds later; WaitUntilGone
// covers that. Keyboard and mouse input is real input (SendInput) and goes to the
// foreground window, so a test that types or clicks must run alone on its
// display; other tests may share one, each finding its program's windows by
// process ID.
namespace e2e {

// Bounds used when a caller does not give its own, in milliseconds.
constexpr DWORD kStartTimeout = 20000;
constexpr DWORD kExitTimeout = 10000;
constexpr DWORD kBoxTimeout = 10000;
constexpr DWORD kBrowserTimeout = 20000;
// How long the program may take to answer one sent message.
constexpr DWORD kSendTimeout = 5000;

// Polls done() every pollMs until it returns true (then true) or timeoutMs has
// passed (then false). done() is always tried at least once.
template <typename Predicate>
bool WaitUntil(Predicate done, DWORD timeoutMs, DWORD pollMs = 50) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) {
            return true;
        }
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(pollMs);
    }
}

// The directory of the running test executable, with a trailing backslash.
std::string ExecutableDirectory();

// tarnwick.exe beside the running test executable (where the test runner and the
// build both put it).
std::string DefaultProgramPath();

// --- Any window, own or the program's ---------------------------------------

// The window's class name ("#32770", "Button", "Edit", ...).
std::string ClassName(HWND window);
// The window's text through WM_GETTEXT, so edit fields report what they hold.
// Empty when the window does not answer within kSendTimeout.
std::string Text(HWND window);
// The window's rectangle in the client coordinates of `reference`.
RECT RectIn(HWND window, HWND reference);
// The direct children of `parent` in Z order, which for windows created one after
// another is creation order.
std::vector<HWND> Children(HWND parent);
// The first descendant (at any depth) of the given class, or nullptr.
HWND FindDescendant(HWND parent, const char* className);
// Waits until `window` no longer exists.
bool WaitUntilGone(HWND window, DWORD timeoutMs = kBoxTimeout);

// --- Message boxes ---------------------------------------------------------------

// The box's message: the static control with ID 0xFFFF, exactly as shown (line
// breaks stay CR LF). Waits up to kBoxTimeout for a box that does not answer yet.
std::string MessageBoxText(HWND box);
// Whether the box shows an icon: a visible SS_ICON static holding an icon. Icon
// handles are per process, so which icon it is cannot be told from outside.
bool HasIcon(HWND box);
// Presses OK (posted: the box's own loop handles it).
void DismissMessageBox(HWND box);

// Sends a message from a thread of its own, as another program would, so that
// the caller can watch what becomes of it while the program is busy.
class SentInBackground {
  public:
    SentInBackground(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                     DWORD timeoutMs = kSendTimeout);
    ~SentInBackground();
    SentInBackground(const SentInBackground&) = delete;
    SentInBackground& operator=(const SentInBackground&) = delete;
    // Whether the program has handled the message (and SendMessage returned).
    bool Answered() const;
    // What the program answered, once it has.
    LRESULT Result() const;

  private:
    struct State;
    State* state_;
};

// --- The program ------------------------------------------------------------------

// One run of tarnwick.exe. The destructor makes sure the process is gone: it
// asks the dialog to close, waits briefly, then terminates the process. A job
// object also ends the program should the test process itself die.
class TarnwickProcess {
  public:
    explicit TarnwickProcess(std::string programPath = DefaultProgramPath());
    ~TarnwickProcess();
    TarnwickProcess(const TarnwickProcess&) = delete;
    TarnwickProcess& operator=(const TarnwickProcess&) = delete;

    // Starts the program (with `arguments` appended to its command line) and waits
    // for its main dialog to be shown. False, with the process terminated, when
    // the dialog does not appear in time; Error() then says why.
    bool Start(const std::string& arguments = "", DWORD timeoutMs = kStartTimeout);
    const std::string& Error() const { return error_; }

    DWORD ProcessId() const { return processId_; }
    // The thread that owns the main dialog (the program's only GUI thread).
    DWORD ThreadId() const { return threadId_; }
    HANDLE ProcessHandle() const { return process_; }

    // The main dialog: a "#32770" window titled "Tarnwick" of this process.
    HWND Dialog() const { return dialog_; }
    // The first child with that ID (the labels all share ID 1; use Children()).
    HWND Control(int id) const;
    std::vector<HWND> Children() const { return e2e::Children(dialog_); }

    std::string Text(int id) const { return e2e::Text(Control(id)); }
    // Sets a control's text through WM_SETTEXT, as typing a whole new value would.
    bool SetText(int id, const std::string& text) const;

    // The lines of a list box, top to bottom.
    std::vector<std::string> ListItems(int id) const;
    // Selects line `index` (-1: none), as a click on it would, without notifying
    // the dialog (the program's list boxes have no handler).
    bool SelectListItem(int id, int index) const;
    // The selected line's index, or -1.
    int ListSelection(int id) const;

    // Clicks a button. Posted, not sent: the click may open a modal box, and the
    // caller must be free to deal with it. Use WaitUntil or a Wait* call to see
    // its effect.
    void Click(int id) const;
    bool IsChecked(int id) const;

    // The window that has the keyboard focus in the program, or nullptr.
    HWND FocusedWindow() const;

    // Moves the keyboard focus to a control of the main dialog, as the dialog
    // manager does for Tab (WM_NEXTDLGCTL), and waits until it is there.
    bool Focus(HWND control) const;
    bool Focus(int id) const { return Focus(Control(id)); }

    // A key pressed and released as the user types it, with Shift, Ctrl or Alt held
    // down when `modifiers` names them (MOD_SHIFT, MOD_CONTROL, MOD_ALT). The dialog
    // is brought to the foreground first; the key goes to the focused window. This
    // is real input: it reaches the program after everything posted to it, so
    // watch for the key's effect (or for the effect of a later key, such as the
    // focus moving on Tab) rather than calling Sync(). False when the input could
    // not be sent.
    bool PressKey(WORD virtualKey, UINT modifiers = 0) const;

    // A left click with the real mouse at the centre of `window` (any window of the
    // program), hit-tested by the system as the user's click would be.
    bool MouseClick(HWND window) const;

    // Posts WM_SYSCOMMAND SC_CLOSE, as the caption's close button does.
    void Close() const;
    // The exit code, or STILL_ACTIVE when the process did not end in time.
    DWORD WaitForExit(DWORD timeoutMs = kExitTimeout) const;
    // Close() then WaitForExit().
    DWORD CloseAndWait(DWORD timeoutMs = kExitTimeout) const;
    bool IsRunning() const;
    // Ends the process at once.
    void Kill();
    // The main dialog's caption, read without a message to the program, which
    // does not answer one while a restore runs.
    std::string Caption() const;

    // The program's top-level "#32770" windows with that title, other than the
    // main dialog, oldest first as far as the system tells.
    std::vector<HWND> TopLevelDialogs(const char* title) const;
    // A message box with that title, or nullptr when none appears in time.
    HWND WaitForMessageBox(const char* title, DWORD timeoutMs = kBoxTimeout) const;
    // True when no box with that title appears within `forMs`. Use it after an
    // action whose (absent) reaction comes from the program's queue.
    bool NoMessageBoxWithin(const char* title, DWORD forMs = 1500) const;

    // The shell's folder browser of this process ("Browse for Folder" with a tree
    // view), or nullptr when none appears in time.
    HWND WaitForBrowser(DWORD timeoutMs = kBrowserTimeout) const;
    // The instruction text the program gave the browser ("Select Source directory").
    std::string BrowserInstruction(HWND browser) const;
    // Selects `path` in the browser's tree (Desktop > My Computer > the drive >
    // each folder, compared without regard to case) and presses OK. `path` is a
    // Windows path (C:\a\b, Z:\tmp\x, a drive root C:\) or a Linux one (/tmp/x,
    // reached through Z:). False when an item is missing; Error() names it.
    bool ChooseFolder(HWND browser, const std::string& path);
    // Presses Cancel in the browser.
    void CancelBrowser(HWND browser) const;

    // Click the source (destination) Browse button, choose `path` and wait until
    // the browser is gone and the program has taken the choice.
    bool BrowseSource(const std::string& path);
    bool BrowseDestination(const std::string& path);

    // Waits until the program has handled everything sent or posted to the dialog
    // before this call (a round trip through its queue). False when it is busy
    // for longer than the timeout.
    bool Sync(DWORD timeoutMs = kSendTimeout) const;

  private:
    bool Browse(int buttonId, const std::string& path);

    std::string programPath_;
    std::string error_;
    HANDLE job_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND dialog_ = nullptr;
};

// --- UTF-16 texts: names the ANSI code page does not hold as they are -----------
// A list box, an edit field and the folder tree keep their texts as UTF-16. Bytes
// at or above 0x80 read back through the ANSI code page can differ from those
// written, and a name the code page cannot hold comes back with "?" in it, so
// such names are read and compared as UTF-16.

// A window's text (edit fields: what they hold), as UTF-16.
std::wstring TextW(HWND window);
// The lines of one of the program's list boxes, top to bottom, as UTF-16.
std::vector<std::wstring> ListItemsW(const TarnwickProcess& program, int id);
// Selects `path` in the program's folder browser (Desktop > My Computer > the
// drive > each folder, compared as UTF-16 without regard to case) and presses
// OK. `path` is a Windows path such as C:\a\b. False, with *error saying which
// item is missing, when it cannot be reached; the browser is then still open.
bool ChooseFolderW(const TarnwickProcess& program, HWND browser, const std::wstring& path,
                   std::string* error);

} // namespace e2e
