#include "app/DialogTemplate.h"

#include "common/Titles.h"

namespace {

void AppendWide(std::vector<WORD>& words, const char* text) {
    // The title and face name are plain ASCII, so widening is a byte-to-word copy.
    for (; *text; ++text) {
        words.push_back(static_cast<unsigned char>(*text));
    }
    words.push_back(0);
}

void AppendDword(std::vector<WORD>& words, DWORD value) {
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
}

} // namespace

std::vector<WORD> BuildMainDialogTemplate() {
    std::vector<WORD> words;
    AppendDword(words, kMainDialogStyle);
    AppendDword(words, kMainDialogExStyle);
    words.push_back(0);   // cdit: no items in the template
    words.push_back(96);  // x
    words.push_back(78);  // y
    words.push_back(381); // cx
    words.push_back(252); // cy
    words.push_back(0);   // no menu
    words.push_back(0);   // the system dialog class
    AppendWide(words, kProgramTitle);
    words.push_back(8); // point size, present because of DS_SETFONT
    AppendWide(words, "MS Sans Serif");
    return words;
}
