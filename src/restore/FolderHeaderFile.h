#pragma once

#include "restore/FolderHeader.h"
#include "win32/FileSystem.h"

#include <string>

// Reads the display name and folder ID of a folder message file. Both texts are
// empty when the file cannot be opened (another program holding it open
// included); a short file gives the bytes present. knownReadOnly says that a
// directory listing showed the read-only attribute: the read-write open, bound
// to fail, is then skipped, which halves the opens of an archive from a CD.
FolderHeaderTexts ReadFolderHeader(const std::string& path, bool knownReadOnly = false);

// Writes the bytes of id, without terminator, at the folder ID offset of an
// existing file, and then the whole file to the disk (see win32::Flush); every
// other byte stays as it was. Never creates a file and never writes at or past
// byte 128.
win32::FileResult WriteFolderId(const std::string& path, const std::string& id);
