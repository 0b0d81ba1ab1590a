#include "lists/ListTransfer.h"

#include "app/ControlIds.h"
#include "lists/FolderRecord.h"
#include "lists/ListBox.h"

#include <cstdint>

namespace {

// Add to the target, then delete from the source, then set the flag: a name the
// source list cannot find again stays in both lists, and only the first record
// of that exact name changes.
void MoveSelected(int sourceId, int targetId, std::uint8_t flag) {
    const HWND source = GetDlgItem(hMainDlg, sourceId);
    const HWND target = GetDlgItem(hMainDlg, targetId);
    const std::string text = ListSelectedText(source);
    if (text.empty()) {
        return;
    }
    ListAddString(target, text);
    const LRESULT found = FindListString(source, 1, text);
    SendMessageA(source, LB_DELETESTRING, static_cast<WPARAM>(found), 0);
    if (FolderRecord* record = FindRecordByDisplayName(folderRecords, text)) {
        record->chosen = flag;
    }
}

// Rebuilds both lists from the table: every folder in the target, none in the
// other list, every flag equal.
void MoveAll(int targetId, std::uint8_t flag) {
    ListReset(GetDlgItem(hMainDlg, IDC_SOURCE_LIST));
    ListReset(GetDlgItem(hMainDlg, IDC_RESTORE_LIST));
    const HWND target = GetDlgItem(hMainDlg, targetId);
    const int upperBound = UpperBound(folderRecords);
    for (int i = 1; i <= upperBound; ++i) {
        ListAddString(target, folderRecords[i].displayName);
        folderRecords[i].chosen = flag;
    }
}

} // namespace

LRESULT OnAddAll(HWND, UINT, WPARAM, LPARAM) {
    MoveAll(IDC_RESTORE_LIST, 1);
    return 0;
}

LRESULT OnAddSelected(HWND, UINT, WPARAM, LPARAM) {
    MoveSelected(IDC_SOURCE_LIST, IDC_RESTORE_LIST, 1);
    return 0;
}

LRESULT OnRemoveSelected(HWND, UINT, WPARAM, LPARAM) {
    MoveSelected(IDC_RESTORE_LIST, IDC_SOURCE_LIST, 0);
    return 0;
}

LRESULT OnRemoveAll(HWND, UINT, WPARAM, LPARAM) {
    MoveAll(IDC_SOURCE_LIST, 0);
    return 0;
}
