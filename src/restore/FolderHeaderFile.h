#pragma once

#include "restore/FolderHeader.h"
#include "win32/FileSystem.h"

#include <string>

// Reads the display name and folder ID of a folder message file. Both texts are
// empty when the file cannot be opened (another program holding it open
// included); a short file gives the bytes present.
FolderHeaderTexts ReadFolderHeader(const std::string& path);

// Writes the bytes of id, without terminator, at the folder ID offset of an
// existing file; every other byte stays as it was. Never creates a file and never
// writes at or past byte 128.
win32::FileResult WriteFolderId(const std::string& path, const std::string& id);
