// Checks the restored-name and folder-ID rules on arbitrary names and IDs: the
// new ID fits the header field and keeps the old length, names are never cut, and
// no two folders planned for copying share a restored name.
#include "restore/FolderHeader.h"
#include "restore/RestoreNames.h"
#include "restore/RestorePlan.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // Input: file names and an ID separated by '\n'; the ID is the last line.
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = input.find('\n', start)) != std::string::npos; start = end + 1) {
        parts.push_back(input.substr(start, end - start));
    }
    std::string folderId = input.substr(start).substr(0, kFolderIdLength);
    folderId = folderId.substr(0, folderId.find('\0'));

    std::vector<FolderRecord> records = {FolderRecord{}};
    for (const std::string& fileName : parts) {
        if (fileName.empty()) {
            continue;
        }
        const std::string restored = MakeRestoredName(fileName);
        Check(restored.compare(0, 3, "BAK") == 0);
        const std::size_t dot = fileName.rfind('.');
        if (dot != std::string::npos && fileName.back() != ' ') {
            Check(restored.size() >= fileName.size() - dot);
            Check(restored.compare(restored.size() - (fileName.size() - dot), std::string::npos,
                                   fileName, dot, std::string::npos) == 0);
        }

        const std::string newId = MakeNewFolderId(folderId, fileName);
        Check(newId.compare(0, 2, "BA") == 0);
        Check(newId.size() == std::max<std::size_t>(folderId.size(), 2));
        Check(FolderIdFits(newId));

        const std::string index = IndexPathOf(fileName);
        Check(index.size() == fileName.size() && index.back() == 'I');

        records.push_back(FolderRecord{"", fileName, folderId, 1, {}});
    }

    std::set<std::string> copied;
    for (const PlannedFolder& folder : PlanRestore(records, "Z:\\a", "Z:\\b").folders) {
        if (folder.refusal.empty()) {
            Check(copied.insert(Upper(folder.message.name)).second);
        }
    }
    return 0;
}
