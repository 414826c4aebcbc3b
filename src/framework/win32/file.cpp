// File services over the system's file API. The handle is held as a C runtime
// descriptor (_open_osfhandle), as on every platform; closing it closes both.
#include <fcntl.h>
#include <io.h>

#include <string>
#include <utility>

#include "framework/file.h"
#include "framework/win32/com_values.h"

std::u16string CFileException::SystemErrorText() const {
    const std::u16string text = framework::win32::SystemMessage(static_cast<DWORD>(m_lOsError));
    return text.empty() ? u"Unknown error" : text;
}

LONG CFile::CloseDescriptor(int fd) noexcept {
    if (::_close(fd) == 0) {
        return 0;
    }
    const DWORD os_error = ::GetLastError();
    return static_cast<LONG>(os_error != ERROR_SUCCESS ? os_error : ERROR_GEN_FAILURE);
}

BOOL CFile::Open(LPCTSTR file_name, UINT flags, CFileException* error) {
    if (fd_ >= 0) {
        CloseDescriptor(std::exchange(fd_, -1));
    }
    const bool write = (flags & modeWrite) != 0;
    DWORD disposition = OPEN_EXISTING;
    if ((flags & modeCreate) != 0) {
        disposition = (flags & modeNoTruncate) != 0 ? OPEN_ALWAYS : CREATE_ALWAYS;
    }
    const char16_t* name = file_name != nullptr ? file_name : u"";
    // Shared with no one, as the framework opens a file that names no share mode.
    HANDLE handle = ::CreateFileW(name, write ? GENERIC_WRITE : GENERIC_READ, 0, nullptr,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD os_error = ::GetLastError();
        if (error != nullptr) {
            *error = CFileException(static_cast<LONG>(os_error));
        }
        return FALSE;
    }
    const int fd =
        ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), write ? _O_WRONLY : _O_RDONLY);
    if (fd < 0) {
        ::CloseHandle(handle);
        if (error != nullptr) {
            *error = CFileException(ERROR_TOO_MANY_OPEN_FILES);
        }
        return FALSE;
    }
    fd_ = fd;
    return TRUE;
}

BOOL CFile::GetStatus(LPCTSTR file_name, CFileStatus& status) {
    const DWORD attributes = ::GetFileAttributesW(file_name != nullptr ? file_name : u"");
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return FALSE;
    }
    // The attribute bits the class names are the system's low bits.
    status.m_attribute = static_cast<BYTE>(attributes & 0x3Fu);
    return TRUE;
}
