// Whole-file reads and all-or-nothing writes through the Windows file API.
#include <windows.h>

#include <random>
#include <string>

#include "pptfile/errors.h"
#include "pptfile/file_io.h"
#include "pptfile/win32_text.h"

namespace pptfile {
namespace {

// The system's calls count in 32 bits.
constexpr std::size_t kChunk = std::size_t{1} << 20;

std::string Shown(const std::filesystem::path& path) {
    return Utf8FromWide(path.native());
}

[[noreturn]] void ThrowIo(const char* verb, const std::filesystem::path& path, DWORD error) {
    throw IoError(std::string("cannot ") + verb + " " + Shown(path) + ": " +
                  SystemErrorText(error));
}

// Owns a file handle; closes it on every way out.
class Handle {
  public:
    explicit Handle(HANDLE handle) noexcept : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (valid()) {
            ::CloseHandle(handle_);
        }
    }
    bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const noexcept { return handle_; }
    // Closing can report a late write error: it must be seen.
    bool Close() noexcept {
        const BOOL closed = ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed != FALSE;
    }

  private:
    HANDLE handle_;
};

// Removes the temporary file unless it was moved into place.
class TempFileGuard {
  public:
    explicit TempFileGuard(std::wstring path) : path_(std::move(path)) {}
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    ~TempFileGuard() {
        if (!path_.empty()) {
            ::DeleteFileW(path_.c_str());
        }
    }
    void Release() noexcept { path_.clear(); }

  private:
    std::wstring path_;
};

std::wstring RandomSuffix() {
    static thread_local std::mt19937_64 generator{
        std::random_device{}() ^ static_cast<std::uint64_t>(::GetCurrentProcessId())};
    static constexpr wchar_t kAlphabet[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
    std::wstring out;
    for (int i = 0; i < 10; ++i) {
        out += kAlphabet[generator() % (sizeof kAlphabet / sizeof kAlphabet[0] - 1)];
    }
    return out;
}

// Moving over a directory, a device or a pipe would replace something that
// is not ours to replace; only a missing target or a file on disk is written.
void RefuseNonRegularTarget(const std::filesystem::path& target) {
    Handle existing(::CreateFileW(target.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!existing.valid()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            return;
        }
        ThrowIo("write", target, error);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(existing.get()) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(existing.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw IoError("cannot write " + Shown(target) + ": not a regular file");
    }
    // Moving over a read-only file would undo what its owner asked for.
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ThrowIo("write", target, ERROR_ACCESS_DENIED);
    }
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    Handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        ThrowIo("read", path, ::GetLastError());
    }
    std::vector<std::uint8_t> bytes;
    LARGE_INTEGER size{};
    if (::GetFileType(file.get()) == FILE_TYPE_DISK && ::GetFileSizeEx(file.get(), &size) &&
        size.QuadPart > 0) {
        bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    }
    std::vector<std::uint8_t> buffer(1 << 16);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                        nullptr)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_BROKEN_PIPE) {
                break;  // the writer of a pipe is done
            }
            ThrowIo("read", path, error);
        }
        if (got == 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
    }
    return bytes;
}

// Windows reads templates only in tests: the whole file at once.
InputFile::InputFile(const std::filesystem::path& path)
    : whole_(ReadWholeFile(path)), source_(MemorySource(whole_)) {}

InputFile::~InputFile() = default;

void WriteFileAtomically(const std::filesystem::path& target,
                         const std::function<void(const ByteSink&)>& write) {
    RefuseNonRegularTarget(target);

    const std::filesystem::path directory = target.has_parent_path() ? target.parent_path() : ".";
    const std::wstring base = target.filename().native();
    std::filesystem::path temp_path;
    HANDLE raw = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && raw == INVALID_HANDLE_VALUE; ++attempt) {
        // A short name keeps the temporary within the name length limit even
        // when the target's own name is near it.
        temp_path = directory / (L"." + base.substr(0, 64) + L"." + RandomSuffix() + L".tmp");
        raw = ::CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (raw == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
                ThrowIo("write", target, error);
            }
        }
    }
    if (raw == INVALID_HANDLE_VALUE) {
        ThrowIo("write", target, ERROR_FILE_EXISTS);
    }
    Handle file(raw);
    TempFileGuard guard(temp_path.native());

    write([&](std::span<const std::uint8_t> bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const auto chunk = static_cast<DWORD>(std::min(bytes.size() - done, kChunk));
            DWORD wrote = 0;
            if (!::WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr)) {
                ThrowIo("write", target, ::GetLastError());
            }
            done += wrote;
        }
    });
    if (!::FlushFileBuffers(file.get())) {
        ThrowIo("write", target, ::GetLastError());
    }
    if (!file.Close()) {
        ThrowIo("write", target, ::GetLastError());
    }
    if (!::MoveFileExW(temp_path.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ThrowIo("write", target, ::GetLastError());
    }
    guard.Release();
}

}  // namespace pptfile
