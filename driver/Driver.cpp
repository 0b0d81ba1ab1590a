#include "Driver.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <cctype>

namespace e2e {

namespace {

std::wstring Widen(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
    return text;
}

// SendMessageW bounded by kSendTimeout. The W form matters: Wine converts
// cross-process texts correctly only for it.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeout,
                             &answer)) {
        return false;
    }
    if (result) {
        *result = static_cast<LRESULT>(answer);
    }
    return true;
}

LRESULT SendOr(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT fallback) {
    LRESULT result = fallback;
    return Send(window, message, wParam, lParam, &result) ? result : fallback;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A path split into its drive letter and folder names. Linux paths live on Z:.
struct SplitPath {
    char drive = 0;
    std::vector<std::string> folders;
};

SplitPath Split(const std::string& path) {
    SplitPath split;
    size_t start = 0;
    if (!path.empty() && path[0] == '/') {
        split.drive = 'Z';
    } else if (path.size() >= 2 && path[1] == ':') {
        split.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
        start = 2;
    }
    std::string folder;
    for (size_t i = start; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/' || path[i] == '\\') {
            if (!folder.empty()) {
                split.folders.push_back(folder);
            }
            folder.clear();
        } else {
            folder += path[i];
        }
    }
    return split;
}

// The path as the shell hands it to the program: drive, backslashes, a trailing
// backslash only on a drive root.
std::string WindowsForm(const std::string& path) {
    const SplitPath split = Split(path);
    std::string result{split.drive, ':'};
    if (split.folders.empty()) {
        return result + "\\";
    }
    for (const std::string& folder : split.folders) {
        result += "\\" + folder;
    }
    return result;
}

// Memory in another process, released on every path.
class RemoteMemory {
  public:
    RemoteMemory(HANDLE process, size_t size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size,
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (address_) {
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    char* Address() const { return static_cast<char*>(address_); }

  private:
    HANDLE process_;
    void* address_;
};

} // namespace

std::string ExecutableDirectory() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/") + 1);
}

std::string DefaultProgramPath() {
    return ExecutableDirectory() + "tarnwick.exe";
}

std::string ClassName(HWND window) {
    char name[256] = {};
    const int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, static_cast<size_t>(std::max(length, 0)));
}

std::string Text(HWND window) {
    return Narrow(TextW(window));
}

RECT RectIn(HWND window, HWND reference) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

HWND FindDescendant(HWND parent, const char* className) {
    struct Search {
        const char* className;
        HWND found;
        // A named callback: 32-bit callbacks are __stdcall, which no lambda converts to.
        static BOOL CALLBACK Visit(HWND window, LPARAM data) {
            auto* search = reinterpret_cast<Search*>(data);
            if (EqualsIgnoringCase(ClassName(window), search->className)) {
                search->found = window;
                return FALSE;
            }
            return TRUE;
        }
    } search{className, nullptr};
    EnumChildWindows(parent, Search::Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([window] { return !IsWindow(window); }, timeoutMs);
}

std::string MessageBoxText(HWND box) {
    // After a handler that ran for seconds, the program counts as hung until the
    // box's own message loop has run, and sent messages go unanswered: the text
    // is read once it comes.
    std::string text;
    WaitUntil(
        [&] {
            text = Text(GetDlgItem(box, 0xFFFF));
            return !text.empty() || !IsWindow(box);
        },
        kBoxTimeout);
    return text;
}

bool HasIcon(HWND box) {
    for (HWND child : Children(box)) {
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (EqualsIgnoringCase(ClassName(child), "Static") && (style & SS_TYPEMASK) == SS_ICON &&
            (style & WS_VISIBLE) && SendOr(child, STM_GETICON, 0, 0, 0) != 0) {
            return true;
        }
    }
    return false;
}

void DismissMessageBox(HWND box) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TarnwickProcess::TarnwickProcess(std::string programPath) : programPath_(std::move(programPath)) {}

TarnwickProcess::~TarnwickProcess() {
    if (process_) {
        if (IsRunning() && IsWindow(dialog_)) {
            Close();
            WaitForSingleObject(process_, 2000);
        }
        Kill();
        CloseHandle(process_);
    }
    if (job_) {
        CloseHandle(job_);
    }
}

bool TarnwickProcess::Start(const std::string& arguments, DWORD timeoutMs) {
    error_.clear();
    // Should this test process die, closing its last job handle ends the program too.
    job_ = CreateJobObjectA(nullptr, nullptr);
    if (job_) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    std::string commandLine = "\"" + programPath_ + "\"";
    if (!arguments.empty()) {
        commandLine += " " + arguments;
    }
    const std::string directory = programPath_.substr(0, programPath_.find_last_of("\\/") + 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(programPath_.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED, nullptr, directory.empty() ? nullptr : directory.c_str(),
                        &startup, &info)) {
        error_ = "cannot start " + programPath_ + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    if (job_) {
        AssignProcessToJobObject(job_, process_);
    }
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);

    // The dialog is created hidden and shown once all its controls exist.
    const bool shown = WaitUntil(
        [this] {
            for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", kProgramTitle); window;
                 window = FindWindowExA(nullptr, window, "#32770", kProgramTitle)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == processId_ && IsWindowVisible(window)) {
                    dialog_ = window;
                    return true;
                }
            }
            return !IsRunning();
        },
        timeoutMs);
    if (!shown || !dialog_) {
        error_ = IsRunning() ? "the main dialog did not appear in time"
                             : "the program ended before showing its dialog";
        Kill();
        return false;
    }
    threadId_ = GetWindowThreadProcessId(dialog_, nullptr);
    return true;
}

