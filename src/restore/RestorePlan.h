#pragma once

#include "common/Path.h"
#include "lists/FolderRecord.h"

#include <string>
#include <vector>

// True when the destination text, stripped of leading and trailing spaces,
// sorts below a single space: it is empty or begins with a control character
// such as a tab.
bool DestinationTextIsMissing(const std::string& destinationText);

// One chosen folder as the restore will handle it.
struct PlannedFolder {
    std::string fileName;
    std::string newFolderId;
    std::string sourcePath;
    std::string destinationPath;
    // Not empty: the folder is not copied and is reported with this reason.
    std::string refusal;
};

// The chosen records in table order, with their paths and new IDs. A folder
// whose restored name equals (without regard to case, like the file system) that
// of an earlier chosen folder, or whose paths are too long, is refused.
std::vector<PlannedFolder> PlanRestore(const std::vector<FolderRecord>& records,
                                       const std::string& sourceText,
                                       const std::string& destinationText);

struct RestoreFailure {
    std::string fileName;
    std::string reason;
};

// The completion box's text: the plain success line when nothing failed,
// otherwise the warning line followed by one line per failure.
std::string CompletionText(const std::string& sourceText, const std::string& destinationText,
                           const std::vector<RestoreFailure>& failures);
