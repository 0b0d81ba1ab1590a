#pragma once

#include "restore/Report.h"
#include "restore/RestorePlan.h"
#include "win32/FileSystem.h"

#include <string>
#include <unordered_set>
#include <vector>

// The directory the copies are completed in (restore/Replacement.h), held by
// one run for its whole length through a lock file, so that a second run into the
// same destination is refused and never takes away what this one needs. Once
// held, what a run that was cut off left there is settled, folder by folder, and
// what is left there is known. It is removed at the end of the run, once empty.
//
// The lock is restore-running.lock. While the name of one deleted still lingers
// (another program held it), a run takes a lock of its own,
// restore-running-XXXXXXXX.lock; every run checks every lock it finds, and one
// that another run holds refuses the run.
class RunDirectory {
  public:
    explicit RunDirectory(const std::string& destinationText);
    ~RunDirectory() { Close(); }
    RunDirectory(const RunDirectory&) = delete;
    RunDirectory& operator=(const RunDirectory&) = delete;

    // "" when the run may go on, whether or not the directory could be had (see
    // Unavailable); otherwise the text of the box that refuses the whole run. A
    // settling that fails is reported in failures.
    std::string Open(const NameKey& key, std::vector<RestoreFailure>& failures);
    // Lets go of the lock and removes the directory if nothing is left in it,
    // waiting briefly for names still being deleted.
    void Close();

    // Why no copy can be made in the directory, as each folder's line says it;
    // "" when they can.
    const std::string& Unavailable() const { return unavailable_; }
    // What the directory still holds after the settling, by key.
    const std::unordered_set<std::string>& Taken() const { return taken_; }

  private:
    std::string Settle(const NameKey& key, std::vector<RestoreFailure>& failures);
    std::string TakeLock();
    bool OnlyNamesBeingDeleted() const;

    std::string destinationText_;
    std::string path_;
    win32::DirectoryLock lock_;
    std::string unavailable_;
    std::unordered_set<std::string> taken_;
};
