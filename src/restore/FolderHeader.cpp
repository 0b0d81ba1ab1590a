#include "restore/FolderHeader.h"

#include <algorithm>

std::string FieldText(const char* bytes, std::size_t count) {
    return std::string(bytes, std::find(bytes, bytes + count, '\0'));
}

bool FolderIdFits(const std::string& id) {
    return id.size() <= kFolderIdLength;
}
