#pragma once
#include <windows.h>

// Builds the main dialog and its controls, runs the modal loop until the dialog
// is closed and returns the dialog's end value (0 after the system Close command,
// the only way it closes).
INT_PTR ShowMainDialog(HWND owner);

// Runs the program: shows the main dialog without an owner. Its result becomes the
// process exit code.
int AppMain();
