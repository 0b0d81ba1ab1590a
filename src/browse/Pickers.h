#pragma once
#include "app/MainDialogHandle.h"

// Source "Browse": fills the source field, empties both lists and scans the
// chosen directory. A cancelled browse changes nothing.
LRESULT OnSourceBrowse(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Destination "Browse": fills the destination field, also with "" on cancel.
LRESULT OnDestBrowse(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
