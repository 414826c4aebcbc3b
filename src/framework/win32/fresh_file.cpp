// The probe's new file on Windows: known by its volume and file index.
#include "framework/fresh_file.h"
#include "framework/win32/windows_api.h"

namespace framework {
namespace {

// The identity and size of the file at `path`, when it can be read.
bool Identify(const CString& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file = ::CreateFileW(path, FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool known = ::GetFileInformationByHandle(file, &info) != FALSE;
    ::CloseHandle(file);
    return known;
}

}  // namespace

FreshFile::FreshFile(const CString& path) : path_(path) {
    absent_before_ = ::GetFileAttributesW(path_) == INVALID_FILE_ATTRIBUTES &&
                     ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

void FreshFile::NoteCreated() {
    BY_HANDLE_FILE_INFORMATION info{};
    if (absent_before_ && Identify(path_, info)) {
        created_ = true;
        volume_ = info.dwVolumeSerialNumber;
        index_ = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    }
}

void FreshFile::Discard() const noexcept {
    BY_HANDLE_FILE_INFORMATION info{};
    if (created_ && Identify(path_, info) && info.dwVolumeSerialNumber == volume_ &&
        ((std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow) == index_ &&
        info.nFileSizeHigh == 0 && info.nFileSizeLow == 0) {
        ::DeleteFileW(path_);
    }
}

}  // namespace framework
