#include "restore/Replacement.h"

#include "restore/FolderHeaderFile.h"
#include "restore/RestoreNames.h"
#include "win32/FileSystem.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

namespace {

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

// A step that is one rename, of the file the report calls name. With ifThere,
// finding nothing to rename leaves nothing to do.
std::optional<StepFailure> Rename(Step step, const std::string& name, const std::string& from,
                                  const std::string& to, bool ifThere = false) {
    const win32::FileResult moved = win32::MoveToFreeName(from, to);
    return Failed(step, ifThere && win32::IsMissing(moved.error) ? 0 : moved.error, name,
                  moved.unsure);
}

// Where a folder's names stand: in the destination, and in the directory for
// unfinished copies with a suffix.
struct Places {
    const std::string& destinationText;
    std::string Under(const std::string& name) const { return JoinPath(destinationText, name); }
    std::string Of(const std::string& name, const char* suffix) const {
        return PlaceOf(destinationText, name, suffix);
    }
};

// Reverse of steps 2 to 4, while the mark stands.
std::optional<StepFailure> Undo(FolderJournal& journal, const Places& at) {
    const std::string& message = journal.messageName;
    const std::string& index = journal.indexName;
    const char* const mark = MarkSuffix(journal.mark);
    if (journal.mark == FolderJournal::Mark::Pair && !Contains(journal.unfinished, index)) {
        if (auto failed = Rename(Step::TakeIndexOut, index, at.Under(index),
                                 at.Of(index, kUnfinishedSuffix), true)) {
            return failed;
        }
        journal.unfinished.push_back(index);
    }
    while (!journal.aside.empty()) {
        const std::string& earlier = journal.aside.back();
        if (auto failed = Rename(Step::PutBack, earlier, at.Of(earlier, kAsideSuffix),
                                 at.Under(earlier), true)) {
            return failed;
        }
        journal.aside.pop_back();
    }
    if (auto failed = Rename(Step::EndMark, message + mark, at.Of(message, mark),
                             at.Of(message, kUnfinishedSuffix), true)) {
        return failed;
    }
    journal.mark = FolderJournal::Mark::None;
    journal.unfinished.push_back(message);
    return std::nullopt;
}

// Files set aside without a mark: the message file's restored name tells whether
// the replacement was completed (see THE RULE). Not completed, each goes back;
// one whose name is taken stays set aside, and is named in kept.
std::optional<StepFailure> Decide(FolderJournal& journal, const Places& at,
                                  std::optional<StepFailure>& kept) {
    DWORD attributes = 0;
    const win32::FileResult looked = win32::AttributesOf(at.Under(journal.messageName), attributes);
    if (looked.Ok()) {
        journal.complete = true;
        return std::nullopt;
    }
    if (!win32::IsMissing(looked.error)) {
        return StepFailure{Step::LookAtName, looked.error, journal.messageName};
    }
    const bool hadIndexAside =
        std::any_of(journal.aside.begin(), journal.aside.end(),
                    [&](const std::string& name) { return (name.back() | 0x20) == 'i'; });
    while (!journal.aside.empty()) {
        const std::string earlier = journal.aside.back();
        const win32::FileResult put =
            win32::MoveToFreeName(at.Of(earlier, kAsideSuffix), at.Under(earlier));
        if (win32::IsTaken(put.error)) {
            kept = StepFailure{Step::KeepAside, 0, earlier};
        } else if (auto failed = Failed(Step::PutBack, win32::IsMissing(put.error) ? 0 : put.error,
                                        earlier, put.unsure)) {
            return failed;
        }
        journal.aside.pop_back();
    }
    // An index under its name that no index set aside or unfinished copy accounts
    // for: the earlier one, not set aside yet, or a new one that moved in where
    // there was none. It stays, and is reported.
    if (!kept && !hadIndexAside && !Contains(journal.unfinished, journal.indexName) &&
        win32::AttributesOf(at.Under(journal.indexName), attributes).Ok()) {
        kept = StepFailure{Step::KeepIndex, 0, journal.indexName};
    }
    return std::nullopt;
}

} // namespace

std::string UniqueStem() {
    // Unique to this process for its life; a name left by another process is
    // passed over by whoever finds it taken.
    static unsigned serial = (GetCurrentProcessId() << 12) ^ GetTickCount();
    char stem[16];
    std::snprintf(stem, sizeof stem, "%08X", ++serial);
    return stem;
}

