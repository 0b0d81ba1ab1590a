#pragma once
#include "win32/MainDialogHandle.h"

// Help/About: shows the help text in an unowned message box.
LRESULT OnHelpAbout(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
