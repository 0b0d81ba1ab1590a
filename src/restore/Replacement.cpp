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
    const DWORD error = win32::MoveToFreeName(from, to).error;
    return Failed(step, ifThere && win32::IsMissing(error) ? 0 : error, name);
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

std::string StepReason(const StepFailure& failure) {
    const std::string what = StepText(failure.step, failure.name);
    const std::string reason = win32::ErrorText(failure.error);
    return what.empty() ? reason : what + " (" + reason + ")";
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
    const auto place = [&](const std::string& name, const char* suffix) {
        return PlaceOf(destinationText, name, suffix);
    };
    const auto underName = [&](const std::string& name) { return JoinPath(destinationText, name); };
    const std::string& message = journal.messageName;
    const std::string& index = journal.indexName;
    if (journal.mark != FolderJournal::Mark::None) {
        // Not complete: undone, the reverse of steps 2 to 4.
        const char* const mark = MarkSuffix(journal.mark);
        if (journal.mark == FolderJournal::Mark::Pair && !Contains(journal.unfinished, index)) {
            if (auto failed = Rename(Step::TakeIndexOut, index, underName(index),
                                     place(index, kUnfinishedSuffix), true)) {
                return failed;
            }
            journal.unfinished.push_back(index);
        }
        while (!journal.aside.empty()) {
            const std::string& earlier = journal.aside.back();
            if (auto failed = Rename(Step::PutBack, earlier, place(earlier, kAsideSuffix),
                                     underName(earlier), true)) {
                return failed;
            }
            journal.aside.pop_back();
        }
        if (auto failed = Rename(Step::EndMark, message + mark, place(message, mark),
                                 place(message, kUnfinishedSuffix), true)) {
            return failed;
        }
        journal.mark = FolderJournal::Mark::None;
        journal.unfinished.push_back(message);
    }
    // Complete, or undone: what was set aside goes, and the unfinished copies.
    for (const auto& [names, suffix] : {std::pair{&journal.aside, kAsideSuffix},
                                        std::pair{&journal.unfinished, kUnfinishedSuffix}}) {
        while (!names->empty()) {
            const std::string name = names->back() + suffix;
            if (const std::uint32_t error =
                    Discard(place(names->back(), suffix), destinationText)) {
                return StepFailure{Step::RemoveLeftover, error, name};
            }
            names->pop_back();
        }
    }
    return std::nullopt;
}

ReplacementOutcome Replace(FolderJournal& journal, const PlannedFolder& folder,
                           const std::string& destinationText) {
    const auto place = [&](const std::string& name, const char* suffix) {
        return PlaceOf(destinationText, name, suffix);
    };
    const auto underName = [&](const std::string& name) { return JoinPath(destinationText, name); };
    const std::string& message = journal.messageName;
    const std::string& index = journal.indexName;
    const auto steps = [&]() -> std::optional<StepFailure> {
        const bool withIndex = Contains(journal.unfinished, index);
        // 2. Begin: the mark stands from the copy's first byte.
        journal.mark = withIndex ? FolderJournal::Mark::Pair : FolderJournal::Mark::Alone;
        const std::string mark = place(message, MarkSuffix(journal.mark));
        if (auto failed =
                Failed(Step::CopyMessage,
                       win32::CopyToFreeName(folder.message.sourcePath, mark).error, message)) {
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
        // 3. What stands under the names is set aside, the index first. A file
        // gone since the destination was listed leaves nothing to set aside.
        for (const auto& [earlier, step] :
             {std::pair{&folder.index.earlierName, Step::SetIndexAside},
              std::pair{&folder.message.earlierName, Step::SetMessageAside}}) {
            if (earlier->empty()) {
                continue;
            }
            const DWORD error =
                win32::MoveToFreeName(underName(*earlier), place(*earlier, kAsideSuffix)).error;
            if (win32::IsMissing(error)) {
                continue;
            }
            if (auto failed = Failed(step, error, *earlier)) {
                return failed;
            }
            journal.aside.push_back(*earlier);
        }
        // 4. The new index.
        if (withIndex) {
            if (auto failed = Rename(Step::MoveIndexIn, index, place(index, kUnfinishedSuffix),
                                     underName(index))) {
                return failed;
            }
            Erase(journal.unfinished, index);
        }
        // 5. Complete: the mark, the new message file, takes its name.
        if (auto failed = Rename(Step::MoveMessageIn, message, mark, underName(message))) {
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
