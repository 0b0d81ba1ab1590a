#include "restore/FolderHeaderFile.h"

#include "win32/Handle.h"

namespace {

// Read-write without sharing first; when that fails, read-only, so that a file
// on an archive medium can still be read.
win32::FileHandle OpenFolderFile(const std::string& path, bool knownReadOnly) {
    win32::FileHandle file;
    if (!knownReadOnly) {
        win32::OpenExisting(path, GENERIC_READ | GENERIC_WRITE, file);
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
    const win32::FileHandle file = OpenFolderFile(path, knownReadOnly);
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
    win32::FileHandle file;
    if (const win32::FileResult opened =
            win32::OpenExisting(path, GENERIC_READ | GENERIC_WRITE, file);
        !opened.Ok()) {
        return opened;
    }
    const win32::FileResult written =
        win32::WriteAt(file.Get(), path, kFolderIdOffset, id.data(), static_cast<DWORD>(id.size()));
    return written.Ok() ? win32::Flush(file.Get(), path) : written;
}
