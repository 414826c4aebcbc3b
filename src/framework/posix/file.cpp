// File services over POSIX descriptors. Names reach the system through
// EncodeOsString, so a name that is not UTF-8 names the file it came from.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "automation/text_codec.h"
#include "framework/file.h"

namespace {

std::string OsName(LPCTSTR file_name) {
    return automation::EncodeOsString(file_name != nullptr ? file_name : u"");
}

}  // namespace

std::u16string CFileException::SystemErrorText() const {
    // The program never sets a locale, so the system speaks its "C" English.
    return automation::DecodeOsString(std::strerror(m_lOsError));
}

LONG CFile::CloseDescriptor(int fd) noexcept {
    return ::close(fd) != 0 && errno != EINTR ? errno : 0;
}

BOOL CFile::Open(LPCTSTR file_name, UINT flags, CFileException* error) {
    if (fd_ >= 0) {
        CloseDescriptor(std::exchange(fd_, -1));
    }
    // Without O_NONBLOCK a FIFO with no reader would hold the open forever;
    // with it the open fails at once (ENXIO), and regular files do not care.
    int os_flags =
        O_CLOEXEC | O_NOCTTY | O_NONBLOCK | ((flags & modeWrite) != 0 ? O_WRONLY : O_RDONLY);
    if ((flags & modeCreate) != 0) {
        os_flags |= O_CREAT;
        if ((flags & modeNoTruncate) == 0) {
            os_flags |= O_TRUNC;
        }
    }
    const int fd = ::open(OsName(file_name).c_str(), os_flags, 0666);
    if (fd < 0) {
        const int os_error = errno;
        if (error != nullptr) {
            *error = CFileException(os_error);
        }
        return FALSE;
    }
    fd_ = fd;
    return TRUE;
}

BOOL CFile::GetStatus(LPCTSTR file_name, CFileStatus& status) {
    struct stat info {};
    if (::stat(OsName(file_name).c_str(), &info) != 0) {
        return FALSE;
    }
    status.m_attribute = S_ISDIR(info.st_mode)   ? CFile::directory
                         : S_ISREG(info.st_mode) ? 0
                                                 : CFile::device;
    return TRUE;
}
