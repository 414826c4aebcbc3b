// The operating system's current-directory calls and the C runtime's path
// split, as the platform names them.
#pragma once

#include <cstddef>

#include "framework/afx_types.h"

#if !defined(_WIN32)
// Copies the current directory and its terminator into `buffer` and returns its
// length; when `buffer_length` is too small, leaves the buffer alone and returns
// the size needed, terminator included. 0: the directory could not be read.
DWORD GetCurrentDirectoryW(DWORD buffer_length, LPWSTR buffer);

// Makes `path` the current directory ("..": one level up); FALSE when refused.
BOOL SetCurrentDirectoryW(LPCWSTR path);
#endif

// Splits `path` into drive (the first two characters when the second is a
// colon), directory (up to and including the last backslash or slash), file
// name (the rest up to its last dot) and extension (from that dot), each with
// its terminator into a buffer of the given size, or nowhere for a null buffer.
// Returns 0, EINVAL for a null path, or ERANGE when a component does not fit;
// on an error every buffer given holds an empty string. Never writes past one.
int _wsplitpath_s(LPCWSTR path, LPWSTR drive, std::size_t drive_size, LPWSTR dir,
                  std::size_t dir_size, LPWSTR fname, std::size_t fname_size, LPWSTR ext,
                  std::size_t ext_size);
