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

char FoldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

} // namespace

bool DestinationTextIsMissing(const std::string& destinationText) {
    return TrimSpaces(destinationText) < std::string(" ");
}

std::vector<PlannedFolder> PlanRestore(const std::vector<FolderRecord>& records,
                                       const std::string& sourceText,
                                       const std::string& destinationText) {
    std::vector<PlannedFolder> plan;
    std::vector<std::pair<std::string, std::string>> usedNames; // restored name, file name
    for (std::size_t i = 1; i < records.size(); ++i) {
        const FolderRecord& record = records[i];
        if (record.chosen != 1) {
            continue;
        }
        const std::string restoredName = MakeRestoredName(record.fileName);
        PlannedFolder folder;
        folder.fileName = record.fileName;
        folder.newFolderId = MakeNewFolderId(record.folderId, record.fileName);
        folder.sourcePath = JoinPath(sourceText, record.fileName);
        folder.destinationPath = JoinPath(destinationText, restoredName);

        const auto clash = std::find_if(usedNames.begin(), usedNames.end(), [&](const auto& used) {
            return EqualIgnoringCase(used.first, restoredName);
        });
        if (clash != usedNames.end()) {
            folder.refusal = "same restored name as " + clash->second;
        } else if (folder.sourcePath.size() > kMaxPathLength) {
            folder.refusal = "the source path is too long";
        } else if (folder.destinationPath.size() > kMaxPathLength) {
            folder.refusal = "the destination path is too long";
        } else {
            usedNames.emplace_back(restoredName, record.fileName);
        }
        plan.push_back(folder);
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
    for (const RestoreFailure& failure : failures) {
        text += "\r\n" + failure.fileName + ": " + failure.reason;
    }
    return text;
}
