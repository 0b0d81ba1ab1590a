#include <windows.h>
#include <objbase.h>

#include "app/MainDialog.h"

#include <new>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The shell's folder browser needs COM on this, the only, thread.
    const HRESULT com = CoInitialize(nullptr);

    int exitCode = 255;
    try {
        exitCode = AppMain();
    } catch (const std::bad_alloc&) {
        // Out of memory while building the dialog, before it is shown: end
        // without a message rather than run on with half a dialog. Later, a
        // handler that runs out (a scan's folder table, say) ends alone and the
        // dialog stays (MainDialogProc).
        exitCode = 255;
    }

    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    ExitProcess(static_cast<UINT>(exitCode));
}
