#pragma once
#include "app/MainDialogHandle.h"
#include "lists/FolderRecord.h"
#include "restore/Report.h"

#include <functional>
#include <string>
#include <vector>

// "" when the destination text can be restored into; otherwise the text of the
// "Directory Error" box: no destination given, a name the file calls would read
// as another, no such directory, or the source directory itself.
std::string CheckDestination(const std::string& sourceText, const std::string& destinationText);

struct RestoreOutcome {
    // Not empty: the run was refused before it copied anything (another run
    // holds the destination, say), with the text of the "Directory Error" box.
    std::string refusal;
    std::vector<RestoreFailure> failures;
};

// Called between the files of a run, with where it is.
using ProgressHook = std::function<void(const RestoreProgress& progress)>;

// Copies every chosen record's folder into the destination under its restored
// name with a new folder ID, then the new-mail files when asked. Goes on through
// every folder whatever fails, and returns what failed.
RestoreOutcome RestoreFolders(const std::vector<FolderRecord>& records,
                              const std::string& sourceText, const std::string& destinationText,
                              bool copyNewMail, const ProgressHook& progress = nullptr);

// Restore button: checks the destination, restores with the wait cursor and the
// run's progress in the caption showing, and reports the run in one message box.
LRESULT OnRestore(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
