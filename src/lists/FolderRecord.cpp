#include "lists/FolderRecord.h"

#include <algorithm>
#include <string_view>

namespace {

int CompareBytes(unsigned char a, unsigned char b) {
    return (a > b) - (a < b);
}

// Compares two texts as fixed fields of width bytes filled up with fill; bytes
// past the width are not looked at.
int CompareField(const std::string& a, const std::string& b, std::size_t width, char fill) {
    for (std::size_t i = 0; i < width; ++i) {
        const unsigned char x = i < a.size() ? a[i] : fill;
        const unsigned char y = i < b.size() ? b[i] : fill;
        if (const int order = CompareBytes(x, y)) {
            return order;
        }
    }
    return 0;
}

// std::char_traits<char> compares as unsigned char, as the table order needs.
int CompareTail(const std::string& a, const std::string& b, std::size_t from) {
    const std::string_view tailA = a.size() > from ? std::string_view(a).substr(from) : "";
    const std::string_view tailB = b.size() > from ? std::string_view(b).substr(from) : "";
    return tailA.compare(tailB);
}

} // namespace

bool FolderRecordLess(const FolderRecord& a, const FolderRecord& b) {
    if (const int order = CompareField(a.displayName, b.displayName, kDisplayNameField, '\0')) {
        return order < 0;
    }
    if (const int order = CompareField(a.fileName, b.fileName, kFileNameField, ' ')) {
        return order < 0;
    }
    if (const int order = CompareTail(a.fileName, b.fileName, kFileNameField)) {
        return order < 0;
    }
    if (const int order = CompareField(a.folderId, b.folderId, kFolderIdField, '\0')) {
        return order < 0;
    }
    return a.chosen < b.chosen;
}

void SortFolderRecords(std::vector<FolderRecord>& records) {
    // Element 0 is all zero bytes, which no listed record can sort below; it is
    // left where it is rather than compared as a space-filled name.
    if (records.size() > 1) {
        std::sort(records.begin() + 1, records.end(), FolderRecordLess);
    }
}

int UpperBound(const std::vector<FolderRecord>& records) {
    return static_cast<int>(records.size()) - 1;
}

FolderRecord* FindRecordToMove(std::vector<FolderRecord>& records, const std::wstring& text,
                               std::uint8_t flag) {
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (records[i].chosen != flag && records[i].listText == text) {
            return &records[i];
        }
    }
    return nullptr;
}
