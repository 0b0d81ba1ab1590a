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

    std::vector<std::string> names;
    win32::ListPlainFiles(JoinPath(sourcePath, "*.PMM"), names);
    for (const std::string& name : names) {
        if (!HasExtension(name, ".PMM")) {
            continue;
        }
        FolderRecord record;
        record.fileName = name;
        const std::string path = JoinPath(sourcePath, name);
        // A path the file calls cannot take is not shortened into another file's:
        // the record stays, with empty texts.
        if (path.size() <= kMaxPathLength) {
            FolderHeaderTexts header = ReadFolderHeader(path);
            record.displayName = std::move(header.displayName);
            record.folderId = std::move(header.folderId);
        }
        folderRecords.push_back(std::move(record));
    }
    SortFolderRecords(folderRecords);

    const HWND list = GetDlgItem(hMainDlg, IDC_SOURCE_LIST);
    const int upperBound = UpperBound(folderRecords);
    for (int i = 1; i <= upperBound; ++i) {
        ListAddString(list, folderRecords[i].displayName);
    }
}
