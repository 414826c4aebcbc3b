// File services over the system's file API. The handle is kept as a C
// runtime descriptor (_open_osfhandle), the form the class holds on every
// platform; closing the descriptor closes the handle.
#include <fcntl.h>
#include <io.h>

#include <string>

#include "framework/file.h"

namespace {

int CauseOf(DWORD os_error) {
    switch (os_error) {
        case ERROR_FILE_NOT_FOUND:
            return CFileException::fileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_FILENAME_EXCED_RANGE:
            return CFileException::badPath;
        case ERROR_TOO_MANY_OPEN_FILES:
            return CFileException::tooManyOpenFiles;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return CFileException::accessDenied;
        case ERROR_SHARING_VIOLATION:
            return CFileException::sharingViolation;
        case ERROR_LOCK_VIOLATION:
            return CFileException::lockViolation;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return CFileException::diskFull;
        case ERROR_CURRENT_DIRECTORY:
            return CFileException::removeCurrentDir;
        case ERROR_CRC:
        case ERROR_SEEK:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
            return CFileException::hardIO;
        default:
            return CFileException::genericException;
    }
}

DWORD ShareModeOf(UINT flags) {
    // As the framework maps them: compatibility and exclusive share nothing.
    switch (flags & 0x70u) {
        case 0x20u:  // shareDenyWrite
            return FILE_SHARE_READ;
        case 0x30u:  // shareDenyRead
            return FILE_SHARE_WRITE;
        case 0x40u:  // shareDenyNone
            return FILE_SHARE_READ | FILE_SHARE_WRITE;
        default:
            return 0;
    }
}

}  // namespace

std::u16string CFileException::SystemErrorText() const {
    char16_t* message = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(m_lOsError), 0, reinterpret_cast<LPWSTR>(&message), 0, nullptr);
    std::u16string text =
        length != 0 && message != nullptr ? std::u16string(message, length) : u"Unknown error.";
    if (message != nullptr) {
        ::LocalFree(message);
    }
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) {
        text.pop_back();
    }
    return text;
}

CFile::~CFile() {
    if (fd_ >= 0) {
        ::_close(fd_);
    }
}

BOOL CFile::Open(LPCTSTR file_name, UINT flags, CFileException* error) {
    if (fd_ >= 0) {
        ::_close(fd_);
        fd_ = -1;
    }
    DWORD access = GENERIC_READ;
    int descriptor_flags = _O_RDONLY;
    switch (flags & 0x3u) {
        case modeWrite:
            access = GENERIC_WRITE;
            descriptor_flags = _O_WRONLY;
            break;
        case modeReadWrite:
            access = GENERIC_READ | GENERIC_WRITE;
            descriptor_flags = _O_RDWR;
            break;
        default:
            break;
    }
    DWORD disposition = OPEN_EXISTING;
    if ((flags & modeCreate) != 0) {
        disposition = (flags & modeNoTruncate) != 0 ? OPEN_ALWAYS : CREATE_ALWAYS;
    }
    const char16_t* name = file_name != nullptr ? file_name : u"";
    HANDLE handle = ::CreateFileW(name, access, ShareModeOf(flags), nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD os_error = ::GetLastError();
        if (error != nullptr) {
            *error = CFileException(CauseOf(os_error), static_cast<LONG>(os_error), file_name);
        }
        return FALSE;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), descriptor_flags);
    if (fd < 0) {
        ::CloseHandle(handle);
        if (error != nullptr) {
            *error = CFileException(CFileException::tooManyOpenFiles, ERROR_TOO_MANY_OPEN_FILES,
                                    file_name);
        }
        return FALSE;
    }
    fd_ = fd;
    return TRUE;
}

void CFile::Close() {
    if (fd_ < 0) {
        return;
    }
    const int fd = fd_;
    fd_ = -1;
    // The handle is gone whatever the close reports, so it is never retried.
    if (::_close(fd) != 0) {
        DWORD os_error = ::GetLastError();
        if (os_error == ERROR_SUCCESS) {
            os_error = ERROR_GEN_FAILURE;
        }
        throw CFileException(CauseOf(os_error), static_cast<LONG>(os_error));
    }
}

BOOL CFile::GetStatus(LPCTSTR file_name, CFileStatus& status) {
    if (file_name == nullptr) {
        return FALSE;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(file_name, GetFileExInfoStandard, &data)) {
        return FALSE;
    }
    status = CFileStatus{};
    ULARGE_INTEGER written;
    written.LowPart = data.ftLastWriteTime.dwLowDateTime;
    written.HighPart = data.ftLastWriteTime.dwHighDateTime;
    // 100-nanosecond steps since 1601 to seconds since 1970.
    constexpr unsigned long long kEpochDifference = 116444736000000000ULL;
    status.m_mtime =
        written.QuadPart >= kEpochDifference
            ? static_cast<std::time_t>((written.QuadPart - kEpochDifference) / 10000000ULL)
            : 0;
    status.m_size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    // The attribute bits the class names are the system's low bits.
    status.m_attribute = static_cast<BYTE>(data.dwFileAttributes & 0x3Fu);
    return TRUE;
}
