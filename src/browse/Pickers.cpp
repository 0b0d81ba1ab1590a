#include "browse/Pickers.h"

#include "app/ControlIds.h"
#include "browse/BrowseForFolder.h"
#include "lists/ListBox.h"
#include "lists/SourceScan.h"

namespace {

constexpr const char kSuggestedSource[] = "c:\\pmail\\mail";

} // namespace

LRESULT OnSourceBrowse(HWND, UINT, WPARAM, LPARAM) {
    const std::string path = BrowseForFolder(nullptr, "Select Source directory", kSuggestedSource);
    if (path.empty()) {
        return 0;
    }
    SetDlgItemTextA(hMainDlg, IDC_SOURCE_PATH, path.c_str());
    ListReset(GetDlgItem(hMainDlg, IDC_SOURCE_LIST));
    ListReset(GetDlgItem(hMainDlg, IDC_RESTORE_LIST));
    ScanSourceFolders(path);
    return 0;
}

LRESULT OnDestBrowse(HWND, UINT, WPARAM, LPARAM) {
    const std::string path = BrowseForFolder(nullptr, "Destination Directory", "");
    SetDlgItemTextA(hMainDlg, IDC_DEST_PATH, path.c_str());
    return 0;
}
