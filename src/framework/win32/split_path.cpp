// The C runtime's bounded path split, over the system's UTF-16 strings.
#include <cstdlib>

#include "framework/path_services.h"

int _wsplitpath_s(LPCWSTR path, LPWSTR drive, std::size_t drive_size, LPWSTR dir,
                  std::size_t dir_size, LPWSTR fname, std::size_t fname_size, LPWSTR ext,
                  std::size_t ext_size) {
    // wchar_t and char16_t are both UTF-16 here; only the C++ types differ.
    return ::_wsplitpath_s(
        reinterpret_cast<const wchar_t*>(path), reinterpret_cast<wchar_t*>(drive), drive_size,
        reinterpret_cast<wchar_t*>(dir), dir_size, reinterpret_cast<wchar_t*>(fname), fname_size,
        reinterpret_cast<wchar_t*>(ext), ext_size);
}
