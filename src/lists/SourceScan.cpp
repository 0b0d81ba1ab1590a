#include "lists/SourceScan.h"

#include "app/ControlIds.h"
#include "common/Path.h"
#include "app/Handler.h"
#include "lists/FolderRecord.h"
#include "lists/ListBox.h"
#include "restore/FolderHeaderFile.h"
#include "win32/FileSystem.h"

std::vector<FolderRecord> folderRecords;

void ScanSourceFolders(const std::string& sourcePath) {
    folderRecords.assign(1, FolderRecord{});

    std::vector<win32::DirectoryEntry> entries;
    win32::ListPlainFiles(JoinPath(sourcePath, "*.PMM"), entries);
    for (const win32::DirectoryEntry& entry : entries) {
        if (!HasExtension(entry.name, ".PMM")) {
            continue;
        }
        FolderRecord record;
        record.fileName = entry.name;
        const std::string path = JoinPath(sourcePath, entry.name);
        // A path the file calls cannot take is not shortened into another file's:
        // the record stays, with empty texts.
        if (path.size() <= kMaxPathLength) {
            FolderHeaderTexts header =
                ReadFolderHeader(path, (entry.attributes & FILE_ATTRIBUTE_READONLY) != 0);
            record.displayName = std::move(header.displayName);
            record.folderId = std::move(header.folderId);
        }
        folderRecords.push_back(std::move(record));
    }
    SortFolderRecords(folderRecords);

    // One repaint after all the names rather than one per name.
    const HWND list = GetDlgItem(hMainDlg, IDC_SOURCE_LIST);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    const int upperBound = UpperBound(folderRecords);
    for (int i = 1; i <= upperBound; ++i) {
        ListAddString(list, folderRecords[i].displayName);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}
