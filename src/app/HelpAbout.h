#pragma once
#include "app/MainDialogHandle.h"

// Help/About: shows the help text in an unowned message box.
LRESULT OnHelpAbout(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
