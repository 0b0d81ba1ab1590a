#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// One line of a report: the file it names and what happened to it.
struct RestoreFailure {
    std::string fileName;
    std::string reason;
};

// Failure lines a report lists at most; the rest are counted on one last line.
// The box lists fewer when they would not fit on the screen.
constexpr std::size_t kMaxReportedFailures = 20;

// Width in pixels of a text drawn on one line.
using TextWidth = std::function<int(const std::u16string& text)>;

// What fitting the completion report into its box needs from the box, in pixels.
// Texts are cut in UTF-16, where a character of a multibyte code page is one unit
// (or one surrogate pair) and cannot be split.
struct ReportLayout {
    // The code page's text in UTF-16.
    std::function<std::u16string(const std::string& text)> widen;
    TextWidth width;
    // Height of a text as the box wraps it, at wrapWidth.
    std::function<int(const std::u16string& text)> height;
    int wrapWidth = 0;
    // The most the text may take up for the box to stay on the screen.
    int maxWidth = 0;
    int maxHeight = 0;
};

// text as it stands when it is at most maxWidth wide, otherwise with its middle
// cut out and "..." in its place so that it is. Never splits a surrogate pair.
std::u16string ElideMiddle(const std::u16string& text, int maxWidth, const TextWidth& width);

// CompletionText fitted into the box. The two paths stay whole unless a word of
// theirs is wider than the box (or the first line alone is too high); a file
// name is cut to less than wrapWidth. Failures are listed while the text stays
// within maxHeight, at most kMaxReportedFailures, and the rest counted on a last
// line "and N more".
std::u16string FitCompletionText(const std::string& sourceText, const std::string& destinationText,
                                 const std::vector<RestoreFailure>& failures,
                                 const ReportLayout& layout);

// The completion box's text as it stands, nothing cut: the plain success line
// when nothing failed, otherwise the warning line followed by one line per
// failure, the first kMaxReportedFailures of them and then "and N more".
std::string CompletionText(const std::string& sourceText, const std::string& destinationText,
                           const std::vector<RestoreFailure>& failures);

// Where a run is: at folder `folder` (from 1) of the `folders` chosen, or at the
// new mail when folder is 0.
struct RestoreProgress {
    std::size_t folder = 0;
    std::size_t folders = 0;
};
