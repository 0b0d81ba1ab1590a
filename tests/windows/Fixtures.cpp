#include "Fixtures.h"

#include "lists/FolderRecord.h"
#include "common/ControlIds.h"
#include "common/Titles.h"
#include "app/MainDialogHandle.h"

#include <algorithm>

namespace fixtures {

namespace {

// Functions rather than constants: tests build their own constants from them
// before main.
std::string FirstMessage() {
    return folder_files::MessageText({"From: Archive Keeper <archive@example.org>",
                                      "To: reader@example.org",
                                      "Subject: Minutes of the March meeting"},
                                     "Attached are the minutes.\n");
}

std::string SecondMessage() {
    return folder_files::MessageText(
        {"Received: from mail.example.org", "From: someone@example.org", "Subject: Re: Minutes"},
        "Thanks, \xE9t\xE9 noted.\n");
}

} // namespace

Bytes FolderFile(const std::string& displayName, const std::string& folderId) {
    return folder_files::FolderFile(folder_files::FolderHeader(displayName, folderId),
                                    {FirstMessage(), SecondMessage()});
}

Bytes IndexFile() {
    return folder_files::IndexFile({FirstMessage()},
                                   {{0x00000002, "T30527D1.CNM", "archive@example",
                                     "Minutes of the March meeting", "12 Mar 98", 0x1D2A3B4C}});
}

Bytes NewMailFile(const std::string& subject) {
    return folder_files::MessageText({"Received: from relay.example.org by mail.example.org",
                                      "From: sender@example.org", "Subject: " + subject},
                                     "Body of " + subject + ".\n");
}

Bytes Overwritten(Bytes bytes, std::size_t offset, const std::string& replacement) {
    if (bytes.size() < offset + replacement.size()) {
        bytes.resize(offset + replacement.size(), '\0');
    }
    bytes.replace(offset, replacement.size(), replacement);
    return bytes;
}

std::vector<std::string> ListItems(int listId) {
    const HWND list = GetDlgItem(hMainDlg, listId);
    std::vector<std::string> items;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::string text(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1,
                         '\0');
        text.resize(static_cast<std::size_t>(
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        items.push_back(text);
    }
    return items;
}

void AddListItem(int listId, const std::string& text) {
    SendDlgItemMessageA(hMainDlg, listId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void SelectListItem(int listId, const std::string& text) {
    const std::vector<std::string> items = ListItems(listId);
    const auto found = std::find(items.begin(), items.end(), text);
    ASSERT_NE(found, items.end()) << "no entry \"" << text << "\"";
    SendDlgItemMessageA(hMainDlg, listId, LB_SETCURSEL, found - items.begin(), 0);
}

void ResetLists() {
    SendDlgItemMessageA(hMainDlg, IDC_SOURCE_LIST, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(hMainDlg, IDC_RESTORE_LIST, LB_RESETCONTENT, 0, 0);
}

void WithMainWindow::SetUp() {
    previousMainDlg_ = hMainDlg;
    window_ = CreateWindowExA(0, "STATIC", kProgramTitle, WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    for (const int id : {IDC_SOURCE_LIST, IDC_RESTORE_LIST}) {
        const HWND list = CreateWindowExA(
            0, "LISTBOX", "", WS_CHILD | WS_VSCROLL | LBS_NOTIFY | LBS_SORT | LBS_HASSTRINGS, 0, 0,
            150, 200, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
            GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(list, nullptr);
    }
    hMainDlg = window_;
    folderRecords.clear();
}

void WithMainWindow::TearDown() {
    folderRecords.clear();
    hMainDlg = previousMainDlg_;
    if (window_) {
        DestroyWindow(window_);
    }
}

} // namespace fixtures
