// Decodes arbitrary header bytes into records and checks what the scan relies
// on: texts stay inside their fields, and the table order is a strict weak order
// whose sort keeps the blank element first.
#include "lists/FolderRecord.h"
#include "restore/FolderHeader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

FolderRecord Decode(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::size_t nameBytes = std::min(size, kDisplayNameLength);
    const std::size_t idBytes =
        size > kFolderIdOffset ? std::min(size - kFolderIdOffset, kFolderIdLength) : 0;
    FolderRecord record;
    record.displayName = FieldText(bytes, nameBytes);
    record.folderId = idBytes ? FieldText(bytes + kFolderIdOffset, idBytes) : "";
    record.fileName = std::string(bytes, std::min<std::size_t>(size, 40));
    record.chosen = size & 1;

    Check(record.displayName.size() <= kDisplayNameLength);
    Check(record.folderId.size() <= kFolderIdLength);
    Check(record.displayName.find('\0') == std::string::npos);
    Check(record.folderId.find('\0') == std::string::npos);
    return record;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Three records cut from the input, so that triples exercise transitivity.
    std::vector<FolderRecord> records = {FolderRecord{}};
    const std::size_t third = size / 3;
    for (std::size_t i = 0; i < 3; ++i) {
        records.push_back(Decode(data + i * third, i == 2 ? size - 2 * third : third));
    }
    for (const FolderRecord& a : records) {
        Check(!FolderRecordLess(a, a));
        for (const FolderRecord& b : records) {
            Check(!(FolderRecordLess(a, b) && FolderRecordLess(b, a)));
            for (const FolderRecord& c : records) {
                Check(!(FolderRecordLess(a, b) && FolderRecordLess(b, c)) ||
                      FolderRecordLess(a, c));
            }
        }
    }
    SortFolderRecords(records);
    Check(std::is_sorted(records.begin() + 1, records.end(), FolderRecordLess));
    Check(records[0].displayName.empty() && records[0].fileName.empty());
    return 0;
}
