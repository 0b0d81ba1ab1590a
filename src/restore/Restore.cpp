#include "restore/Restore.h"

#include "common/ControlIds.h"
#include "restore/Replacement.h"
#include "restore/ReportBox.h"
#include "restore/RestorePlan.h"
#include "restore/RunDirectory.h"
#include "win32/BusyWindow.h"
#include "win32/Cursor.h"
#include "win32/DialogControls.h"
#include "win32/Directory.h"
#include "win32/FileSystem.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// --- What the run finds before it copies anything -------------------------------

ExistingFile KindOf(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return ExistingFile::Directory;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        return ExistingFile::ReadOnly;
    }
    if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
        return ExistingFile::Hidden;
    }
    return ExistingFile::Plain;
}

// What the destination holds, by name key. A listing that fails, or stops part
// way, could hide a file that must not be replaced: the run is refused, with the
// text of the box.
std::string ReadDestination(const std::string& destinationText, DestinationNames& existing) {
    std::vector<win32::DirectoryEntry> entries;
    const win32::FileResult listed = win32::ListEntries(JoinPath(destinationText, "*"), entries);
    if (!listed.Ok() && listed.error != ERROR_FILE_NOT_FOUND) {
        return "The destination could not be read completely (" + win32::ErrorText(listed.error) +
               "). Nothing was restored.";
    }
    for (const win32::DirectoryEntry& entry : entries) {
        existing.emplace(win32::FileNameKey(entry.name),
                         ExistingName{entry.name, KindOf(entry.attributes)});
    }
    return "";
}

// The source's new-mail files; a directory without any is fine, one that cannot
// be listed (or not all of it) is a failure of its own.
std::optional<RestoreFailure> ListNewMail(const std::string& sourceText,
                                          std::vector<NewMailFile>& newMail) {
    const char* const pattern = "*.CNM";
    std::vector<win32::DirectoryEntry> entries;
    const win32::FileResult listed = win32::ListPlainFiles(JoinPath(sourceText, pattern), entries);
    for (const win32::DirectoryEntry& entry : entries) {
        newMail.push_back({entry.name, entry.attributes});
    }
    if (listed.Ok() || listed.error == ERROR_FILE_NOT_FOUND) {
        return std::nullopt;
    }
    return RestoreFailure{pattern, win32::ErrorText(listed.error)};
}

// --- Acting on the plan ----------------------------------------------------------

// The folder's index copied and completed under its unfinished name (see
// restore/Replacement.h): made read-write and written to the disk. A folder whose
// archive has no index comes without one.
std::optional<StepFailure> CompleteIndexCopy(const PlannedFolder& folder,
                                             const std::string& destinationText,
                                             FolderJournal& journal) {
    const std::string indexCopy = PlaceOf(destinationText, folder.index.name, kUnfinishedSuffix);
    journal.unfinished.push_back(folder.index.name);
    const win32::FileResult copied = win32::CopyToFreeName(folder.index.sourcePath, indexCopy);
    if (win32::IsMissing(copied.error)) {
        journal.unfinished.pop_back();
        return std::nullopt;
    }
    if (auto failed = Failed(Step::CopyIndex, copied.error, folder.indexName)) {
        return failed;
    }
    if (auto failed = Failed(Step::ClearIndexAttributes, win32::ClearAttributes(indexCopy).error,
                             folder.indexName)) {
        return failed;
    }
    return Failed(Step::FlushIndex, win32::FlushToDisk(indexCopy).error, folder.indexName);
}

// A line's last sentence: what the user can do, where the error tells.
std::string WithAdvice(std::string line, DWORD error) {
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) {
        return line;
    }
    return line + (line.back() == '.' ? " " : ". ") +
           "Another program has the file open: close the folder in the mail client, then "
           "restore again";
}

