#include "restore/FolderHeaderFile.h"

#include "win32/ErrorMode.h"
#include "win32/Handle.h"

namespace {

// Read-write without sharing first; when that fails, read-only, so that a file
// on an archive medium can still be read (a write through it then fails). The
// error of the first attempt is the one worth reporting.
win32::FileHandle OpenFolderFile(const std::string& path, DWORD& firstError,
                                 bool knownReadOnly = false) {
    win32::QuietErrorMode quiet;
    win32::FileHandle file;
    if (knownReadOnly) {
        firstError = ERROR_ACCESS_DENIED;
    } else {
        file.Reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        firstError = file ? 0 : GetLastError();
    }
    if (!file) {
        file.Reset(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    return file;
}

std::string ReadField(HANDLE file, std::size_t offset, std::size_t length) {
    char buffer[kHeaderLength] = {};
    DWORD bytesRead = 0;
    win32::QuietErrorMode quiet;
    if (SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER ||
        !ReadFile(file, buffer, static_cast<DWORD>(length), &bytesRead, nullptr)) {
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
    texts.displayName = ReadField(file.Get(), kDisplayNameOffset, kDisplayNameLength);
    texts.folderId = ReadField(file.Get(), kFolderIdOffset, kFolderIdLength);
    return texts;
}

win32::FileResult WriteFolderId(const std::string& path, const std::string& id) {
    if (!FolderIdFits(id)) {
        return {ERROR_INVALID_PARAMETER};
    }
    if (const win32::FileResult fault = win32::InjectedFault("WriteFile", path); !fault.Ok()) {
        return fault;
    }
    DWORD openError = 0;
    const win32::FileHandle file = OpenFolderFile(path, openError);
    if (!file) {
        return {openError};
    }
    win32::QuietErrorMode quiet;
    DWORD written = 0;
    if (SetFilePointer(file.Get(), static_cast<LONG>(kFolderIdOffset), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER ||
        !WriteFile(file.Get(), id.data(), static_cast<DWORD>(id.size()), &written, nullptr)) {
        return {openError ? openError : GetLastError()};
    }
    if (written != id.size()) {
        return {ERROR_WRITE_FAULT};
    }
    return {};
}
