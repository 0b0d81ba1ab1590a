#include "browse/Pickers.h"

#include "common/ControlIds.h"
#include "browse/BrowseForFolder.h"
#include "lists/ListBox.h"
#include "lists/SourceScan.h"

namespace {

constexpr const char kSuggestedSource[] = "c:\\pmail\\mail";

} // namespace

// An unnamable directory is refused before anything changes: the field keeps its
// text and the lists their folders.
LRESULT OnSourceBrowse(HWND, UINT, WPARAM, LPARAM) {
    const ChosenDirectory chosen =
        BrowseForFolder(nullptr, "Select Source directory", kSuggestedSource);
    if (chosen.unnamable) {
        ShowUnnamableDirectoryError();
        return 0;
    }
    if (chosen.path.empty()) {
        return 0;
    }
    SetDlgItemTextA(hMainDlg, IDC_SOURCE_PATH, chosen.path.c_str());
    ListReset(GetDlgItem(hMainDlg, IDC_SOURCE_LIST));
    ListReset(GetDlgItem(hMainDlg, IDC_RESTORE_LIST));
    ScanSourceFolders(chosen.path);
    return 0;
}

LRESULT OnDestBrowse(HWND, UINT, WPARAM, LPARAM) {
    const ChosenDirectory chosen = BrowseForFolder(nullptr, "Destination Directory", "");
    if (chosen.unnamable) {
        ShowUnnamableDirectoryError();
        return 0;
    }
    SetDlgItemTextA(hMainDlg, IDC_DEST_PATH, chosen.path.c_str());
    return 0;
}
