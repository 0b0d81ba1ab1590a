#include "restore/Texts.h"

#include "common/Titles.h"

namespace {

// The directory for unfinished copies, as every text names it.
const std::string kTemporaryDirectoryName = ".tarnwick-tmp";
// Where a report leaves a folder's names for the next run to settle.
const std::string kNextRunTriesAgain = "the next restore into this directory tries again";

std::string WithReason(const std::string& what, const std::string& reason) {
    return what.empty() ? reason : what + " (" + reason + ")";
}

// The words of a step about the file it calls name; "" where the system's reason
// says it all ("There is not enough space on the disk.").
std::string StepText(Step step, const std::string& name) {
    switch (step) {
    case Step::CopyIndex:
    case Step::CopyMessage:
    case Step::CopyNewMail:
        return "";
    case Step::ClearMessageAttributes:
        return "the copy could not be made read-write";
    case Step::WriteFolderId:
        return "the new folder ID could not be written";
    case Step::ClearIndexAttributes:
        return "the index copy could not be made read-write";
    case Step::FlushIndex:
        return "the index copy could not be written to the disk";
    case Step::SetMessageAside:
    case Step::SetIndexAside:
        return name + " in the destination could not be replaced";
    case Step::MoveIndexIn:
        return "the new index could not take the name " + name;
    case Step::MoveMessageIn:
        return "the new message file could not take the name " + name;
    case Step::TakeIndexOut:
        return "the new index " + name + " could not be taken out again";
    case Step::PutBack:
        return "the earlier " + name + " could not be put back from " + kTemporaryDirectoryName;
    case Step::KeepAside:
        return "the earlier " + name + " stays in " + kTemporaryDirectoryName +
               ", since another file now stands under its name";
    case Step::KeepIndex:
        return "the index " + name +
               " was kept, though whether it is the earlier one or the new one could not be told";
    case Step::LookAtName:
        return "what stands under the name " + name + " could not be looked at";
    case Step::EndMark:
        return "the mark " + name + " in " + kTemporaryDirectoryName + " could not be taken away";
    case Step::RemoveLeftover:
        return name + " in " + kTemporaryDirectoryName + " could not be removed";
    case Step::NewMailAttributes:
        return "the read-only attribute of the copy could not be set";
    case Step::FlushNewMail:
        return "the copy could not be written to the disk";
    case Step::MoveNewMailIn:
        return "the copy could not take the name " + name;
    }
    return "";
}

// Whether the file a step works on is a copy in the directory for unfinished
// copies, which the mail client never opens.
bool WorksOnUnfinishedCopy(Step step) {
    switch (step) {
    case Step::ClearIndexAttributes:
    case Step::FlushIndex:
    case Step::ClearMessageAttributes:
    case Step::WriteFolderId:
    case Step::MoveIndexIn:
    case Step::MoveMessageIn:
    case Step::PutBack:
    case Step::KeepAside:
    case Step::EndMark:
    case Step::RemoveLeftover:
    case Step::NewMailAttributes:
    case Step::FlushNewMail:
        return true;
    default:
        return false;
    }
}

constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kLockViolation = 33;

} // namespace

const char kAnotherRunRefusal[] =
    "Another restore into this directory is running. Wait until it has finished, then "
    "restore again.";
const char kLinkRefusal[] =
    "The destination holds .tarnwick-tmp, which is a link to another place (a junction or "
    "symbolic link). Tarnwick neither follows nor removes it, and did nothing. Remove the link "
    "alone, with the command rmdir .tarnwick-tmp in a command prompt in the destination "
    "(rmdir takes away the link and leaves what it leads to), then restore again.";

std::string DestinationNotLookedAt(const std::string& reason) {
    return "The destination directory could not be looked at (" + reason + ")";
}

std::string DestinationUnreadable(const std::string& reason) {
    return "The destination could not be read completely (" + reason + "). Nothing was restored.";
}

std::string TemporaryDirectoryUnreadable(const std::string& reason) {
    return "The directory " + kTemporaryDirectoryName + " in the destination could not be read (" +
           reason + "). Nothing was restored.";
}

std::u16string CompletionFirstLine(bool failed, const std::u16string& source,
                                   const std::u16string& destination) {
    return (failed ? u"Not all mail files were copied from " : u"Mail files copied from ") +
           source + u" to " + destination;
}

std::u16string UnlistedCountLine(std::size_t unlisted) {
    const std::string count = std::to_string(unlisted);
    return u"\r\nand " + std::u16string(count.begin(), count.end()) + u" more";
}

std::string StepReason(const StepFailure& failure, const std::string& reason) {
    return WithReason(StepText(failure.step, failure.name), reason);
}

std::string FolderFailureText(const StepFailure& failed, const std::string& reason,
                              const StepFailure* unsettled, const std::string& unsettledReason) {
    std::string text = StepReason(failed, reason);
    if (failed.unsure) {
        text += "; whether it was done could not be told, and " + kNextRunTriesAgain;
    } else if (unsettled) {
        text += "; then " + StepReason(*unsettled, unsettledReason) + ", and " + kNextRunTriesAgain;
    } else if (failed.step >= Step::SetMessageAside) {
        text += "; the folder in the destination was left as it was";
    }
    return WithHeldFileAdvice(text, failed);
}

std::string CutOffFolderText(const StepFailure& failed, const std::string& reason) {
    std::string text =
        "a restore that was cut off was replacing this folder, and " + StepReason(failed, reason);
    if (failed.step != Step::KeepAside && failed.step != Step::KeepIndex) {
        text += "; " + kNextRunTriesAgain;
    }
    return WithHeldFileAdvice(text, failed);
}

std::string WithHeldFileAdvice(const std::string& line, const StepFailure& failed) {
    if (failed.error != kSharingViolation && failed.error != kLockViolation) {
        return line;
    }
    const std::string advice =
        WorksOnUnfinishedCopy(failed.step)
            ? "Another program, such as a virus scanner or a sync program, has a copy in " +
                  kTemporaryDirectoryName + " open: wait a moment, then restore again"
            : "Another program has the file open: close the folder in the mail client, then "
              "restore again";
    return line + (line.back() == '.' ? " " : ". ") + advice;
}

std::string SameRestoredNameAs(const std::string& fileName) {
    return "same restored name as " + fileName;
}

std::string ReadOnlyNotReplaced(const std::string& name) {
    return name + " in the destination is read-only and was not replaced";
}

std::string HiddenNotReplaced(const std::string& name) {
    return name + " in the destination is hidden and was not replaced";
}

std::string DirectoryUnderName(const std::string& name) {
    return "the destination has a directory named " + name;
}

std::string LeftoverNotCleared(const std::string& name) {
    return name + " in " + kTemporaryDirectoryName +
           " is left from an earlier restore and could not be cleared away";
}

std::string FolderNotRestored(const std::string& why) {
    return why + ", so this folder was not restored";
}

std::string RestoredWithoutIndex(const std::string& reason) {
    return "not in the archive (" + reason + "); the folder was restored without an index";
}

std::string NoTemporaryDirectory(const std::string& reason) {
    return "the directory for unfinished copies could not be made in the destination (" + reason +
           ")";
}

std::string TemporaryDirectoryNotHeld(const std::string& reason) {
    return "the directory for unfinished copies in the destination could not be held for this "
           "restore (" +
           reason + ")";
}

std::string ProgressCaption(std::size_t folder, std::size_t folders) {
    if (folder == 0) {
        return std::string(kProgramTitle) + " - copying new mail";
    }
    return std::string(kProgramTitle) + " - restoring " + std::to_string(folder) + " of " +
           std::to_string(folders);
}
