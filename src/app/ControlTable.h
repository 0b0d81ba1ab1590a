#pragma once
#include <windows.h>

#include "app/HelpAbout.h"
#include "app/Version.h"
#include "browse/Pickers.h"
#include "lists/ListTransfer.h"
#include "restore/Restore.h"
#include "common/ControlIds.h"
#include "app/MainDialogHandle.h"

#include <array>

// A push button's handler. Every handler of this program returns 0 and looks at
// none of its arguments: it reaches the controls through hMainDlg.
using Handler = LRESULT (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

enum class ControlKind { PushButton, CheckBox, Label, EditField, ListBox };

struct ControlKindSpec {
    const char* windowClass;
    DWORD defaultStyle;
    // Edit fields and list boxes given their default style trade WS_BORDER for a
    // sunken client edge.
    bool borderRule;
};

constexpr ControlKindSpec KindSpec(ControlKind kind) {
    switch (kind) {
    case ControlKind::PushButton:
        return {"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, false};
    case ControlKind::CheckBox:
        return {"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, false};
    case ControlKind::Label:
        return {"STATIC", WS_CHILD | WS_VISIBLE | SS_LEFT, false};
    case ControlKind::EditField:
        return {"EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL,
                true};
    case ControlKind::ListBox:
        return {"LISTBOX",
                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_SORT,
                true};
    }
    return {"STATIC", 0, false};
}

// One control of the main dialog. Position and size are in dialog units; a style
// of 0 (and extended style 0) means the kind's default.
struct ControlSpec {
    ControlKind kind;
    int id;
    const char* caption;
    int x, y, w, h;
    DWORD style;
    DWORD exStyle;
    Handler handler;
};

struct ResolvedStyle {
    DWORD style;
    DWORD exStyle;
};

constexpr ResolvedStyle ResolveStyle(const ControlSpec& control) {
    if (control.style != 0) {
        return {control.style, control.exStyle};
    }
    const ControlKindSpec kind = KindSpec(control.kind);
    if (kind.borderRule) {
        return {kind.defaultStyle & ~DWORD{WS_BORDER}, control.exStyle | WS_EX_CLIENTEDGE};
    }
    return {kind.defaultStyle, control.exStyle};
}

constexpr const char kCreditLine[] =
    "Tarnwick " TARNWICK_VERSION ": restores archived mail folders as a separate mailbox";

constexpr DWORD kRightLabel = WS_CHILD | WS_VISIBLE | SS_RIGHT;

// The main dialog's controls in creation order, which is also the tab order.
// Creation and command dispatch both read this table.
constexpr std::array<ControlSpec, 20> kControls = {{
    {ControlKind::ListBox, IDC_SOURCE_LIST, "", 10, 65, 125, 145, 0, 0, nullptr},
    {ControlKind::ListBox, IDC_RESTORE_LIST, "", 175, 65, 115, 145, 0, 0, nullptr},
    {ControlKind::CheckBox, IDC_COPY_NEW_MAIL, "", 75, 40, 10, 10, 0, 0, nullptr},
    {ControlKind::Label, IDC_LABEL, "Copy contents of New Mail folder as well.", 90, 40, 145, 10, 0,
     0, nullptr},
    {ControlKind::PushButton, IDC_ADD_ALL, ">>", 145, 70, 15, 15, 0, 0, OnAddAll},
    {ControlKind::PushButton, IDC_ADD_SELECTED, ">", 145, 90, 15, 15, 0, 0, OnAddSelected},
    {ControlKind::PushButton, IDC_REMOVE_SELECTED, "<", 145, 110, 15, 15, 0, 0, OnRemoveSelected},
    {ControlKind::PushButton, IDC_REMOVE_ALL, "<<", 145, 130, 15, 15, 0, 0, OnRemoveAll},
    {ControlKind::EditField, IDC_SOURCE_PATH, "", 75, 10, 260, 10, 0, 0, nullptr},
    {ControlKind::EditField, IDC_DEST_PATH, "", 75, 25, 260, 10, 0, 0, nullptr},
    {ControlKind::Label, IDC_LABEL, "Source Directory", 15, 10, 55, 10, kRightLabel, 0, nullptr},
    {ControlKind::Label, IDC_LABEL, "Destination Directory", 0, 25, 70, 10, kRightLabel, 0,
     nullptr},
    {ControlKind::PushButton, IDC_SOURCE_BROWSE, "Browse", 340, 10, 30, 10, 0, 0, OnSourceBrowse},
    {ControlKind::PushButton, IDC_DEST_BROWSE, "Browse", 340, 25, 30, 10, 0, 0, OnDestBrowse},
    {ControlKind::Label, IDC_LABEL, "Unselected Mail Folders in Source", 10, 55, 120, 10, 0, 0,
     nullptr},
    {ControlKind::Label, IDC_LABEL, "Mail Folders to Restore", 175, 55, 120, 10, 0, 0, nullptr},
    {ControlKind::PushButton, IDC_RESTORE, "Restore", 305, 185, 60, 20, 0, 0, OnRestore},
    {ControlKind::Label, IDC_LABEL, kCreditLine, 70, 220, 300, 10, 0, 0, nullptr},
    {ControlKind::Label, IDC_LABEL, "", 5, 235, 290, 10, 0, 0, nullptr},
    {ControlKind::PushButton, IDC_HELP_ABOUT, "Help/About", 5, 210, 60, 20, 0, 0, OnHelpAbout},
}};

// The handler bound to the control of this ID; nullptr for the labels (which
// share ID 1) and every ID without a button.
constexpr Handler HandlerOf(int id) {
    for (const ControlSpec& control : kControls) {
        if (control.id == id && control.handler) {
            return control.handler;
        }
    }
    return nullptr;
}
