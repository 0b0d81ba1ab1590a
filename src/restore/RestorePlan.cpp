#include "restore/RestorePlan.h"

#include "restore/Replacement.h"
#include "restore/RestoreNames.h"
#include "restore/Texts.h"

namespace {

std::string TrimSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Why a file of this restored name cannot be replaced: a read-only, hidden or
// directory entry stands under the name (looked up as the name is: cut out of a
// joined path it could end at a backslash byte inside a multibyte character), or
// one of its names in the directory for unfinished copies is still taken. ""
// when it can, with what stands under the name now in earlierName.
std::string Refusal(const std::string& name, const FoundNames& found, const NameKey& key,
                    std::string& earlierName) {
    const auto existing = found.existing.find(key(name));
    if (existing != found.existing.end()) {
        if (const std::string refusal = ExistingFileRefusal(existing->second.kind, name);
            !refusal.empty()) {
            return refusal;
        }
        earlierName = existing->second.name;
    }
    for (const char* suffix :
         {kUnfinishedSuffix, kPairMarkSuffix, kAloneMarkSuffix, kAsideSuffix}) {
        if (found.taken.count(key(name + suffix))) {
            return LeftoverNotCleared(name + suffix);
        }
    }
    return "";
}

// The paths in the directory for unfinished copies are the longest a run makes.
bool PathTooLong(const std::string& destinationText, const std::string& name) {
    return LongestPlacePath(destinationText, name) > kMaxPathLength;
}

} // namespace

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
        return ReadOnlyNotReplaced(name);
    case ExistingFile::Hidden:
        return HiddenNotReplaced(name);
    case ExistingFile::Directory:
        return DirectoryUnderName(name);
    }
    return "";
}

RestorePlan PlanRestore(const std::vector<FolderRecord>& records, const std::string& sourceText,
                        const std::string& destinationText, const FoundNames& found,
                        const NameKey& key) {
    RestorePlan plan;
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
        folder.message = {restoredName, sourcePath, ""};
        folder.index = {IndexPathOf(restoredName), IndexPathOf(sourcePath), ""};
        folder.indexName = IndexPathOf(record.fileName);

        const std::string restoredKey = key(restoredName);
        const auto clash = usedNames.find(restoredKey);
        if (clash != usedNames.end()) {
            folder.refusal = SameRestoredNameAs(clash->second);
        } else if (sourcePath.size() > kMaxPathLength) {
            folder.refusal = kSourcePathTooLong;
        } else if (PathTooLong(destinationText, restoredName)) {
            folder.refusal = kDestinationPathTooLong;
        } else {
            for (PlannedFile* file : {&folder.message, &folder.index}) {
                if (folder.refusal.empty()) {
                    folder.refusal = Refusal(file->name, found, key, file->earlierName);
                }
            }
            if (!folder.refusal.empty()) {
                folder.refusal = FolderNotRestored(folder.refusal);
            } else if (PathTooLong(destinationText, folder.message.earlierName) ||
                       PathTooLong(destinationText, folder.index.earlierName)) {
                // An earlier name can be longer in bytes than the restored one.
                folder.refusal = kDestinationPathTooLong;
            }
            usedNames.emplace(restoredKey, record.fileName);
        }
        plan.folders.push_back(std::move(folder));
    }

    for (const NewMailFile& file : found.newMail) {
        if (!HasExtension(file.name, ".CNM")) {
            continue;
        }
        PlannedNewMail newMail{file.name, JoinPath(sourceText, file.name), file.attributes, ""};
        std::string earlierName;
        if (newMail.sourcePath.size() > kMaxPathLength || PathTooLong(destinationText, file.name)) {
            newMail.refusal = kNewMailPathTooLong;
        } else {
            newMail.refusal = Refusal(file.name, found, key, earlierName);
        }
        plan.newMail.push_back(std::move(newMail));
    }
    return plan;
}
