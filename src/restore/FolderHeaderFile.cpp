#include "restore/FolderHeaderFile.h"

#include "win32/Handle.h"

namespace {

// Read-write without sharing first; when that fails, read-only, so that a file
// on an archive medium can still be read (a write through it then fails). The
// error of the first attempt is the one worth reporting.
win32::FileHandle OpenFolderFile(const std::string& path, DWORD& firstError,
                                 bool knownReadOnly = false) {
    win32::FileHandle file;
    if (knownReadOnly) {
        firstError = ERROR_ACCESS_DENIED;
    } else {
        firstError = win32::OpenExisting(path, GENERIC_READ | GENERIC_WRITE, file).error;
    }
    if (!file) {
        win32::OpenExisting(path, GENERIC_READ, file);
    }
    return file;
}

std::string ReadField(HANDLE file, const std::string& path, std::size_t offset,
                      std::size_t length) {
    char buffer[kHeaderLength] = {};
    DWORD bytesRead = 0;
    if (!win32::ReadAt(file, path, static_cast<DWORD>(offset), buffer, static_cast<DWORD>(length),
                       bytesRead)
             .Ok()) {
        return "";
    }
    return FieldText(buffer, bytesRead);
}

} // namespace

FolderHeaderTexts ReadFolderHeader(const std::string& path, bool knownReadOnly) {
    DWORD openError = 0;
    const win32::FileHandle file = OpenFolderFile(path, openError, knownReadOnly);
    if (!file) {
        return {};
    }
    FolderHeaderTexts texts;
    texts.displayName = ReadField(file.Get(), path, kDisplayNameOffset, kDisplayNameLength);
    texts.folderId = ReadField(file.Get(), path, kFolderIdOffset, kFolderIdLength);
    return texts;
}

win32::FileResult WriteFolderId(const std::string& path, const std::string& id) {
    if (!FolderIdFits(id)) {
        return {ERROR_INVALID_PARAMETER};
    }
    DWORD openError = 0;
    const win32::FileHandle file = OpenFolderFile(path, openError);
    if (!file) {
        return {openError};
    }
    if (openError) {
        // Open for reading only: the write is bound to fail, for this reason.
        return {openError};
    }
    const win32::FileResult written =
        win32::WriteAt(file.Get(), path, kFolderIdOffset, id.data(), static_cast<DWORD>(id.size()));
    return written.Ok() ? win32::Flush(file.Get(), path) : written;
}