void RestoreFolder(const PlannedFolder& folder, const std::string& destinationText,
                   const std::string& unavailable, const std::function<void()>& tick,
                   std::vector<RestoreFailure>& failures) {
    if (!folder.refusal.empty()) {
        failures.push_back({folder.fileName, folder.refusal});
        return;
    }
    if (!unavailable.empty()) {
        failures.push_back({folder.fileName, unavailable});
        return;
    }
    FolderJournal journal;
    journal.messageName = folder.message.name;
    journal.indexName = folder.index.name;
    ReplacementOutcome outcome;
    outcome.failed = CompleteIndexCopy(folder, destinationText, journal);
    if (outcome.failed) {
        outcome.unsettled = Settle(journal, destinationText);
    } else {
        const bool withIndex = !journal.unfinished.empty();
        tick();
        outcome = Replace(journal, folder, destinationText);
        if (!outcome.failed && !withIndex) {
            failures.push_back(
                {folder.indexName, "not in the archive (" + win32::ErrorText(ERROR_FILE_NOT_FOUND) +
                                       "); the folder was restored without an index"});
        }
    }
    if (!outcome.failed) {
        // Restored; a leftover that cannot be removed yet is the next run's.
        return;
    }
    const StepFailure& failed = *outcome.failed;
    const bool onIndex = failed.step == Step::CopyIndex ||
                         failed.step == Step::ClearIndexAttributes ||
                         failed.step == Step::FlushIndex;
    std::string reason = StepReason(failed);
    if (outcome.unsettled && outcome.unsettled->step != Step::RemoveLeftover) {
        reason += "; then " + StepReason(*outcome.unsettled) + ", and " + kNextRunTriesAgain;
    } else if (failed.step >= Step::SetIndexAside) {
        reason += "; the folder in the destination was left as it was";
    }
    failures.push_back(
        {onIndex ? folder.indexName : folder.fileName, WithAdvice(reason, failed.error)});
}

// A new-mail file keeps its name, contents and attributes; it is copied under its
// unfinished name, written to the disk and then renamed over its name, so that a
// failed copy leaves nothing behind.
void CopyNewMail(const PlannedNewMail& file, const std::string& destinationText,
                 const std::string& unavailable, std::vector<RestoreFailure>& failures) {
    if (!file.refusal.empty() || !unavailable.empty()) {
        failures.push_back({file.name, file.refusal.empty() ? unavailable : file.refusal});
        return;
    }
    const std::string copy = PlaceOf(destinationText, file.name, kUnfinishedSuffix);
    // The copy has the archive's attributes; a read-only one cannot be opened to
    // be flushed until it is made writable for that moment.
    const DWORD kept = file.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    const bool readOnly = (kept & FILE_ATTRIBUTE_READONLY) != 0;
    const auto steps = [&]() -> std::optional<StepFailure> {
        if (auto failed = Failed(Step::CopyNewMail,
                                 win32::CopyToFreeName(file.sourcePath, copy).error, file.name)) {
            return failed;
        }
        if (readOnly) {
            if (auto failed = Failed(Step::NewMailAttributes, win32::ClearAttributes(copy).error,
                                     file.name)) {
                return failed;
            }
        }
        if (auto failed = Failed(Step::FlushNewMail, win32::FlushToDisk(copy).error, file.name)) {
            return failed;
        }
        if (readOnly) {
            if (auto failed = Failed(Step::NewMailAttributes,
                                     win32::SetAttributes(copy, kept).error, file.name)) {
                return failed;
            }
        }
        return Failed(Step::MoveNewMailIn,
                      win32::MoveReplacing(copy, JoinPath(destinationText, file.name)).error,
                      file.name);
    };
    if (const std::optional<StepFailure> failed = steps()) {
        Discard(copy, destinationText);
        failures.push_back({file.name, WithAdvice(StepReason(*failed), failed->error)});
    }
}

} // namespace

