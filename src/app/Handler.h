#pragma once
#include <windows.h>

// A push button's handler. Every handler of this program returns 0 and looks at
// none of its arguments: it reaches the controls through hMainDlg.
using Handler = LRESULT (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The main dialog, set once when it is created.
extern HWND hMainDlg;
