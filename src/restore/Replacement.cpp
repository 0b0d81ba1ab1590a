#include "restore/Replacement.h"

#include "restore/RestoreNames.h"
#include "win32/FileSystem.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

namespace {

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

const char* MarkSuffix(FolderJournal::Mark mark) {
    return mark == FolderJournal::Mark::Pair ? kPairMarkSuffix : kAloneMarkSuffix;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

void Erase(std::vector<std::string>& names, const std::string& name) {
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
}

// name without suffix, when it ends in it (without regard to ASCII case).
bool CutSuffix(const std::string& name, const char* suffix, std::string& base) {
    const std::size_t length = std::char_traits<char>::length(suffix);
    if (name.size() <= length + 1 || !HasExtension(name, suffix)) {
        return false;
    }
    base = name.substr(0, name.size() - length);
    return true;
}

// A rename that fails because nothing stands under from has nothing to do.
win32::FileResult MoveIfThere(const std::string& from, const std::string& to) {
    const win32::FileResult moved = win32::MoveToFreeName(from, to);
    return IsMissing(moved.error) ? win32::FileResult{} : moved;
}

std::optional<StepFailure> Failed(Step step, win32::FileResult result, const std::string& name) {
    if (result.Ok()) {
        return std::nullopt;
    }
    return StepFailure{step, result.error, name};
}

} // namespace

std::string StepText(Step step, const std::string& name) {
    switch (step) {
    case Step::CopyMessage:
    case Step::CopyIndex:
        // The system's reason says it all: "Disk full.", say.
        return "";
    case Step::ClearMessageAttributes:
        return "the copy could not be made read-write";
    case Step::WriteFolderId:
        return "the new folder ID could not be written";
    case Step::ClearIndexAttributes:
        return "the index copy could not be made read-write";
    case Step::FlushIndex:
        return "the index copy could not be written to the disk";
    case Step::Begin:
        return "the completed copy could not be marked in " + std::string(kTemporaryDirectory);
    case Step::SetIndexAside:
    case Step::SetMessageAside:
        return name + " in the destination could not be replaced";
    case Step::MoveIndexIn:
        return "the new index could not take the name " + name;
    case Step::MoveMessageIn:
        return "the new message file could not take the name " + name;
    case Step::TakeIndexOut:
        return "the new index " + name + " could not be taken out again";
    case Step::PutBack:
        return "the earlier " + name + " could not be put back from " + kTemporaryDirectory;
    case Step::EndMark:
        return "the mark " + name + " in " + kTemporaryDirectory + " could not be taken away";
    case Step::RemoveLeftover:
        return name + " in " + kTemporaryDirectory + " could not be removed";
    case Step::CopyNewMail:
        return "";
    case Step::NewMailAttributes:
        return "the read-only attribute of the copy could not be set";
    case Step::FlushNewMail:
        return "the copy could not be written to the disk";
    case Step::MoveNewMailIn:
        return "the copy could not take the name " + name;
    }
    return "";
}

DirectoryJournal ReadJournal(const std::vector<std::string>& names,
                             const std::function<std::string(const std::string&)>& key) {
    // A folder's names share the key of its restored name without the last
    // character ("BAK00001.PM"), which tells its message file from its index.
    std::unordered_map<std::string, FolderJournal> byFolder;
    DirectoryJournal journal;
    const auto folderOf = [&](const std::string& base) -> FolderJournal& {
        return byFolder[key(base.substr(0, base.size() - 1))];
    };
    for (const std::string& name : names) {
        std::string base;
        if (CutSuffix(name, kDiscardedSuffix, base)) {
            journal.discarded.push_back(name);
        } else if (CutSuffix(name, kUnfinishedSuffix, base)) {
            folderOf(base).unfinished.push_back(base);
        } else if (CutSuffix(name, kAsideSuffix, base)) {
            folderOf(base).aside.push_back(base);
        } else {
            for (const auto mark : {FolderJournal::Mark::Pair, FolderJournal::Mark::Alone}) {
                if (CutSuffix(name, MarkSuffix(mark), base)) {
                    FolderJournal& folder = folderOf(base);
                    folder.mark = mark;
                    folder.messageName = base;
                    folder.indexName = IndexPathOf(base);
                }
            }
        }
    }
    for (auto& [pair, folder] : byFolder) {
        journal.folders.push_back(std::move(folder));
    }
    return journal;
}

std::uint32_t Discard(const std::string& path, const std::string& destinationText) {
    // Unique to this process for its life; a name left by another process is
    // passed over.
    static unsigned serial = (GetCurrentProcessId() << 12) ^ GetTickCount();
    for (int attempt = 0; attempt < 16; ++attempt) {
        char stem[16];
        std::snprintf(stem, sizeof stem, "%08X", ++serial);
        const std::string discarded = PlaceOf(destinationText, stem, kDiscardedSuffix);
        const win32::FileResult moved = win32::MoveToFreeName(path, discarded);
        if (moved.error == ERROR_ALREADY_EXISTS || moved.error == ERROR_FILE_EXISTS) {
            continue;
        }
        if (!moved.Ok()) {
            return IsMissing(moved.error) ? 0 : moved.error;
        }
        // Under its own name it is out of every step's way, even while its name
        // lingers; the next run deletes what is left.
        win32::DeleteFileItself(discarded);
        return 0;
    }
    return ERROR_ALREADY_EXISTS;
}

std::optional<StepFailure> Settle(FolderJournal& journal, const std::string& destinationText) {
    const auto unfinishedPlace = [&](const std::string& name) {
        return PlaceOf(destinationText, name, kUnfinishedSuffix);
    };
    if (journal.mark != FolderJournal::Mark::None) {
        // Not complete: undone, the reverse of steps 1 to 3.
        if (journal.mark == FolderJournal::Mark::Pair &&
            !Contains(journal.unfinished, journal.indexName)) {
            if (auto failed = Failed(Step::TakeIndexOut,
                                     MoveIfThere(JoinPath(destinationText, journal.indexName),
                                                 unfinishedPlace(journal.indexName)),
                                     journal.indexName)) {
                return failed;
            }
            journal.unfinished.push_back(journal.indexName);
        }
        while (!journal.aside.empty()) {
            const std::string& name = journal.aside.back();
            if (auto failed = Failed(Step::PutBack,
                                     MoveIfThere(PlaceOf(destinationText, name, kAsideSuffix),
                                                 JoinPath(destinationText, name)),
                                     name)) {
                return failed;
            }
            journal.aside.pop_back();
        }
        const std::string mark =
            PlaceOf(destinationText, journal.messageName, MarkSuffix(journal.mark));
        if (auto failed =
                Failed(Step::EndMark, MoveIfThere(mark, unfinishedPlace(journal.messageName)),
                       journal.messageName + MarkSuffix(journal.mark))) {
            return failed;
        }
        journal.mark = FolderJournal::Mark::None;
        journal.unfinished.push_back(journal.messageName);
    }
    // Complete, or undone: what was set aside goes, and the unfinished copies.
    for (const auto& [names, suffix] : {std::pair{&journal.aside, kAsideSuffix},
                                        std::pair{&journal.unfinished, kUnfinishedSuffix}}) {
        while (!names->empty()) {
            const std::string name = names->back() + suffix;
            if (const std::uint32_t error = Discard(
                    JoinPath(TemporaryDirectoryOf(destinationText), name), destinationText)) {
                return StepFailure{Step::RemoveLeftover, error, name};
            }
            names->pop_back();
        }
    }
    return std::nullopt;
}

ReplacementOutcome Replace(FolderJournal& journal, const std::string& earlierIndex,
                           const std::string& earlierMessage, const std::string& destinationText) {
    const auto steps = [&]() -> std::optional<StepFailure> {
        const std::string& message = journal.messageName;
        const std::string& index = journal.indexName;
        const bool withIndex = Contains(journal.unfinished, index);
        const auto mark = withIndex ? FolderJournal::Mark::Pair : FolderJournal::Mark::Alone;
        // 1. Begin.
        if (auto failed =
                Failed(Step::Begin,
                       win32::MoveToFreeName(PlaceOf(destinationText, message, kUnfinishedSuffix),
                                             PlaceOf(destinationText, message, MarkSuffix(mark))),
                       message)) {
            return failed;
        }
        journal.mark = mark;
        Erase(journal.unfinished, message);
        // 2. What stands under the names is set aside, the index first. A file
        // gone since the destination was listed leaves nothing to set aside.
        for (const auto& [earlier, step] : {std::pair{&earlierIndex, Step::SetIndexAside},
                                            std::pair{&earlierMessage, Step::SetMessageAside}}) {
            if (earlier->empty()) {
                continue;
            }
            const win32::FileResult moved =
                win32::MoveToFreeName(JoinPath(destinationText, *earlier),
                                      PlaceOf(destinationText, *earlier, kAsideSuffix));
            if (IsMissing(moved.error)) {
                continue;
            }
            if (auto failed = Failed(step, moved, *earlier)) {
                return failed;
            }
            journal.aside.push_back(*earlier);
        }
        // 3. The new index.
        if (withIndex) {
            if (auto failed =
                    Failed(Step::MoveIndexIn,
                           win32::MoveToFreeName(PlaceOf(destinationText, index, kUnfinishedSuffix),
                                                 JoinPath(destinationText, index)),
                           index)) {
                return failed;
            }
            Erase(journal.unfinished, index);
        }
        // 4. Complete.
        if (auto failed =
                Failed(Step::MoveMessageIn,
                       win32::MoveToFreeName(PlaceOf(destinationText, message, MarkSuffix(mark)),
                                             JoinPath(destinationText, message)),
                       message)) {
            return failed;
        }
        journal.mark = FolderJournal::Mark::None;
        return std::nullopt;
    };
    ReplacementOutcome outcome;
    outcome.failed = steps();
    outcome.unsettled = Settle(journal, destinationText);
    return outcome;
}
