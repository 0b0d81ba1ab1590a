#pragma once
#include <windows.h>

#include <string>

// Thin wrappers over the list box messages the folder lists use.
inline void ListAddString(HWND list, const std::string& text) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

inline void ListReset(HWND list) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
}

// The selected entry's text; empty when nothing is selected.
inline std::string ListSelectedText(HWND list) {
    const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) {
        return "";
    }
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length <= 0) {
        return "";
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied =
        SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

// LB_FINDSTRINGEXACT from start: the whole text, without regard to case,
// beginning after start and wrapping round, so every entry is examined.
inline LRESULT FindListString(HWND list, WPARAM start, const std::string& text) {
    return SendMessageA(list, LB_FINDSTRINGEXACT, start, reinterpret_cast<LPARAM>(text.c_str()));
}
