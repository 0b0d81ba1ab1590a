#include "lists/SourceScan.h"

#include "lists/FolderRecord.h"
#include "lists/ListBox.h"
#include "restore/FolderHeaderFile.h"
#include "common/ControlIds.h"
#include "common/Path.h"
#include "win32/FileSystem.h"
#include "app/MainDialogHandle.h"

std::vector<FolderRecord> folderRecords;

namespace {

void AddDisplayName(HWND list, FolderRecord& record) {
    const LRESULT index = ListAddString(list, record.displayName);
    record.listText = ListTextAt(list, index);
}

} // namespace

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

    // Each name is read back as the list box holds it: that text, not the
    // header's bytes, is what a moved line is matched to.
    const HWND list = GetDlgItem(hMainDlg, IDC_SOURCE_LIST);
    const ListRedrawPause pause(list);
    const int upperBound = UpperBound(folderRecords);
    for (int i = 1; i <= upperBound; ++i) {
        AddDisplayName(list, folderRecords[i]);
    }
}
