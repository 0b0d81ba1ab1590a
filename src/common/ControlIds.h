#pragma once

// Control IDs of the main dialog. 1010, 1013, 1014 and 1016 to 1019 are unused.
constexpr int IDC_LABEL = 1; // all seven static labels share it
constexpr int IDC_SOURCE_LIST = 1001;
constexpr int IDC_RESTORE_LIST = 1002;
constexpr int IDC_ADD_ALL = 1003;
constexpr int IDC_ADD_SELECTED = 1004;
constexpr int IDC_REMOVE_SELECTED = 1005;
constexpr int IDC_REMOVE_ALL = 1006;
constexpr int IDC_SOURCE_PATH = 1007;
constexpr int IDC_DEST_PATH = 1008;
constexpr int IDC_COPY_NEW_MAIL = 1009;
constexpr int IDC_SOURCE_BROWSE = 1011;
constexpr int IDC_DEST_BROWSE = 1012;
constexpr int IDC_RESTORE = 1015;
constexpr int IDC_HELP_ABOUT = 1020;
