#pragma once
#include <windows.h>

#include <string>

// Thin wrappers over the list box messages the folder lists use.
//
// A list box keeps its lines as UTF-16. A name added as ANSI bytes is converted
// with the system code page, and on a multibyte or UTF-8 code page the bytes read
// back can differ from those added (bytes at or above 0x80, invalid sequences, a
// name cut inside a double-byte character). So a line is read, moved and matched
// as the UTF-16 text the list box holds, never as bytes converted back.

// Adds an ANSI name; returns the index it was sorted in at, or LB_ERR.
inline LRESULT ListAddString(HWND list, const std::string& text) {
    return SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

inline void ListAddText(HWND list, const std::wstring& text) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

inline void ListReset(HWND list) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
}

// The text of line index as the list box holds it; empty for LB_ERR.
inline std::wstring ListTextAt(HWND list, LRESULT index) {
    if (index == LB_ERR) {
        return L"";
    }
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length <= 0) {
        return L"";
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

inline LRESULT ListSelection(HWND list) {
    return SendMessageA(list, LB_GETCURSEL, 0, 0);
}

// Redraw stays off while a list is filled: every insertion into a visible list
// box otherwise updates its scroll bar, which costs far more than the insertion.
// One repaint afterwards.
class ListRedrawPause {
  public:
    explicit ListRedrawPause(HWND list) : list_(list) {
        SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    }
    ~ListRedrawPause() {
        SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
        // A null list (the dialog already gone) would repaint the whole desktop.
        if (list_) {
            InvalidateRect(list_, nullptr, TRUE);
        }
    }
    ListRedrawPause(const ListRedrawPause&) = delete;
    ListRedrawPause& operator=(const ListRedrawPause&) = delete;

  private:
    HWND list_;
};
