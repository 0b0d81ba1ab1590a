#include "restore/RestorePlan.h"

#include "restore/RestoreNames.h"

#include <algorithm>

namespace {

std::string TrimSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The refusal for a folder whose restored names the destination cannot take.
// The names are looked up as they are: cut out of a joined path they could end
// at a backslash byte inside a multibyte character.
std::string ExistingRefusal(const PlannedFolder& folder, const DestinationNames& existing,
                            const NameKey& key) {
    for (const std::string* name : {&folder.message.name, &folder.index.name}) {
        const auto found = existing.find(key(*name));
        if (found != existing.end()) {
            const std::string refusal = ExistingFileRefusal(found->second, *name);
            if (!refusal.empty()) {
                return refusal + ", so this folder was not restored";
            }
        }
    }
    return "";
}

} // namespace

PlannedFile PlanFile(const std::string& sourcePath, const std::string& destinationText,
                     const std::string& name) {
    return PlannedFile{name,
                       sourcePath,
                       JoinPath(destinationText, name),
                       TemporaryPathOf(destinationText, name),
                       TemporaryPathOf(destinationText, name, kEarlierSuffix),
                       TemporaryPathOf(destinationText, name, kNoEarlierSuffix),
                       TemporaryPathOf(destinationText, name, kNewSuffix)};
}

bool DestinationTextIsMissing(const std::string& destinationText) {
    return TrimSpaces(destinationText) < std::string(" ");
}

std::string AsciiNameKey(const std::string& name) {
    std::string key = name;
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return key;
}

std::string ExistingFileRefusal(ExistingFile existing, const std::string& name) {
    switch (existing) {
    case ExistingFile::Plain:
        return "";
    case ExistingFile::ReadOnly:
        return name + " in the destination is read-only and was not replaced";
    case ExistingFile::Hidden:
        return name + " in the destination is hidden and was not replaced";
    case ExistingFile::Directory:
        return "the destination has a directory named " + name;
    }
    return "";
}

std::vector<PlannedFolder> PlanRestore(const std::vector<FolderRecord>& records,
                                       const std::string& sourceText,
                                       const std::string& destinationText,
                                       const DestinationNames& existing, const NameKey& key) {
    std::vector<PlannedFolder> plan;
    // Restored name's key -> the file name of the folder that has it.
    std::unordered_map<std::string, std::string> usedNames;
    for (std::size_t i = 1; i < records.size(); ++i) {
        const FolderRecord& record = records[i];
        if (record.chosen != 1) {
            continue;
        }
        const std::string restoredName = MakeRestoredName(record.fileName);
        const std::string sourcePath = JoinPath(sourceText, record.fileName);
        PlannedFolder folder;
        folder.fileName = record.fileName;
        folder.newFolderId = MakeNewFolderId(record.folderId, record.fileName);
        folder.message = PlanFile(sourcePath, destinationText, restoredName);
        folder.index =
            PlanFile(IndexPathOf(sourcePath), destinationText, IndexPathOf(restoredName));
        folder.indexName = IndexPathOf(record.fileName);

        const std::string restoredKey = key(restoredName);
        const auto clash = usedNames.find(restoredKey);
        if (clash != usedNames.end()) {
            folder.refusal = "same restored name as " + clash->second;
        } else if (sourcePath.size() > kMaxPathLength) {
            folder.refusal = "the source path is too long";
        } else if (folder.message.noEarlierPath.size() > kMaxPathLength) {
            // The longest path the restore makes of the destination's.
            folder.refusal = "the destination path is too long";
        } else {
            folder.refusal = ExistingRefusal(folder, existing, key);
            usedNames.emplace(restoredKey, record.fileName);
        }
        plan.push_back(std::move(folder));
    }
    return plan;
}

std::string CompletionText(const std::string& sourceText, const std::string& destinationText,
                           const std::vector<RestoreFailure>& failures) {
    if (failures.empty()) {
        return "Mail files copied from " + sourceText + " to " + destinationText;
    }
    std::string text =
        "Not all mail files were copied from " + sourceText + " to " + destinationText;
    const std::size_t listed = std::min(failures.size(), kMaxReportedFailures);
    for (std::size_t i = 0; i < listed; ++i) {
        text += "\r\n" + failures[i].fileName + ": " + failures[i].reason;
    }
    if (failures.size() > listed) {
        text += "\r\nand " + std::to_string(failures.size() - listed) + " more";
    }
    return text;
}
