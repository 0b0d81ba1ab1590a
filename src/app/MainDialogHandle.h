#pragma once
#include <windows.h>

// The main dialog, set once when it is created. Every handler reaches the
// controls through it and the control IDs, never through its own arguments.
extern HWND hMainDlg;
