#include "win32/BusyWindow.h"

#include "win32/DialogControls.h"

namespace win32 {

namespace {

constexpr const char kBusyProperty[] = "Tarnwick.Busy";
// Five times a second at most: often enough to look alive, seldom enough that a
// run of thousands of small folders does not spend its time drawing.
constexpr DWORD kTickInterval = 200;

// ShutdownBlockReasonCreate and ShutdownBlockReasonDestroy, which Windows XP does
// not have: looked up when needed, so that the program still starts there.
FARPROC User32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? GetProcAddress(user32, name) : nullptr;
}

} // namespace

BusyWindow::BusyWindow(HWND window, const wchar_t* shutdownReason)
    : window_(window), caption_(WindowText(window)), shown_(caption_) {
    SetPropA(window_, kBusyProperty, reinterpret_cast<HANDLE>(1));
    using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
    if (const auto create = reinterpret_cast<Create>(
            reinterpret_cast<void*>(User32Function("ShutdownBlockReasonCreate")))) {
        blocksShutdown_ = create(window_, shutdownReason) != FALSE;
    }
}

BusyWindow::~BusyWindow() {
    RemovePropA(window_, kBusyProperty);
    using Destroy = BOOL(WINAPI*)(HWND);
    if (const auto destroy = reinterpret_cast<Destroy>(
            reinterpret_cast<void*>(User32Function("ShutdownBlockReasonDestroy")));
        destroy && blocksShutdown_) {
        destroy(window_);
    }
    if (shown_ != caption_) {
        SetWindowTextA(window_, caption_.c_str());
    }
}

void BusyWindow::Tick(const std::string& caption) {
    const DWORD now = GetTickCount();
    if (ticked_ && now - lastTick_ < kTickInterval) {
        return;
    }
    ticked_ = true;
    lastTick_ = now;
    if (caption != shown_) {
        SetWindowTextA(window_, caption.c_str());
        shown_ = caption;
    }
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
}

bool BusyWindow::IsBusy(HWND window) {
    return GetPropA(window, kBusyProperty) != nullptr;
}

} // namespace win32
