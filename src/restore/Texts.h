#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Every text a restore shows, and how each is put together: the "Directory Error"
// boxes that refuse a run, the lines of the completion report, the caption during
// a run and the reason Windows shows when it waits for one. The system's words
// for an error come in as the system gives them ("There is not enough space on
// the disk."). The two box titles are in common/Titles.h.

// --- Refusals: the text of a "Directory Error" box; nothing was restored -------

constexpr const char kNoDestination[] = "You must have a destination";
constexpr const char kDestinationEndsInSpaceOrDot[] =
    "The destination ends in a space or a dot, which Windows leaves out of a directory's name: "
    "please remove it, or choose the directory with Browse";
constexpr const char kNoSuchDestination[] = "The destination directory does not exist";
constexpr const char kDestinationIsSource[] =
    "The destination must differ from the source directory";
std::string DestinationNotLookedAt(const std::string& reason);
std::string DestinationUnreadable(const std::string& reason);
std::string TemporaryDirectoryUnreadable(const std::string& reason);
extern const char kAnotherRunRefusal[];
extern const char kLinkRefusal[];

// --- The completion report ------------------------------------------------------

// Its first line: every file copied, or not.
std::u16string CompletionFirstLine(bool failed, const std::u16string& source,
                                   const std::u16string& destination);
// Its last line when not every failure is listed.
std::u16string UnlistedCountLine(std::size_t unlisted);

// The steps of a restore, each with its words and the place of the file it works
// on.
enum class Step {
    CopyIndex,
    ClearIndexAttributes,
    FlushIndex,
    CopyMessage,
    ClearMessageAttributes,
    WriteFolderId,
    // From here on a folder's names change.
    SetMessageAside,
    SetIndexAside,
    MoveIndexIn,
    MoveMessageIn,
    TakeIndexOut,
    PutBack,
    KeepAside,
    KeepIndex,
    LookAtName,
    EndMark,
    RemoveLeftover,
    CopyNewMail,
    NewMailAttributes,
    FlushNewMail,
    MoveNewMailIn,
};

// A step that failed, with the system's error code and the name of the file it
// worked on. unsure: a rename whose answer was a failure, while the names could
// not tell whether it was done.
struct StepFailure {
    Step step = Step::CopyMessage;
    std::uint32_t error = 0;
    std::string name;
    bool unsure = false;
};

// What a failed step says, in its own words and the system's (reason): "the new
// folder ID could not be written (There is not enough space on the disk.)".
std::string StepReason(const StepFailure& failure, const std::string& reason);

// The report's line for a folder that was not restored: the step that failed and
// what became of the folder (see restore/Replacement.h): put back as it was, or
// left for the next run, when the settling after it failed too (unsettled, not
// null) or the failed rename may have been done.
std::string FolderFailureText(const StepFailure& failed, const std::string& reason,
                              const StepFailure* unsettled, const std::string& unsettledReason);

// The line for a folder that a run cut off left in the middle of its replacement,
// and that the settling of the next run could not finish or undo.
std::string CutOffFolderText(const StepFailure& failed, const std::string& reason);

// A line's last sentence, for a file that another program holds open: the mail
// client for a file under a restored name or in the archive, another program
// for a copy in the directory for unfinished copies.
std::string WithHeldFileAdvice(const std::string& line, const StepFailure& failed);

// Why a folder, or a new-mail file, is not copied at all.
std::string SameRestoredNameAs(const std::string& fileName);
constexpr const char kSourcePathTooLong[] = "the source path is too long";
constexpr const char kDestinationPathTooLong[] = "the destination path is too long";
constexpr const char kNewMailPathTooLong[] = "the path is too long";
std::string ReadOnlyNotReplaced(const std::string& name);
std::string HiddenNotReplaced(const std::string& name);
std::string DirectoryUnderName(const std::string& name);
std::string LeftoverNotCleared(const std::string& name);
std::string FolderNotRestored(const std::string& why);
std::string RestoredWithoutIndex(const std::string& reason);
std::string NoTemporaryDirectory(const std::string& reason);
std::string TemporaryDirectoryNotHeld(const std::string& reason);

// --- During a run ------------------------------------------------------------------

// The main dialog's caption: "Tarnwick - restoring 12 of 200" at folder 12 of the
// 200 chosen, then "Tarnwick - copying new mail" (folder 0).
std::string ProgressCaption(std::size_t folder, std::size_t folders);

// What Windows shows while a run keeps a shutdown or a log-off waiting.
constexpr const wchar_t kShutdownBlockReason[] = L"Restoring mail folders";
