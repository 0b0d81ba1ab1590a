#pragma once

#include "common/Path.h"
#include "restore/RestorePlan.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// How a folder's new copies take its restored names, all or nothing, and how a
// run that was cut off is settled.
//
// THE RULE. Every copy is completed in the directory for unfinished copies
// (.tarnwick-tmp in the destination) and written to the disk before anything
// under a restored name changes. Each step is a single rename or copy, and the
// directory says before each step what the step will do, so that a run cut off
// anywhere leaves there what the next run needs to put the folder back as it was
// or to finish it, without looking at what stands under the restored names:
//
//   1. The index is copied and completed as an unfinished copy,
//      BAKx.PMI.tarnwick-tmp (a folder whose archive has no index has none).
//   2. Begin: the message file is copied straight to the folder's mark,
//      BAKx.PMM.tarnwick-pair (its index comes too) or .tarnwick-solo (no
//      index), and completed there.
//   3. An earlier index under the restored name is set aside (renamed to
//      bakx.pmi.tarnwick-prev, its exact earlier name kept), then an earlier
//      message file.
//   4. The new index moves in.
//   5. Complete: the mark, the new message file, moves in. With it the mark is
//      gone, and the replacement is complete.
//   6. What was set aside is removed.
//
// While a mark stands the replacement is not complete, and Settle undoes it: a
// pair's new index, wherever its unfinished copy is gone, stands under the
// restored name and goes back to its unfinished name; what was set aside goes
// back under its exact earlier name; the mark turns back into an unfinished
// copy; and the unfinished copies go. Without a mark, a file set aside belongs
// to a complete replacement and goes. One routine, Settle, does this for a step
// that fails during a run and for the next run after a run was cut off, and it
// moves or deletes nothing that these names do not account for.
//
// A replacement starts only when none of the folder's names in the directory
// is taken (the plan refuses the folder otherwise), so that nothing left there
// is ever taken for this run's file. A file is removed by renaming it to a new
// name of its own (NAME.tarnwick-del) and deleting it there: on Windows a deleted
// file's name stays listed while another program holds it, and that name is then
// never one that a later step needs.

constexpr const char kTemporaryDirectory[] = ".tarnwick-tmp";
// A copy being completed.
constexpr const char kUnfinishedSuffix[] = ".tarnwick-tmp";
// The mark of a replacement under way: the new message file, being completed or
// waiting to move in.
constexpr const char kPairMarkSuffix[] = ".tarnwick-pair";
constexpr const char kAloneMarkSuffix[] = ".tarnwick-solo";
// An earlier file set aside while the new one takes its name.
constexpr const char kAsideSuffix[] = ".tarnwick-prev";
// A file being deleted, under a name no other step uses.
constexpr const char kDiscardedSuffix[] = ".tarnwick-del";
// Held by the run under way.
constexpr const char kLockName[] = "restore-running.lock";

inline std::string TemporaryDirectoryOf(const std::string& destinationText) {
    return JoinPath(destinationText, kTemporaryDirectory);
}

// Where a file of this name stands with this suffix in the directory.
inline std::string PlaceOf(const std::string& destinationText, const std::string& name,
                           const char* suffix) {
    return JoinPath(TemporaryDirectoryOf(destinationText), name + suffix);
}

// The longest path a run makes in the directory for a file of this name: its
// mark, or the name it is deleted under (kDiscardedNameLength characters).
constexpr std::size_t kDiscardedNameLength = 8 + sizeof(kDiscardedSuffix) - 1;
inline std::size_t LongestPlacePath(const std::string& destinationText, const std::string& name) {
    const std::size_t longestSuffix = sizeof(kAloneMarkSuffix) - 1;
    static_assert(sizeof(kAloneMarkSuffix) >= sizeof(kPairMarkSuffix) &&
                  sizeof(kAloneMarkSuffix) >= sizeof(kAsideSuffix) &&
                  sizeof(kAloneMarkSuffix) >= sizeof(kUnfinishedSuffix));
    const std::size_t longestName = name.size() + longestSuffix;
    return TemporaryDirectoryOf(destinationText).size() + 1 +
           (longestName > kDiscardedNameLength ? longestName : kDiscardedNameLength);
}

// The restore of one folder step by step, each with the words a report gives it.
enum class Step {
    CopyIndex,
    ClearIndexAttributes,
    FlushIndex,
    CopyMessage,
    ClearMessageAttributes,
    WriteFolderId,
    SetIndexAside,
    SetMessageAside,
    MoveIndexIn,
    MoveMessageIn,
    TakeIndexOut,
    PutBack,
    EndMark,
    RemoveLeftover,
    CopyNewMail,
    NewMailAttributes,
    FlushNewMail,
    MoveNewMailIn,
};

// What went wrong: "the new folder ID could not be written", and the like.
// name stands for the file the step works on.
std::string StepText(Step step, const std::string& name);

// A step that failed, with the system's error code and the file it worked on.
struct StepFailure {
    Step step = Step::CopyMessage;
    std::uint32_t error = 0;
    std::string name;
};

// What a failed step says, in its own words and the system's: "the new folder ID
// could not be written (Disk full.)".
std::string StepReason(const StepFailure& failure);

// What a report says where a folder's names are left for the next run to settle.
constexpr const char kNextRunTriesAgain[] = "the next restore into this directory tries again";

// The failure of a step that ended with this error code; none for 0.
inline std::optional<StepFailure> Failed(Step step, std::uint32_t error, const std::string& name) {
    if (error == 0) {
        return std::nullopt;
    }
    return StepFailure{step, error, name};
}

// What the directory holds for one folder, by the names the restore wrote down:
// read from its listing after a run was cut off, or kept step by step by the run
// under way. Names are the restored names (without suffixes), exactly as written.
struct FolderJournal {
    enum class Mark { None, Pair, Alone };
    std::string messageName;
    std::string indexName;
    Mark mark = Mark::None;
    // Unfinished copies that may stand.
    std::vector<std::string> unfinished;
    // Earlier files set aside.
    std::vector<std::string> aside;
};

// What the directory's names say: each folder's journal, and the names of files
// that were being deleted. names: the directory's files, links left out.
struct DirectoryJournal {
    std::vector<FolderJournal> folders;
    std::vector<std::string> discarded;
};
DirectoryJournal ReadJournal(const std::vector<std::string>& names,
                             const std::function<std::string(const std::string&)>& key);

// Finishes or undoes a folder as its journal says (see THE RULE), then removes
// its unfinished copies; the journal follows each step. Stops at the first step
// that fails and returns it, leaving what the next run needs to go on.
std::optional<StepFailure> Settle(FolderJournal& journal, const std::string& destinationText);

struct ReplacementOutcome {
    // The step of the replacement that failed: the folder was not restored.
    std::optional<StepFailure> failed;
    // The step of the settling after it that failed.
    std::optional<StepFailure> unsettled;
};

// Steps 2 to 5 for a folder whose index the journal lists as completed (or not at
// all: none in the archive), the earlier files under the restored names set
// aside; then Settle finishes or undoes the folder.
ReplacementOutcome Replace(FolderJournal& journal, const PlannedFolder& folder,
                           const std::string& destinationText);

// Removes a file of the directory for unfinished copies: renames it to a name of
// its own there, then deletes it. 0, or the error of the rename.
std::uint32_t Discard(const std::string& path, const std::string& destinationText);
