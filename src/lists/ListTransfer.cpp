#include "lists/ListTransfer.h"

#include "common/ControlIds.h"
#include "lists/FolderRecord.h"
#include "lists/ListBox.h"

#include <cstdint>

namespace {

// Add to the target, then delete the selected line from the source, then set
// the flag of the record that line stands for. The line is moved as the text the
// list box holds, so it matches its record on every code page.
void MoveSelected(int sourceId, int targetId, std::uint8_t flag) {
    const HWND source = GetDlgItem(hMainDlg, sourceId);
    const HWND target = GetDlgItem(hMainDlg, targetId);
    const LRESULT selected = ListSelection(source);
    const std::wstring text = ListTextAt(source, selected);
    if (text.empty()) {
        return;
    }
    ListAddText(target, text);
    // The selected line itself: a search by text would ignore case and could
    // take another folder's line of the same letters.
    SendMessageA(source, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
    if (FolderRecord* record = FindRecordToMove(folderRecords, text, flag)) {
        record->chosen = flag;
    }
}

// Rebuilds both lists from the table: every folder in the target, none in the
// other list, every flag equal.
void MoveAll(int targetId, std::uint8_t flag) {
    ListReset(GetDlgItem(hMainDlg, IDC_SOURCE_LIST));
    ListReset(GetDlgItem(hMainDlg, IDC_RESTORE_LIST));
    const HWND target = GetDlgItem(hMainDlg, targetId);
    const ListRedrawPause pause(target);
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