HWND TarnwickProcess::Control(int id) const {
    return GetDlgItem(dialog_, id);
}

bool TarnwickProcess::SetText(int id, const std::string& text) const {
    const std::wstring wide = Widen(text);
    LRESULT result = 0;
    return Send(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), &result) &&
           result != 0;
}

std::vector<std::string> TarnwickProcess::ListItems(int id) const {
    std::vector<std::string> items;
    for (const std::wstring& item : ListItemsW(*this, id)) {
        items.push_back(Narrow(item));
    }
    return items;
}

bool TarnwickProcess::SelectListItem(int id, int index) const {
    LRESULT result = LB_ERR;
    if (!Send(Control(id), LB_SETCURSEL, static_cast<WPARAM>(index), 0, &result)) {
        return false;
    }
    return index == -1 || result == index;
}

int TarnwickProcess::ListSelection(int id) const {
    return static_cast<int>(SendOr(Control(id), LB_GETCURSEL, 0, 0, LB_ERR));
}

void TarnwickProcess::Click(int id) const {
    PostMessageA(Control(id), BM_CLICK, 0, 0);
}

bool TarnwickProcess::IsChecked(int id) const {
    return SendOr(Control(id), BM_GETCHECK, 0, 0, BST_UNCHECKED) == BST_CHECKED;
}

