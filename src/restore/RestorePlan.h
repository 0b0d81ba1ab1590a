#pragma once

#include "common/Path.h"
#include "lists/FolderRecord.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// True when the destination text, stripped of leading and trailing spaces,
// sorts below a single space: it is empty or begins with a control character
// such as a tab.
bool DestinationTextIsMissing(const std::string& destinationText);

// Whether the last part of a directory text ends in a space or a dot (".." and
// "." aside, trailing separators passed over). The file calls drop such an ending
// from the last part of a path but not from the middle of one, so the directory
// itself and the paths joined to it would name two different places. Works on
// UTF-16 too: in a multibyte code page a backslash byte can end a character.
template <typename Char>
bool LastPartEndsInSpaceOrDot(const std::basic_string<Char>& text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == Char('\\') || text[end - 1] == Char('/'))) {
        --end;
    }
    std::size_t start = end;
    while (start > 0 && text[start - 1] != Char('\\') && text[start - 1] != Char('/') &&
           text[start - 1] != Char(':')) {
        --start;
    }
    const std::basic_string<Char> last = text.substr(start, end - start);
    if (last.empty() || last == std::basic_string<Char>(1, Char('.')) ||
        last == std::basic_string<Char>(2, Char('.'))) {
        return false;
    }
    return last.back() == Char(' ') || last.back() == Char('.');
}

// Folds a file name into a key that two names share exactly when the file system
// takes them for the same file. The default folds ASCII letters only; the
// program passes the system's own folding, which covers every letter.
using NameKey = std::function<std::string(const std::string& name)>;
std::string AsciiNameKey(const std::string& name);

// What the destination already holds under a name, by NameKey.
enum class ExistingFile { Plain, ReadOnly, Hidden, Directory };
struct ExistingName {
    std::string name; // exactly as listed
    ExistingFile kind = ExistingFile::Plain;
};
using DestinationNames = std::unordered_map<std::string, ExistingName>;

// Why a file of that kind is not replaced; "" for a plain file, which is.
std::string ExistingFileRefusal(ExistingFile existing, const std::string& name);

// One file of a chosen folder: its restored name, where it comes from, and the
// plain file that stands under that name before the run, by its exact name ("":
// nothing does).
struct PlannedFile {
    std::string name;
    std::string sourcePath;
    std::string earlierName;
};

// One chosen folder: its message file (.PMM) and its index (.PMI).
struct PlannedFolder {
    std::string fileName;
    std::string newFolderId;
    PlannedFile message;
    PlannedFile index;
    // The index's name in the source, as a report names it.
    std::string indexName;
    // Not empty: the folder is not copied and is reported with this reason.
    std::string refusal;
};

// A new-mail file in the source, as listed.
struct NewMailFile {
    std::string name;
    std::uint32_t attributes = 0;
};

// One new-mail file to copy under its own name.
struct PlannedNewMail {
    std::string name;
    std::string sourcePath;
    // The source file's attributes, which the copy keeps.
    std::uint32_t attributes = 0;
    std::string refusal;
};

struct RestorePlan {
    std::vector<PlannedFolder> folders;
    std::vector<PlannedNewMail> newMail;
};

// What the run finds before it copies anything: the destination's names, the
// names still taken in its directory for unfinished copies (by NameKey), and the
// source's new-mail files (none when they are not to be copied).
struct FoundNames {
    DestinationNames existing;
    std::unordered_set<std::string> taken;
    std::vector<NewMailFile> newMail;
};

// The chosen records in table order, with their names, earlier files and new
// IDs, and the new-mail files. A folder is refused when its restored name is
// that of an earlier chosen folder (by key), when a path is too long for the file
// calls, when the destination holds a read-only, hidden or directory entry under
// either restored name, or when one of its names in the directory for unfinished
// copies is still taken; a new-mail file likewise.
RestorePlan PlanRestore(const std::vector<FolderRecord>& records, const std::string& sourceText,
                        const std::string& destinationText, const FoundNames& found = {},
                        const NameKey& key = AsciiNameKey);
