#include "restore/Report.h"

#include "restore/Texts.h"

#include <algorithm>

namespace {

const std::u16string kEllipsis = u"...";

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// text with all but `kept` units of its middle replaced by "...": the extra unit
// of an odd count goes to the start, and a pair the cut would split goes.
std::u16string CutMiddle(const std::u16string& text, std::size_t kept) {
    std::size_t headEnd = (kept + 1) / 2;
    std::size_t tailStart = text.size() - (kept - headEnd);
    if (headEnd > 0 && IsHighSurrogate(text[headEnd - 1])) {
        --headEnd;
    }
    if (tailStart < text.size() && IsLowSurrogate(text[tailStart])) {
        ++tailStart;
    }
    return text.substr(0, headEnd) + kEllipsis + text.substr(tailStart);
}

// Every space-separated word of a one-line text cut to maxWidth: the box wraps
// at spaces and may widen itself for a longer word.
std::u16string ElideWords(const std::u16string& text, int maxWidth, const TextWidth& width) {
    std::u16string elided;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(text.find(u' ', start), text.size());
        elided += ElideMiddle(text.substr(start, end - start), maxWidth, width);
        if (end == text.size()) {
            return elided;
        }
        elided += u' ';
        start = end + 1;
    }
}

} // namespace

std::u16string ElideMiddle(const std::u16string& text, int maxWidth, const TextWidth& width) {
    if (width(text) <= maxWidth) {
        return text;
    }
    // The most units kept whose cut still fits; the width grows with what is kept.
    std::size_t fits = 0;
    std::size_t tooWide = text.size();
    while (tooWide - fits > 1) {
        const std::size_t kept = fits + (tooWide - fits) / 2;
        if (width(CutMiddle(text, kept)) <= maxWidth) {
            fits = kept;
        } else {
            tooWide = kept;
        }
    }
    return CutMiddle(text, fits);
}

std::u16string FitCompletionText(const std::string& sourceText, const std::string& destinationText,
                                 const std::vector<RestoreFailure>& failures,
                                 const ReportLayout& layout) {
    const bool failed = !failures.empty();
    const std::u16string source = layout.widen(sourceText);
    const std::u16string destination = layout.widen(destinationText);
    const auto fits = [&](const std::u16string& text) {
        return layout.height(text) <= layout.maxHeight;
    };

    // The first line must leave room for at least the count of what is not listed.
    const std::u16string leastTail = failed ? UnlistedCountLine(failures.size()) : u"";
    std::u16string text =
        CompletionFirstLine(failed, ElideWords(source, layout.maxWidth, layout.width),
                            ElideWords(destination, layout.maxWidth, layout.width));
    // Only a work area too small for two paths wrapped in full gets here.
    for (int limit = layout.maxWidth; !fits(text + leastTail) && limit > 0; limit /= 2) {
        text = CompletionFirstLine(failed, ElideMiddle(source, limit, layout.width),
                                   ElideMiddle(destination, limit, layout.width));
    }

    // A name and each word of its reason take less than a line, so that long ones
    // neither crowd out the other failures nor push their neighbours onto lines of
    // their own. The name's last word carries the colon.
    const int lineWidth = std::min(layout.wrapWidth * 7 / 8, layout.maxWidth);
    const int nameWidth = lineWidth - layout.width(u":");
    const std::size_t listable = std::min(failures.size(), kMaxReportedFailures);
    std::size_t listed = 0;
    for (; listed < listable; ++listed) {
        const RestoreFailure& failure = failures[listed];
        const std::u16string line =
            u"\r\n" + ElideMiddle(layout.widen(failure.fileName), nameWidth, layout.width) + u": " +
            ElideWords(layout.widen(failure.reason), lineWidth, layout.width);
        const std::size_t unlisted = failures.size() - listed - 1;
        if (!fits(text + line + (unlisted > 0 ? UnlistedCountLine(unlisted) : u""))) {
            break;
        }
        text += line;
    }
    if (listed < failures.size()) {
        text += UnlistedCountLine(failures.size() - listed);
    }
    return text;
}

std::string CompletionText(const std::string& sourceText, const std::string& destinationText,
                           const std::vector<RestoreFailure>& failures) {
    // Bytes as units one for one and no measure: nothing is cut and nothing is
    // too high, so the text comes back byte for byte.
    ReportLayout plain;
    plain.widen = [](const std::string& text) {
        std::u16string units;
        for (const char c : text) {
            units += static_cast<char16_t>(static_cast<unsigned char>(c));
        }
        return units;
    };
    plain.width = [](const std::u16string&) { return 0; };
    plain.height = [](const std::u16string&) { return 0; };
    plain.wrapWidth = plain.maxWidth = plain.maxHeight = 1;
    std::string text;
    for (const char16_t unit : FitCompletionText(sourceText, destinationText, failures, plain)) {
        text += static_cast<char>(unit);
    }
    return text;
}
