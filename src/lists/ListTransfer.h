#pragma once
#include "app/MainDialogHandle.h"

// The four arrow buttons between the lists. Each keeps the chosen byte of the
// matching record in step with the list its name stands in.
LRESULT OnAddAll(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnAddSelected(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnRemoveSelected(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnRemoveAll(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
