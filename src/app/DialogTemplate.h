#pragma once
#include <windows.h>

#include <vector>

// The main dialog's classic DLGTEMPLATE with its variable part (no menu, the
// system dialog class, the title and the 8-point "MS Sans Serif" font) and no
// items: the controls are added afterwards. The vector's storage is suitably
// aligned for CreateDialogIndirectParamA.
std::vector<WORD> BuildMainDialogTemplate();

constexpr DWORD kMainDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_CENTER |
                                   DS_SETFONT | DS_3DLOOK | DS_NOFAILCREATE;
constexpr DWORD kMainDialogExStyle = WS_EX_CONTROLPARENT;
