#pragma once

#include <string>

// Rebuilds folderRecords from the folder message files of sourcePath, sorts it
// and adds every display name to the left list box. The caller has emptied both
// list boxes.
void ScanSourceFolders(const std::string& sourcePath);
