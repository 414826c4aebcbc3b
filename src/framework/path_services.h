// The operating system's current-directory calls and the C runtime's path
// split, as the platform names them, with a seam through which tests put a
// simulated current directory in place of the process's own.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "framework/afx_types.h"

// Copies the current directory and its terminator into `buffer` and returns its
// length without the terminator. When `buffer_length` is too small the buffer
// is left alone and the size needed, terminator included, is returned; 0 means
// the current directory could not be read.
#if !defined(_WIN32)
DWORD GetCurrentDirectoryW(DWORD buffer_length, LPWSTR buffer);

// Makes `path` the current directory ("..": one level up); FALSE when refused.
BOOL SetCurrentDirectoryW(LPCWSTR path);
#endif

// Splits `path` into drive (the first two characters when the second is a
// colon), directory (up to and including the last backslash or slash), file
// name (the rest up to its last dot) and extension (from that dot). Each
// component is written with its terminator into a buffer of the given size; a
// null buffer with size 0 means the component is not wanted. Returns 0, EINVAL
// for a null path or a buffer without a size (or a size without a buffer), or
// ERANGE when a component does not fit; on any error every buffer given is
// left holding an empty string. Never writes past a buffer.
int _wsplitpath_s(LPCWSTR path, LPWSTR drive, std::size_t drive_size, LPWSTR dir,
                  std::size_t dir_size, LPWSTR fname, std::size_t fname_size, LPWSTR ext,
                  std::size_t ext_size);

namespace framework {

// Where GetCurrentDirectoryW and SetCurrentDirectoryW find the current
// directory.
class CurrentDirectoryProvider {
  public:
    virtual ~CurrentDirectoryProvider() = default;
    // The current directory, or nothing when it cannot be read.
    virtual std::optional<std::u16string> Get() = 0;
    // Moves the current directory to `path`; false when refused.
    virtual bool Set(std::u16string_view path) = 0;
};

// Makes the current-directory calls use `provider` instead of the process's own
// current directory while it lives. Providers nest; the newest one answers.
// Like the current directory itself, this is process-wide and unguarded.
class ScopedCurrentDirectoryProvider {
  public:
    explicit ScopedCurrentDirectoryProvider(CurrentDirectoryProvider& provider) noexcept;
    ~ScopedCurrentDirectoryProvider();
    ScopedCurrentDirectoryProvider(const ScopedCurrentDirectoryProvider&) = delete;
    ScopedCurrentDirectoryProvider& operator=(const ScopedCurrentDirectoryProvider&) = delete;

    // The provider in force, or null when the process's own one answers.
    static CurrentDirectoryProvider* Current() noexcept;

  private:
    CurrentDirectoryProvider* previous_;
};

// GetCurrentDirectoryW's contract over `provider`'s answer: the length without
// the terminator; the size needed, terminator included, when `buffer` is too
// small (it is then left alone); 0 when the directory cannot be read.
DWORD CopyCurrentDirectory(CurrentDirectoryProvider& provider, DWORD buffer_length, LPWSTR buffer);

}  // namespace framework
