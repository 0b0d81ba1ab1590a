#include "restore/RunDirectory.h"

#include "restore/Replacement.h"

namespace {

const char kBusyRefusal[] =
    "Another restore into this directory is running. Wait until it has finished, then "
    "restore again.";
const char kLinkRefusal[] =
    "The destination holds .tarnwick-tmp, which is a link to another place (a junction or "
    "symbolic link). Tarnwick neither follows nor removes it, and did nothing. Remove the link "
    "alone, with the command rmdir .tarnwick-tmp in a command prompt in the destination "
    "(rmdir takes away the link and leaves what it leads to), then restore again.";

std::string UnreadableRefusal(DWORD error) {
    return "The directory .tarnwick-tmp in the destination could not be read (" +
           win32::ErrorText(error) + "). Nothing was restored.";
}

} // namespace

RunDirectory::RunDirectory(const std::string& destinationText)
    : destinationText_(destinationText), path_(TemporaryDirectoryOf(destinationText)) {}

RunDirectory::~RunDirectory() {
    if (lock_.Held()) {
        lock_.Release();
        win32::RemoveEmptyDirectory(path_);
    }
}

std::string RunDirectory::Open(const NameKey& key, std::vector<RestoreFailure>& failures) {
    // A link is neither followed nor removed: what it leads to is not ours. Any
    // other reparse point (a cloud placeholder, say) is a directory like another.
    // A path too long to name it leaves it to each folder's refusal.
    std::vector<win32::DirectoryEntry> self;
    const win32::FileResult found = win32::ListEntries(path_, self);
    if (!found.Ok() && found.error != ERROR_FILE_NOT_FOUND && found.error != ERROR_PATH_NOT_FOUND &&
        found.error != ERROR_FILENAME_EXCED_RANGE) {
        return UnreadableRefusal(found.error);
    }
    if (!self.empty() && win32::IsLink(self.front())) {
        return kLinkRefusal;
    }
    if (const win32::FileResult made = win32::MakeDirectory(path_); !made.Ok()) {
        unavailable_ =
            "the directory for unfinished copies could not be made in the destination (" +
            win32::ErrorText(made.error) + ")";
        return "";
    }
    if (std::string refusal = TakeLock(); !refusal.empty() || !unavailable_.empty()) {
        return refusal;
    }
    return Settle(key, failures);
}

std::string RunDirectory::TakeLock() {
    const std::string lockPath = JoinPath(path_, kLockName);
    win32::FileResult taken = lock_.Take(lockPath);
    if (taken.error == ERROR_FILE_EXISTS || taken.error == ERROR_ALREADY_EXISTS) {
        // Another run's lock cannot be moved while that run holds it; anything
        // else under the name (a link, say) is moved away, never opened.
        const DWORD moved = Discard(lockPath, destinationText_);
        if (moved == ERROR_SHARING_VIOLATION || moved == ERROR_ACCESS_DENIED) {
            return kBusyRefusal;
        }
        taken = moved ? win32::FileResult{moved} : lock_.Take(lockPath);
    }
    // A run that ends removes the directory: between its making and the lock,
    // another run may have ended and taken it away.
    if (taken.error == ERROR_PATH_NOT_FOUND && win32::MakeDirectory(path_).Ok()) {
        taken = lock_.Take(lockPath);
    }
    if (!taken.Ok()) {
        unavailable_ = "the directory for unfinished copies in the destination could not be "
                       "held for this restore (" +
                       win32::ErrorText(taken.error) + ")";
    }
    return "";
}

std::string RunDirectory::Settle(const NameKey& key, std::vector<RestoreFailure>& failures) {
    std::vector<win32::DirectoryEntry> entries;
    if (const win32::FileResult listed = win32::ListEntries(JoinPath(path_, "*"), entries);
        !listed.Ok()) {
        return UnreadableRefusal(listed.error);
    }
    std::vector<std::string> names;
    for (const win32::DirectoryEntry& entry : entries) {
        if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && !win32::IsLink(entry) &&
            entry.name != kLockName) {
            names.push_back(entry.name);
        }
    }
    if (names.empty()) {
        return "";
    }
    DirectoryJournal journal = ReadJournal(names, key);
    for (const std::string& name : journal.discarded) {
        win32::DeleteFileItself(JoinPath(path_, name));
    }
    for (FolderJournal& folder : journal.folders) {
        const std::optional<StepFailure> failed = ::Settle(folder, destinationText_);
        // Leftovers that cannot go yet only keep their folder from being
        // restored (see PlanRestore); a replacement not undone is reported.
        if (failed && failed->step != Step::RemoveLeftover) {
            failures.push_back(
                {folder.messageName, "a restore that was cut off was replacing this folder, and " +
                                         StepReason(*failed) + "; " + kNextRunTriesAgain});
        }
    }
    entries.clear();
    if (const win32::FileResult listed = win32::ListEntries(JoinPath(path_, "*"), entries);
        !listed.Ok()) {
        return UnreadableRefusal(listed.error);
    }
    for (const win32::DirectoryEntry& entry : entries) {
        taken_.insert(key(entry.name));
    }
    return "";
}