DirectoryJournal ReadJournal(const std::vector<std::string>& names,
                             const std::function<std::string(const std::string&)>& key) {
    // A folder's names share the key of its restored name without the last
    // character ("BAK00001.PM"), which tells its message file from its index.
    std::unordered_map<std::string, FolderJournal> byFolder;
    DirectoryJournal journal;
    // Without a mark, the folder's names are those its files stand for, the one
    // not seen with the other's letter case.
    const auto folderOf = [&](const std::string& base) -> FolderJournal& {
        FolderJournal& folder = byFolder[key(base.substr(0, base.size() - 1))];
        if (folder.mark == FolderJournal::Mark::None) {
            const std::string stem = base.substr(0, base.size() - 1);
            const bool lower = base.back() >= 'a';
            const bool message = base.back() == 'm' || base.back() == 'M';
            if (message || folder.messageName.empty()) {
                folder.messageName = message ? base : stem + (lower ? "m" : "M");
            }
            if (!message || folder.indexName.empty()) {
                folder.indexName = message ? stem + (lower ? "i" : "I") : base;
            }
        }
        return folder;
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
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string discarded = PlaceOf(destinationText, UniqueStem(), kDiscardedSuffix);
        const win32::FileResult moved = win32::MoveToFreeName(path, discarded);
        if (win32::IsTaken(moved.error)) {
            continue;
        }
        if (!moved.Ok()) {
            return win32::IsMissing(moved.error) ? 0 : moved.error;
        }
        // Under its own name it is out of every step's way, even while its name
        // lingers; the next run deletes what is left.
        win32::DeleteFileItself(discarded);
        return 0;
    }
    return ERROR_ALREADY_EXISTS;
}

std::optional<StepFailure> Settle(FolderJournal& journal, const std::string& destinationText) {
    const Places at{destinationText};
    std::optional<StepFailure> kept;
    if (journal.mark != FolderJournal::Mark::None) {
        if (auto failed = Undo(journal, at)) {
            return failed;
        }
    } else if (!journal.complete && !journal.aside.empty()) {
        if (auto failed = Decide(journal, at, kept)) {
            return failed;
        }
    }
    // Complete, or undone: what was set aside goes, and the unfinished copies.
    for (const auto& [names, suffix] : {std::pair{&journal.aside, kAsideSuffix},
                                        std::pair{&journal.unfinished, kUnfinishedSuffix}}) {
        while (!names->empty()) {
            const std::string name = names->back() + suffix;
            if (const std::uint32_t error =
                    Discard(at.Of(names->back(), suffix), destinationText)) {
                return StepFailure{Step::RemoveLeftover, error, name};
            }
            names->pop_back();
        }
    }
    return kept;
}

ReplacementOutcome Replace(FolderJournal& journal, const ReplacedFolder& folder,
                           const std::string& destinationText) {
    const Places at{destinationText};
    const std::string& message = journal.messageName;
    const std::string& index = journal.indexName;
    const auto steps = [&]() -> std::optional<StepFailure> {
        const bool withIndex = Contains(journal.unfinished, index);
        // 2. Begin: the mark stands from the copy's first byte, unless its name
        // was taken by a file of someone else's.
        journal.mark = withIndex ? FolderJournal::Mark::Pair : FolderJournal::Mark::Alone;
        const std::string mark = at.Of(message, MarkSuffix(journal.mark));
        const DWORD copied = win32::CopyToFreeName(folder.messageSource, mark).error;
        if (win32::IsTaken(copied)) {
            journal.mark = FolderJournal::Mark::None;
        }
        if (auto failed = Failed(Step::CopyMessage, copied, message)) {
            return failed;
        }
        if (auto failed =
                Failed(Step::ClearMessageAttributes, win32::ClearAttributes(mark).error, message)) {
            return failed;
        }
        if (auto failed = Failed(Step::WriteFolderId, WriteFolderId(mark, folder.newFolderId).error,
                                 message)) {
            return failed;
        }
        // 3. What stands under the names is set aside, the message file first. A
        // file gone since the destination was listed leaves nothing to set aside.
        for (const auto& [earlier, step] :
             {std::pair{&folder.earlierMessage, Step::SetMessageAside},
              std::pair{&folder.earlierIndex, Step::SetIndexAside}}) {
            if (earlier->empty()) {
                continue;
            }
            const win32::FileResult moved =
                win32::MoveToFreeName(at.Under(*earlier), at.Of(*earlier, kAsideSuffix));
            if (win32::IsMissing(moved.error)) {
                continue;
            }
            if (auto failed = Failed(step, moved.error, *earlier, moved.unsure)) {
                return failed;
            }
            journal.aside.push_back(*earlier);
        }
        // 4. The new index.
        if (withIndex) {
            if (auto failed = Rename(Step::MoveIndexIn, index, at.Of(index, kUnfinishedSuffix),
                                     at.Under(index))) {
                return failed;
            }
            Erase(journal.unfinished, index);
        }
        // 5. Complete: the mark, the new message file, takes its name.
        if (auto failed = Rename(Step::MoveMessageIn, message, mark, at.Under(message))) {
            return failed;
        }
        journal.mark = FolderJournal::Mark::None;
        journal.complete = true;
        return std::nullopt;
    };
    ReplacementOutcome outcome;
    outcome.failed = steps();
    // A rename that may have been done leaves the folder as a run cut off there
    // would: the next run settles it from the names.
    if (!outcome.failed || !outcome.failed->unsure) {
        outcome.unsettled = Settle(journal, destinationText);
    }
    return outcome;
}
