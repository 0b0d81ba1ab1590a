#include "restore/Restore.h"

#include "common/ControlIds.h"
#include "common/Titles.h"
#include "restore/Replacement.h"
#include "restore/ReportBox.h"
#include "restore/RestorePlan.h"
#include "restore/RunDirectory.h"
#include "restore/Texts.h"
#include "win32/BusyWindow.h"
#include "win32/Cursor.h"
#include "win32/DialogControls.h"
#include "win32/Directory.h"
#include "win32/FileSystem.h"
#include "win32/Text.h"

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
        return DestinationUnreadable(win32::ErrorText(listed.error));
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
    // None in the archive; or a file of someone else's under the name, not ours.
    if (win32::IsMissing(copied.error) || win32::IsTaken(copied.error)) {
        journal.unfinished.pop_back();
    }
    if (win32::IsMissing(copied.error)) {
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
        outcome = Replace(journal,
                          {folder.message.sourcePath, folder.newFolderId,
                           folder.message.earlierName, folder.index.earlierName},
                          destinationText);
        if (!outcome.failed && !withIndex) {
            failures.push_back(
                {folder.indexName, RestoredWithoutIndex(win32::ErrorText(ERROR_FILE_NOT_FOUND))});
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
    const StepFailure* unsettled =
        outcome.unsettled && outcome.unsettled->step != Step::RemoveLeftover ? &*outcome.unsettled
                                                                             : nullptr;
    failures.push_back({onIndex ? folder.indexName : folder.fileName,
                        FolderFailureText(failed, win32::ErrorText(failed.error), unsettled,
                                          unsettled ? win32::ErrorText(unsettled->error) : "")});
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
    bool ours = true;
    const auto steps = [&]() -> std::optional<StepFailure> {
        const DWORD copied = win32::CopyToFreeName(file.sourcePath, copy).error;
        ours = !win32::IsTaken(copied);
        if (auto failed = Failed(Step::CopyNewMail, copied, file.name)) {
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
        const win32::FileResult moved =
            win32::MoveReplacing(copy, JoinPath(destinationText, file.name));
        return Failed(Step::MoveNewMailIn, moved.error, file.name, moved.unsure);
    };
    if (const std::optional<StepFailure> failed = steps()) {
        if (ours && !failed->unsure) {
            Discard(copy, destinationText);
        }
        failures.push_back(
            {file.name,
             WithHeldFileAdvice(StepReason(*failed, win32::ErrorText(failed->error)), *failed)});
    }
}

} // namespace

std::string CheckDestination(const std::string& sourceText, const std::string& destinationText) {
    if (DestinationTextIsMissing(destinationText)) {
        return kNoDestination;
    }
    if (LastPartEndsInSpaceOrDot(win32::Widened(destinationText))) {
        return kDestinationEndsInSpaceOrDot;
    }
    DWORD attributes = 0;
    const win32::FileResult looked = win32::AttributesOf(destinationText, attributes);
    if (!looked.Ok() && !win32::IsMissing(looked.error) && looked.error != ERROR_INVALID_NAME) {
        return DestinationNotLookedAt(win32::ErrorText(looked.error));
    }
    if (!looked.Ok() || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return kNoSuchDestination;
    }
    if (win32::IsSameDirectory(sourceText, destinationText)) {
        return kDestinationIsSource;
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
    runDirectory.Close();
    // The box comes only once the disk holds what it says: the renames of the
    // run, the last ones included. A volume that cannot flush a directory has
    // them written as its cache writes them; the copies themselves are on it.
    win32::FlushDirectory(destinationText);
    return {"", failures};
}

LRESULT OnRestore(HWND, UINT, WPARAM, LPARAM) {
    const std::string sourceText = win32::ControlText(hMainDlg, IDC_SOURCE_PATH);
    const std::string destinationText = win32::ControlText(hMainDlg, IDC_DEST_PATH);
    const bool copyNewMail =
        SendDlgItemMessageA(hMainDlg, IDC_COPY_NEW_MAIL, BM_GETCHECK, 0, 0) == BST_CHECKED;

    const std::string destinationError = CheckDestination(sourceText, destinationText);
    if (!destinationError.empty()) {
        MessageBoxA(nullptr, destinationError.c_str(), kDirectoryErrorTitle, MB_OK);
        return 0;
    }

    win32::ShowSystemCursor(MAKEINTRESOURCEA(32514)); // IDC_WAIT
    RestoreOutcome outcome;
    {
        win32::BusyWindow busy(hMainDlg, kShutdownBlockReason);
        outcome = RestoreFolders(folderRecords, sourceText, destinationText, copyNewMail,
                                 [&](const RestoreProgress& progress) {
                                     busy.Tick(ProgressCaption(progress.folder, progress.folders));
                                 });
    }
    win32::ShowSystemCursor(MAKEINTRESOURCEA(32512)); // IDC_ARROW
    if (!outcome.refusal.empty()) {
        MessageBoxA(nullptr, outcome.refusal.c_str(), kDirectoryErrorTitle, MB_OK);
        return 0;
    }
    ShowCompletionReport(sourceText, destinationText, outcome.failures);
    return 0;
}
