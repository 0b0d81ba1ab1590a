#pragma once
#include "app/Handler.h"

// Restore: copies every chosen folder into the destination under its restored
// name with a new folder ID, then the new-mail files when the box is ticked, and
// reports the run in one message box.
LRESULT OnRestore(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
