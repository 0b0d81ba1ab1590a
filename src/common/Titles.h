#pragma once

// The titles of the program's windows.
// The main dialog's caption, also the title of the program's message boxes.
constexpr const char kProgramTitle[] = "Tarnwick";
// The title of every box that refuses a directory.
constexpr const char kDirectoryErrorTitle[] = "Directory Error";
