#pragma once

#include "common/Path.h"
#include "restore/Texts.h"

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
// or to finish it:
//
//   1. The index is copied and completed as an unfinished copy,
//      BAKx.PMI.tarnwick-tmp (a folder whose archive has no index has none).
//   2. Begin: the message file is copied straight to the folder's mark,
//      BAKx.PMM.tarnwick-pair (its index comes too) or .tarnwick-solo (no
//      index), and completed there.
//   3. An earlier message file under the restored name is set aside (renamed to
//      bakx.pmm.tarnwick-prev, its exact earlier name kept), then an earlier
//      index. So an index set aside says that the message file's name was
//      cleared before it.
//   4. The new index moves in.
//   5. Complete: the mark, the new message file, moves in. With it the mark is
//      gone, and the replacement is complete.
//   6. What was set aside is removed.
//
// While a mark stands the replacement is not complete, and Settle undoes it: a
// pair's new index, wherever its unfinished copy is gone, stands under the
// restored name and goes back to its unfinished name; what was set aside goes
// back under its exact earlier name; the mark turns back into an unfinished
// copy; and the unfinished copies go.
//
// Without a mark, files set aside belong to a complete replacement only when the
// message file's restored name holds a file: the mark moved in there (step 3
// cleared the name before anything was set aside). Then they go. Otherwise the
// mark went some other way (a virus scanner took it, or someone tidied the
// directory by hand): each earlier file goes back under its exact name, and one
// whose name another file has taken meanwhile stays where it is and is
// reported. Nothing is deleted on a guess.
//
// The answer of a rename is not taken for the truth when it reports a failure
// that a rename done can also give (win32::MoveToFreeName): the names decide
// whether it was done. Where even they cannot tell, the folder is left as a run
// cut off there would leave it, for the next run to settle from the names.
//
// One routine, Settle, does this for a step that fails during a run and for the
// next run after a run was cut off, and it moves or deletes nothing that these
// names do not account for. A replacement starts only when none of the folder's
// names in the directory is taken (the plan refuses the folder otherwise), and a
// copy that finds its name taken is not recorded, so that nothing left there is
// ever taken for this run's file. A file is removed by renaming it to a new name
// of its own (NAME.tarnwick-del) and deleting it there: on Windows a deleted
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

inline std::string TemporaryDirectoryOf(const std::string& destinationText) {
    return JoinPath(destinationText, kTemporaryDirectory);
}

// Where a file of this name stands with this suffix in the directory.
inline std::string PlaceOf(const std::string& destinationText, const std::string& name,
                           const char* suffix) {
    return JoinPath(TemporaryDirectoryOf(destinationText), name + suffix);
}

// Eight hex digits that no other name this process made had: the stem of a file
// being deleted, or of a lock of a run's own.
std::string UniqueStem();

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

// The failure of a step that ended with this error code; none for 0.
inline std::optional<StepFailure> Failed(Step step, std::uint32_t error, const std::string& name,
                                         bool unsure = false) {
    if (error == 0) {
        return std::nullopt;
    }
    return StepFailure{step, error, name, unsure};
}

// What the directory holds for one folder, by the names the restore wrote down:
// read from its listing after a run was cut off, or kept step by step by the run
// under way. Names are the restored names (without suffixes), exactly as written.
struct FolderJournal {
    enum class Mark { None, Pair, Alone };
    std::string messageName;
    std::string indexName;
    Mark mark = Mark::None;
    // The mark moved in during this run: the replacement is complete.
    bool complete = false;
    // Unfinished copies that may stand.
    std::vector<std::string> unfinished;
    // Earlier files set aside.
    std::vector<std::string> aside;
};

// What the directory's names say: each folder's journal, and the names of files
// that were being deleted. names: the directory's files, links and locks left out.
struct DirectoryJournal {
    std::vector<FolderJournal> folders;
    std::vector<std::string> discarded;
};
DirectoryJournal ReadJournal(const std::vector<std::string>& names,
                             const std::function<std::string(const std::string&)>& key);

// Finishes or undoes a folder as its journal says (see THE RULE), then removes
// its unfinished copies; the journal follows each step. Stops at the first step
// that fails and returns it, leaving what the next run needs to go on; an earlier
// file that stays set aside since its name is taken is returned last (KeepAside).
std::optional<StepFailure> Settle(FolderJournal& journal, const std::string& destinationText);

// What a replacement needs of its folder: where its message file comes from, its
// new folder ID, and the exact names of the earlier files that stood under its
// restored names when the run began ("": none).
struct ReplacedFolder {
    std::string messageSource;
    std::string newFolderId;
    std::string earlierMessage;
    std::string earlierIndex;
};

struct ReplacementOutcome {
    // The step of the replacement that failed: the folder was not restored.
    std::optional<StepFailure> failed;
    // The step of the settling after it that failed.
    std::optional<StepFailure> unsettled;
};

// Steps 2 to 5 for a folder whose index the journal lists as completed (or not at
// all: none in the archive); then Settle finishes or undoes the folder, unless a
// failed rename may have been done.
ReplacementOutcome Replace(FolderJournal& journal, const ReplacedFolder& folder,
                           const std::string& destinationText);

// Removes a file of the directory for unfinished copies: renames it to a name of
// its own there, then deletes it. 0, or the error of the rename.
std::uint32_t Discard(const std::string& path, const std::string& destinationText);
