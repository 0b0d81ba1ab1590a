#pragma once
#include <windows.h>

#include <string>

namespace win32 {

// The whole text of a window, exactly as it stands.
inline std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) {
        return "";
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

// The whole window text of a dialog's control, exactly as it stands.
inline std::string ControlText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

} // namespace win32