std::string CheckDestination(const std::string& sourceText, const std::string& destinationText) {
    if (DestinationTextIsMissing(destinationText)) {
        return "You must have a destination";
    }
    if (LastPartEndsInSpaceOrDot(win32::Widened(destinationText))) {
        return "The destination ends in a space or a dot, which Windows leaves out of a "
               "directory's name: please remove it, or choose the directory with Browse";
    }
    DWORD attributes = 0;
    const win32::FileResult looked = win32::AttributesOf(destinationText, attributes);
    if (!looked.Ok() && !win32::IsMissing(looked.error) && looked.error != ERROR_INVALID_NAME) {
        return "The destination directory could not be looked at (" +
               win32::ErrorText(looked.error) + ")";
    }
    if (!looked.Ok() || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return "The destination directory does not exist";
    }
    if (win32::IsSameDirectory(sourceText, destinationText)) {
        return "The destination must differ from the source directory";
    }
    return "";
}

RestoreOutcome RestoreFolders(const std::vector<FolderRecord>& records,
                              const std::string& sourceText, const std::string& destinationText,
                              bool copyNewMail, const ProgressHook& progress) {
    std::vector<RestoreFailure> failures;
    RunDirectory runDirectory(destinationText);
    if (std::string refusal = runDirectory.Open(win32::FileNameKey, failures); !refusal.empty()) {
        return {refusal, {}};
    }

    // Plan: what stands where, decided once.
    FoundNames found;
    found.taken = runDirectory.Taken();
    const bool anyChosen =
        std::any_of(records.begin(), records.end(),
                    [](const FolderRecord& record) { return record.chosen == 1; });
    if (std::string refusal =
            anyChosen || copyNewMail ? ReadDestination(destinationText, found.existing) : "";
        !refusal.empty()) {
        return {refusal, {}};
    }
    std::optional<RestoreFailure> unlistedNewMail;
    if (copyNewMail) {
        unlistedNewMail = ListNewMail(sourceText, found.newMail);
    }
    const RestorePlan plan =
        PlanRestore(records, sourceText, destinationText, found, win32::FileNameKey);

    // Act, and note what failed.
    const std::string& unavailable = runDirectory.Unavailable();
    RestoreProgress at{0, plan.folders.size()};
    const std::function<void()> tick = [&] {
        if (progress) {
            progress(at);
        }
    };
    for (const PlannedFolder& folder : plan.folders) {
        ++at.folder;
        tick();
        RestoreFolder(folder, destinationText, unavailable, tick, failures);
    }
    if (unlistedNewMail) {
        failures.push_back(*unlistedNewMail);
    }
    at.folder = 0;
    for (const PlannedNewMail& file : plan.newMail) {
        tick();
        CopyNewMail(file, destinationText, unavailable, failures);
    }
    return {"", failures};
}

LRESULT OnRestore(HWND, UINT, WPARAM, LPARAM) {
    const std::string sourceText = win32::ControlText(hMainDlg, IDC_SOURCE_PATH);
    const std::string destinationText = win32::ControlText(hMainDlg, IDC_DEST_PATH);
    const bool copyNewMail =
        SendDlgItemMessageA(hMainDlg, IDC_COPY_NEW_MAIL, BM_GETCHECK, 0, 0) == BST_CHECKED;

    const std::string destinationError = CheckDestination(sourceText, destinationText);
    if (!destinationError.empty()) {
        MessageBoxA(nullptr, destinationError.c_str(), "Directory Error", MB_OK);
        return 0;
    }

    win32::ShowSystemCursor(MAKEINTRESOURCEA(32514)); // IDC_WAIT
    RestoreOutcome outcome;
    {
        win32::BusyWindow busy(hMainDlg);
        outcome = RestoreFolders(
            folderRecords, sourceText, destinationText, copyNewMail,
            [&](const RestoreProgress& progress) { busy.Tick(ProgressCaption(progress)); });
    }
    win32::ShowSystemCursor(MAKEINTRESOURCEA(32512)); // IDC_ARROW
    if (!outcome.refusal.empty()) {
        MessageBoxA(nullptr, outcome.refusal.c_str(), "Directory Error", MB_OK);
        return 0;
    }
    ShowCompletionReport(sourceText, destinationText, outcome.failures);
    return 0;
}
