#include "restore/RunDirectory.h"

#include "restore/Replacement.h"
#include "restore/Texts.h"
#include "win32/Text.h"

namespace {

constexpr const char kLockName[] = "restore-running.lock";
constexpr const char kLockStem[] = "restore-running";
constexpr const char kLockExtension[] = ".lock";

// restore-running.lock, or the lock of a run's own.
bool IsLockName(const std::string& name) {
    return name.size() > sizeof(kLockStem) && HasExtension(name, kLockExtension) &&
           HasExtension(name.substr(0, sizeof(kLockStem) - 1), kLockStem);
}

} // namespace

RunDirectory::RunDirectory(const std::string& destinationText)
    : destinationText_(destinationText), path_(TemporaryDirectoryOf(destinationText)) {}

std::string RunDirectory::Open(const NameKey& key, std::vector<RestoreFailure>& failures) {
    // A link is neither followed nor removed: what it leads to is not ours. Any
    // other reparse point (a cloud placeholder, say) is a directory like another.
    // A path too long to name it leaves it to each folder's refusal.
    std::vector<win32::DirectoryEntry> self;
    const win32::FileResult found = win32::ListEntries(path_, self);
    if (!found.Ok() && found.error != ERROR_FILE_NOT_FOUND && found.error != ERROR_PATH_NOT_FOUND &&
        found.error != ERROR_FILENAME_EXCED_RANGE) {
        return TemporaryDirectoryUnreadable(win32::ErrorText(found.error));
    }
    if (!self.empty() && win32::IsLink(self.front())) {
        return kLinkRefusal;
    }
    if (const win32::FileResult made = win32::MakeDirectory(path_); !made.Ok()) {
        unavailable_ = NoTemporaryDirectory(win32::ErrorText(made.error));
        return "";
    }
    if (std::string refusal = TakeLock(); !refusal.empty() || !unavailable_.empty()) {
        return refusal;
    }
    return Settle(key, failures);
}

std::string RunDirectory::TakeLock() {
    const std::string usual = JoinPath(path_, kLockName);
    win32::FileResult taken = lock_.Take(usual);
    if (win32::IsTaken(taken.error)) {
        // Another run's lock cannot be moved while that run holds it; anything
        // else under the name (a link, say) is moved away, never opened.
        const DWORD moved = Discard(usual, destinationText_);
        taken = moved ? win32::FileResult{moved} : lock_.Take(usual);
    }
    // A name that another run holds answers with a sharing violation, one that
    // still does once the retry has waited out a virus scanner's moment.
    if (taken.error == ERROR_SHARING_VIOLATION) {
        return kAnotherRunRefusal;
    }
    if (taken.error == ERROR_ACCESS_DENIED) {
        // The name of a lock deleted while another program held it still
        // lingers, and nobody holds that lock: one of this run's own.
        taken = lock_.Take(JoinPath(path_, kLockStem + ("-" + UniqueStem()) + kLockExtension));
    }
    // A run that ends removes the directory: between its making and the lock,
    // another run may have ended and taken it away.
    if (taken.error == ERROR_PATH_NOT_FOUND && win32::MakeDirectory(path_).Ok()) {
        taken = lock_.Take(usual);
    }
    if (!taken.Ok()) {
        unavailable_ = TemporaryDirectoryNotHeld(win32::ErrorText(taken.error));
    }
    return "";
}

std::string RunDirectory::Settle(const NameKey& key, std::vector<RestoreFailure>& failures) {
    std::vector<win32::DirectoryEntry> entries;
    if (const win32::FileResult listed = win32::ListEntries(JoinPath(path_, "*"), entries);
        !listed.Ok()) {
        return TemporaryDirectoryUnreadable(win32::ErrorText(listed.error));
    }
    const std::string ownLock = key(lock_.Path().substr(path_.size() + 1));
    std::vector<std::string> names;
    for (const win32::DirectoryEntry& entry : entries) {
        if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) || win32::IsLink(entry)) {
            continue;
        }
        if (!IsLockName(entry.name)) {
            names.push_back(entry.name);
        } else if (key(entry.name) != ownLock &&
                   Discard(JoinPath(path_, entry.name), destinationText_) ==
                       ERROR_SHARING_VIOLATION) {
            // Held: another run took it while this one's name lingered. A lock
            // whose name lingers denies access and is passed over.
            return kAnotherRunRefusal;
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
        // restored (see PlanRestore); a replacement not settled is reported.
        if (failed && failed->step != Step::RemoveLeftover) {
            failures.push_back(
                {folder.messageName, CutOffFolderText(*failed, win32::ErrorText(failed->error))});
        }
    }
    entries.clear();
    if (const win32::FileResult listed = win32::ListEntries(JoinPath(path_, "*"), entries);
        !listed.Ok()) {
        return TemporaryDirectoryUnreadable(win32::ErrorText(listed.error));
    }
    for (const win32::DirectoryEntry& entry : entries) {
        taken_.insert(key(entry.name));
    }
    return "";
}

bool RunDirectory::OnlyNamesBeingDeleted() const {
    std::vector<win32::DirectoryEntry> entries;
    if (!win32::ListEntries(JoinPath(path_, "*"), entries).Ok()) {
        return false;
    }
    for (const win32::DirectoryEntry& entry : entries) {
        if (!HasExtension(entry.name, kDiscardedSuffix) && !IsLockName(entry.name)) {
            return false;
        }
    }
    return true;
}

void RunDirectory::Close() {
    if (!lock_.Held()) {
        return;
    }
    lock_.Release();
    if (win32::RemoveEmptyDirectory(path_).error == ERROR_DIR_NOT_EMPTY &&
        OnlyNamesBeingDeleted()) {
        win32::RemoveEmptyDirectory(path_, true);
    }
}