HWND TarnwickProcess::FocusedWindow() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    // GetFocus answers only for the calling thread.
    if (!GetGUIThreadInfo(threadId_, &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

bool TarnwickProcess::Focus(HWND control) const {
    PostMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    return WaitUntil([&] { return FocusedWindow() == control; }, kSendTimeout);
}

bool TarnwickProcess::PressKey(WORD virtualKey, UINT modifiers) const {
    // Input goes to the foreground window's thread.
    if (!SetForegroundWindow(dialog_) &&
        !WaitUntil([&] { return GetForegroundWindow() == dialog_; }, kSendTimeout)) {
        return false;
    }
    std::vector<WORD> held;
    if (modifiers & MOD_CONTROL) {
        held.push_back(VK_CONTROL);
    }
    if (modifiers & MOD_SHIFT) {
        held.push_back(VK_SHIFT);
    }
    if (modifiers & MOD_ALT) {
        held.push_back(VK_MENU);
    }
    std::vector<INPUT> inputs;
    auto key = [&inputs](WORD vk, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    for (WORD vk : held) {
        key(vk, false);
    }
    key(virtualKey, false);
    key(virtualKey, true);
    for (auto vk = held.rbegin(); vk != held.rend(); ++vk) {
        key(*vk, true);
    }
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size();
}

bool TarnwickProcess::MouseClick(HWND window) const {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) {
        return false;
    }
    // Absolute mouse coordinates run from 0 to 65535 across the primary screen.
    const int x = (rect.left + rect.right) / 2;
    const int y = (rect.top + rect.bottom) / 2;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = (x * 65536 + width / 2) / width;
        input.mi.dy = (y * 65536 + height / 2) / height;
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    return SendInput(3, inputs, sizeof(INPUT)) == 3;
}

void TarnwickProcess::Close() const {
    PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

DWORD TarnwickProcess::WaitForExit(DWORD timeoutMs) const {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

DWORD TarnwickProcess::CloseAndWait(DWORD timeoutMs) const {
    Close();
    return WaitForExit(timeoutMs);
}

bool TarnwickProcess::IsRunning() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void TarnwickProcess::Kill() {
    if (IsRunning()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
}

std::vector<HWND> TarnwickProcess::TopLevelDialogs(const char* title) const {
    std::vector<HWND> windows;
    for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", title); window;
         window = FindWindowExA(nullptr, window, "#32770", title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId_ && window != dialog_) {
            windows.push_back(window);
        }
    }
    return windows;
}

HWND TarnwickProcess::WaitForMessageBox(const char* title, DWORD timeoutMs) const {
    HWND box = nullptr;
    // A box gets its text before it is shown, so a visible one is complete.
    WaitUntil(
        [&] {
            for (HWND window : TopLevelDialogs(title)) {
                if (IsWindowVisible(window) && GetDlgItem(window, 0xFFFF)) {
                    box = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return box;
}

bool TarnwickProcess::NoMessageBoxWithin(const char* title, DWORD forMs) const {
    return !WaitUntil([&] { return !TopLevelDialogs(title).empty(); }, forMs);
}

HWND TarnwickProcess::WaitForBrowser(DWORD timeoutMs) const {
    HWND browser = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelDialogs("Browse for Folder")) {
                if (IsWindowVisible(window) && FindDescendant(window, WC_TREEVIEWA)) {
                    browser = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return browser;
}

std::string TarnwickProcess::BrowserInstruction(HWND browser) const {
    for (HWND child : e2e::Children(browser)) {
        if (EqualsIgnoringCase(ClassName(child), "Static") && IsWindowVisible(child)) {
            const std::string text = e2e::Text(child);
            if (!text.empty()) {
                return text;
            }
        }
    }
    return {};
}

bool TarnwickProcess::ChooseFolder(HWND browser, const std::string& path) {
    error_.clear();
    return ChooseFolderW(*this, browser, Widen(WindowsForm(path)), &error_);
}

void TarnwickProcess::CancelBrowser(HWND browser) const {
    PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
}

bool TarnwickProcess::Browse(int buttonId, const std::string& path) {
    Click(buttonId);
    const HWND browser = WaitForBrowser();
    if (!browser) {
        error_ = "no folder browser appeared";
        return false;
    }
    if (!ChooseFolder(browser, path)) {
        CancelBrowser(browser);
        WaitUntilGone(browser);
        return false;
    }
    if (!WaitUntilGone(browser)) {
        error_ = "the folder browser did not close";
        return false;
    }
    // The handler fills the field, then (for the source) scans before it returns.
    const int field = buttonId == IDC_SOURCE_BROWSE ? IDC_SOURCE_PATH : IDC_DEST_PATH;
    const std::string expected = WindowsForm(path);
    if (!WaitUntil([&] { return EqualsIgnoringCase(Text(field), expected); }, kBoxTimeout)) {
        error_ = "the field shows \"" + Text(field) + "\", not \"" + expected + "\"";
        return false;
    }
    return Sync();
}

bool TarnwickProcess::BrowseSource(const std::string& path) {
    return Browse(IDC_SOURCE_BROWSE, path);
}

bool TarnwickProcess::BrowseDestination(const std::string& path) {
    return Browse(IDC_DEST_BROWSE, path);
}

bool TarnwickProcess::Sync(DWORD timeoutMs) const {
    // A marker travels through the program's queue behind everything posted
    // before it: the edit field's modified flag, which the program never reads.
    const HWND marker = Control(IDC_SOURCE_PATH);
    if (!Send(marker, EM_SETMODIFY, FALSE, 0) || !PostMessageA(marker, EM_SETMODIFY, TRUE, 0)) {
        return false;
    }
    return WaitUntil([&] { return SendOr(marker, EM_GETMODIFY, 0, 0, 0) != 0; }, timeoutMs, 20);
}

namespace {

std::wstring TreeItemTextW(HANDLE process, HWND tree, HTREEITEM item) {
    constexpr int kChars = 260;
    RemoteMemory remote(process, sizeof(TVITEMW) + kChars * sizeof(wchar_t));
    if (!remote.Address()) {
        return {};
    }
    TVITEMW request{};
    request.mask = TVIF_HANDLE | TVIF_TEXT;
    request.hItem = item;
    request.pszText = reinterpret_cast<LPWSTR>(remote.Address() + sizeof(TVITEMW));
    request.cchTextMax = kChars;
    if (!WriteProcessMemory(process, remote.Address(), &request, sizeof request, nullptr) ||
        !Send(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.Address()))) {
        return {};
    }
    TVITEMW answer{};
    wchar_t text[kChars] = {};
    if (!ReadProcessMemory(process, remote.Address(), &answer, sizeof answer, nullptr) ||
        !answer.pszText ||
        !ReadProcessMemory(process, answer.pszText, text, sizeof text - sizeof(wchar_t), nullptr)) {
        return {};
    }
    return text;
}

bool EqualsIgnoringCaseW(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The first child of `parent` whose text is `name` (or contains it), expanding
// `parent` until the shell has filled it or the time is up.
HTREEITEM FindChildItemW(HANDLE process, HWND tree, HTREEITEM parent, const std::wstring& name,
                         bool substring, DWORD timeoutMs) {
    HTREEITEM found = nullptr;
    WaitUntil(
        [&] {
            Send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
            LRESULT child =
                SendOr(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent), 0);
            while (child) {
                const auto item = reinterpret_cast<HTREEITEM>(child);
                const std::wstring text = TreeItemTextW(process, tree, item);
                if (substring ? text.find(name) != std::wstring::npos
                              : EqualsIgnoringCaseW(text, name)) {
                    found = item;
                    return true;
                }
                child = SendOr(tree, TVM_GETNEXTITEM, TVGN_NEXT, child, 0);
            }
            return false;
        },
        timeoutMs, 100);
    return found;
}

} // namespace

std::wstring TextW(HWND window) {
    LRESULT length = 0;
    if (!window || !Send(window, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0) {
        return {};
    }
    std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!Send(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
              &copied)) {
        return {};
    }
    buffer.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
    return buffer;
}

std::vector<std::wstring> ListItemsW(const TarnwickProcess& program, int id) {
    const HWND list = program.Control(id);
    std::vector<std::wstring> items;
    const LRESULT count = SendOr(list, LB_GETCOUNT, 0, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendOr(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, LB_ERR);
        if (length == LB_ERR) {
            break;
        }
        // The ANSI form of LB_GETTEXT returns only the first character across
        // processes under Wine.
        std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT copied = SendOr(list, LB_GETTEXT, static_cast<WPARAM>(i),
                                      reinterpret_cast<LPARAM>(buffer.data()), LB_ERR);
        if (copied == LB_ERR) {
            break;
        }
        buffer.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
        items.push_back(buffer);
    }
    return items;
}

bool ChooseFolderW(const TarnwickProcess& program, HWND browser, const std::wstring& path,
                   std::string* error) {
    const HANDLE process = program.ProcessHandle();
    const HWND tree = FindDescendant(browser, WC_TREEVIEWA);
    if (path.size() < 2 || path[1] != L':' || !tree) {
        *error = !tree ? "the browser has no folder tree" : "not a path with a drive letter";
        return false;
    }
    std::vector<std::wstring> folders;
    std::wstring folder;
    for (size_t i = 2; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\') {
            if (!folder.empty()) {
                folders.push_back(folder);
            }
            folder.clear();
        } else {
            folder += path[i];
        }
    }
    HTREEITEM root = nullptr;
    WaitUntil(
        [&] {
            root = reinterpret_cast<HTREEITEM>(SendOr(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, 0));
            return root != nullptr;
        },
        kBrowserTimeout);
    HTREEITEM item =
        root ? FindChildItemW(process, tree, root, L"My Computer", false, kBrowserTimeout)
             : nullptr;
    const wchar_t letter = path[0] >= L'a' && path[0] <= L'z' ? path[0] - L'a' + L'A' : path[0];
    const std::wstring drive = std::wstring(L"(") + letter + L":)";
    item = item ? FindChildItemW(process, tree, item, drive, true, kBrowserTimeout) : nullptr;
    if (!item) {
        *error = "no My Computer or no drive in the folder tree";
        return false;
    }
    for (const std::wstring& name : folders) {
        HTREEITEM next = FindChildItemW(process, tree, item, name, false, 5000);
        if (!next) {
            *error = "no folder \"" + Narrow(name) + "\" under \"" +
                     Narrow(TreeItemTextW(process, tree, item)) + "\"";
            return false;
        }
        item = next;
    }
    const auto caret = [&] {
        return reinterpret_cast<HTREEITEM>(SendOr(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, 0));
    };
    // As in ChooseFolder: the browser may still be placing its initial selection.
    const bool selected = WaitUntil(
        [&] {
            if (caret() != item) {
                Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
                return false;
            }
            Sleep(200);
            return caret() == item;
        },
        kBrowserTimeout, 100);
    if (!selected) {
        *error = "the browser did not keep the selection";
        return false;
    }
    PostMessageA(browser, WM_COMMAND, IDOK, 0);
    return true;
}

} // namespace e2e

namespace e2e {

struct SentInBackground::State {
    std::atomic<bool> answered{false};
    std::atomic<LRESULT> result{0};
    std::thread sender;
};

SentInBackground::SentInBackground(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   DWORD timeoutMs)
    : state_(new State) {
    state_->sender = std::thread([=] {
        DWORD_PTR result = 0;
        if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result)) {
            state_->result = static_cast<LRESULT>(result);
            state_->answered = true;
        }
    });
}

SentInBackground::~SentInBackground() {
    state_->sender.join();
    delete state_;
}

bool SentInBackground::Answered() const {
    return state_->answered;
}

LRESULT SentInBackground::Result() const {
    return state_->result;
}

std::string TarnwickProcess::Caption() const {
    wchar_t caption[256] = {};
    GetWindowTextW(dialog_, caption, 256);
    char ansi[512] = {};
    WideCharToMultiByte(CP_ACP, 0, caption, -1, ansi, sizeof ansi, nullptr, nullptr);
    return ansi;
}

} // namespace e2e
