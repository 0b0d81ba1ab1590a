#pragma once
#include "app/Handler.h"

// Help/About: shows the help text in an unowned message box.
LRESULT OnHelpAbout(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
