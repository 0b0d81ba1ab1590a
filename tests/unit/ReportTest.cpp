#include "restore/Report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A stand-in for the box: byte 1 reads as a surrogate pair, byte 2 as a CJK
// character, any other byte as itself; 6 pixels a unit below 0x80 or in a pair, 12
// otherwise; 12-pixel lines wrapped at spaces.
std::u16string Widen(const std::string& text) {
    std::u16string wide;
    for (char c : text) {
        wide += c == 1 ? u"\xD83D\xDCE7" : c == 2 ? u"\x65E5" : std::u16string(1, c & 0xFF);
    }
    return wide;
}

int Width(const std::u16string& text) {
    int width = 0;
    for (char16_t unit : text) {
        width += unit < 0x80 || (unit >= 0xD800 && unit <= 0xDFFF) ? 6 : 12;
    }
    return width;
}

std::vector<std::u16string> Split(const std::u16string& text, const std::u16string& separator) {
    std::vector<std::u16string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::u16string::npos;
         start = end + separator.size()) {
        parts.push_back(text.substr(start, end - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

ReportLayout FakeLayout(int wrapWidth, int maxWidth, int maxHeight) {
    const auto height = [wrapWidth](const std::u16string& text) {
        int lines = 0;
        for (const std::u16string& line : Split(text, u"\r\n")) {
            int x = wrapWidth;
            for (const std::u16string& word : Split(line, u" ")) {
                x += Width(u" " + word);
                if (x > wrapWidth) {
                    ++lines;
                    x = Width(word);
                }
            }
        }
        return lines * 12;
    };
    return {Widen, Width, height, wrapWidth, maxWidth, maxHeight};
}

// The box under Wine on a 1024 x 768 screen.
const ReportLayout kScreen = FakeLayout(258, 874, 578);

std::vector<RestoreFailure> Failures(std::size_t count, const std::string& name) {
    std::vector<RestoreFailure> failures;
    for (std::size_t i = 0; i < count; ++i) {
        failures.push_back({std::to_string(i) + name, "Disk full."});
    }
    return failures;
}

TEST(FitCompletionText, IsCompletionTextWhenEverythingFits) {
    for (std::size_t count : {0u, 1u, 20u, 21u, 1000u}) {
        const std::vector<RestoreFailure> failures = Failures(count, "FOL00001.PMM");
        EXPECT_EQ(FitCompletionText("Z:\\mail", "Z:\\Program Files\\x", failures, kScreen),
                  Widen(CompletionText("Z:\\mail", "Z:\\Program Files\\x", failures)));
    }
}

// A path stays whole while its words fit the box's width; a name is cut to a line. Either
// keeps its start and its end around "...".
TEST(FitCompletionText, CutsOnlyWhatIsWiderThanItsRoom) {
    const std::string fits = "Z:\\" + std::string(140, 'a'); // 858 pixels
    const std::string spaced = "Z:\\" + std::string(200, ' ') + "b";
    const std::string deep = "Z:\\" + std::string(100, 2) + "Tail"; // 1242 pixels
    for (const std::string& path : {fits, spaced, deep}) {
        const std::u16string line =
            Split(FitCompletionText(path, "Z:\\b", {}, kScreen), u"\r\n")[0];
        const std::u16string shown = line.substr(23, line.size() - 23 - 8);
        if (path != deep) {
            EXPECT_EQ(shown, Widen(path));
            continue;
        }
        EXPECT_EQ(shown.substr(0, 4) + shown.substr(shown.size() - 4), Widen("Z:\\\x02Tail"));
        EXPECT_NE(shown.find(u"..."), std::u16string::npos);
        EXPECT_LE(Width(shown), kScreen.maxWidth);
        EXPECT_GT(Width(shown), kScreen.maxWidth - 24);
    }
    for (const std::string& middle : {std::string(243, 'x'), std::string(243, ' ')}) {
        const std::u16string text = FitCompletionText(
            "Z:\\a", "Z:\\b", {{"Head" + middle + "Tail.PMM", "Disk full."}}, kScreen);
        const std::u16string line = Split(text, u"\r\n").at(1);
        const std::u16string shown = line.substr(0, line.size() - 12);
        EXPECT_EQ(line.substr(shown.size()), u": Disk full.");
        EXPECT_EQ(shown.substr(0, 4) + shown.substr(shown.size() - 8), u"HeadTail.PMM");
        EXPECT_NE(shown.find(u"..."), std::u16string::npos);
        EXPECT_LE(Width(shown + u":"), kScreen.wrapWidth);
    }
}

// Whatever the paths, names and counts, the text stays within the box, no word
// widens it, no pair is split, and every failure is listed in order or counted.
TEST(FitCompletionText, StaysWithinTheBoxWhateverItReports) {
    const std::string paths[] = {"Z:\\a", "Z:\\" + std::string(256, 'W'),
                                 "Z:\\" + std::string(256, ' '), "Z:\\" + std::string(256, 2),
                                 "Z:\\" + std::string(128, 1) + "x"};
    const std::string names[] = {".PMM", std::string(250, 'N') + ".PMM",
                                 std::string(250, ' ') + ".PMM", std::string(125, 1) + ".PMM"};
    for (const ReportLayout& layout :
         {kScreen, FakeLayout(240, 300, 150), FakeLayout(300, 250, 60)}) {
        for (const std::string& path : paths) {
            for (const std::string& name : names) {
                for (std::size_t count : {0u, 1u, 20u, 21u, 1000u}) {
                    SCOPED_TRACE(path.substr(0, 5) + " / " + name.substr(0, 3) + " x " +
                                 std::to_string(count) + " in " + std::to_string(layout.maxHeight));
                    std::vector<RestoreFailure> failures = Failures(count, name);
                    if (count > 0) {
                        failures.back().reason = "File " + path + " not found.";
                    }
                    const std::u16string text = FitCompletionText(path, path, failures, layout);

                    EXPECT_LE(layout.height(text), layout.maxHeight);
                    for (std::size_t i = 0; i < text.size(); ++i) {
                        const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
                        EXPECT_EQ(text[i] == 0xDCE7, i > 0 && text[i - 1] == 0xD83D) << i;
                        EXPECT_EQ(high, i + 1 < text.size() && text[i + 1] == 0xDCE7) << i;
                    }
                    std::vector<std::u16string> lines = Split(text, u"\r\n");
                    for (const std::u16string& line : lines) {
                        for (const std::u16string& word : Split(line, u" ")) {
                            EXPECT_LE(Width(word), layout.maxWidth);
                        }
                    }
                    std::size_t unlisted = 0;
                    if (lines.size() > 1 && lines.back().substr(0, 4) == u"and ") {
                        unlisted =
                            std::stoul(std::string(lines.back().begin() + 4, lines.back().end()));
                        lines.pop_back();
                    }
                    EXPECT_LE(lines.size() - 1, kMaxReportedFailures);
                    EXPECT_EQ(lines.size() - 1 + unlisted, failures.size());
                    for (std::size_t i = 1; i < lines.size(); ++i) {
                        EXPECT_EQ(lines[i].substr(0, 3),
                                  Widen(std::to_string(i - 1) + name).substr(0, 3));
                    }
                }
            }
        }
    }
}

} // namespace
