#include "app/MainDialog.h"

#include "app/ControlTable.h"
#include "app/DialogTemplate.h"
#include "win32/BusyWindow.h"

#include <vector>

HWND hMainDlg = nullptr;

namespace {

INT_PTR endValue = 0;

void EndMainDialog(HWND dialog, INT_PTR value) {
    endValue = value;
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    DestroyWindow(dialog);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // A restore lets in what other programs send while it runs, so that Windows
    // sees the program alive (win32/BusyWindow.h); a command or the Close command
    // that comes in then is acted on after the run, as a click would be.
    if (win32::BusyWindow::IsBusy(dialog)) {
        if (message == WM_COMMAND || message == WM_SYSCOMMAND) {
            PostMessageA(dialog, message, wParam, lParam);
            return 1;
        }
        // A shutdown or a log-off would end the run between two folders, with
        // the rest missing and no box to say so: it waits until the run is over.
        if (message == WM_QUERYENDSESSION) {
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, FALSE);
            return 1;
        }
    }
    switch (message) {
    case WM_COMMAND: {
        // Labels share ID 1 (IDOK), so Enter resolves to a label, which has no
        // handler; nothing has ID 2 (IDCANCEL). Neither closes the dialog. A
        // button that could not be created sends nothing and runs nothing.
        const int id = LOWORD(wParam);
        const Handler handler = GetDlgItem(dialog, id) ? HandlerOf(id) : nullptr;
        if (!handler) {
            return 0;
        }
        LRESULT result = 0;
        try {
            result = handler(dialog, message, wParam, lParam);
        } catch (...) {
            // Nothing, not even an unknown exception, may unwind through the
            // system's dialog code; a handler that throws (out of memory, say)
            // simply ends.
        }
        if (result != 0 && GetWindowLongPtrA(dialog, DWLP_MSGRESULT) == 0) {
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
        }
        return result;
    }
    case WM_SYSCOMMAND:
        // The low four bits are the system's own, hence the mask.
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            EndMainDialog(dialog, 0);
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}

void AddControl(const ControlSpec& control, HFONT font, HINSTANCE instance) {
    const ResolvedStyle style = ResolveStyle(control);
    // Convert edges, not sizes, so that neighbouring controls meet exactly.
    RECT pixels{control.x, control.y, control.x + control.w, control.y + control.h};
    MapDialogRect(hMainDlg, &pixels);
    HWND window = CreateWindowExA(
        style.exStyle, KindSpec(control.kind).windowClass, control.caption, style.style,
        pixels.left, pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top, hMainDlg,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
    if (!window) {
        return;
    }
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void RunModalLoop() {
    MSG message;
    while (IsWindow(hMainDlg)) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        if (IsWindow(hMainDlg) && IsDialogMessageA(hMainDlg, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace

INT_PTR ShowMainDialog(HWND owner) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    const std::vector<WORD> dialogTemplate = BuildMainDialogTemplate();
    hMainDlg = CreateDialogIndirectParamA(
        instance, reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), owner,
        MainDialogProc, 0);
    if (!hMainDlg) {
        return 0;
    }
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(hMainDlg, WM_GETFONT, 0, 0));
    for (const ControlSpec& control : kControls) {
        AddControl(control, font, instance);
    }
    SendDlgItemMessageA(hMainDlg, IDC_COPY_NEW_MAIL, BM_SETCHECK, BST_CHECKED, 0);
    ShowWindow(hMainDlg, SW_SHOW);
    RunModalLoop();
    return endValue;
}

int AppMain() {
    ShowMainDialog(nullptr);
    return 0;
}
