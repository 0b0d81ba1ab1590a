#include "app/HelpAbout.h"

#include "common/ControlIds.h"
#include "app/HelpText.h"

LRESULT OnHelpAbout(HWND, UINT, WPARAM, LPARAM) {
    const std::string text = BuildHelpText();
    MessageBoxA(nullptr, text.c_str(), kProgramTitle, MB_OK);
    return 0;
}
