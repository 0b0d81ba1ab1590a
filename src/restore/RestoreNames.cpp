#include "restore/RestoreNames.h"

namespace {

const std::string kPrefix = "BAK";

std::string TrimTrailingSpaces(std::string text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

// Left to right, byte-exact, resuming after each replacement, so occurrences
// never overlap.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return text;
    }
    std::string result;
    std::size_t position = 0;
    for (std::size_t found; (found = text.find(from, position)) != std::string::npos;
         position = found + from.size()) {
        result.append(text, position, found - position);
        result += to;
    }
    result.append(text, position, std::string::npos);
    return result;
}

} // namespace

std::string MakeRestoredName(const std::string& fileName) {
    const std::size_t lastDot = fileName.rfind('.');
    if (lastDot != std::string::npos && lastDot < kPrefix.size()) {
        return TrimTrailingSpaces(kPrefix + fileName.substr(lastDot));
    }
    const std::string rest =
        fileName.size() > kPrefix.size() ? fileName.substr(kPrefix.size()) : "";
    return TrimTrailingSpaces(kPrefix + rest);
}

std::string MakeNewFolderId(const std::string& folderId, const std::string& fileName) {
    // Only a pattern as long as "BAK" keeps the ID's length, and with it the
    // header's bounds; a listed folder file name is never shorter anyway.
    std::string id = folderId;
    if (fileName.size() >= kPrefix.size()) {
        const std::string pattern = fileName.substr(0, kPrefix.size());
        id = ReplaceAll(ReplaceAll(id, pattern, kPrefix), pattern, kPrefix);
    }
    return "BA" + (id.size() > 2 ? id.substr(2) : std::string());
}

std::string IndexPathOf(const std::string& path) {
    return path.empty() ? "I" : path.substr(0, path.size() - 1) + "I";
}
