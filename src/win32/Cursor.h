#pragma once
#include <windows.h>

namespace win32 {

// Shows one of the system's shared cursors (IDC_WAIT, IDC_ARROW, ...).
inline void ShowSystemCursor(const char* id) {
    SetCursor(static_cast<HCURSOR>(
        LoadImageA(nullptr, id, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE)));
}

} // namespace win32
