#include "app/HelpAbout.h"

#include "app/HelpText.h"
#include "common/Titles.h"

LRESULT OnHelpAbout(HWND, UINT, WPARAM, LPARAM) {
    const std::string text = BuildHelpText();
    MessageBoxA(nullptr, text.c_str(), kProgramTitle, MB_OK);
    return 0;
}
