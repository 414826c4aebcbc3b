// The C runtime's bounded path split, for platforms whose runtime has none.
#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>
#include <utility>

#include "framework/path_services.h"

int _wsplitpath_s(LPCWSTR path, LPWSTR drive, std::size_t drive_size, LPWSTR dir,
                  std::size_t dir_size, LPWSTR fname, std::size_t fname_size, LPWSTR ext,
                  std::size_t ext_size) {
    const std::array<std::pair<LPWSTR, std::size_t>, 4> outputs{
        {{drive, drive_size}, {dir, dir_size}, {fname, fname_size}, {ext, ext_size}}};
    // Every buffer given starts empty, so that it is empty after any error.
    for (const auto& [buffer, size] : outputs) {
        if (buffer != nullptr && size > 0) {
            buffer[0] = u'\0';
        }
    }
    if (path == nullptr) {
        return EINVAL;
    }

    const std::u16string_view text(path);
    const std::u16string_view drive_part =
        text.size() >= 2 && text[1] == u':' ? text.substr(0, 2) : std::u16string_view{};
    const std::u16string_view rest = text.substr(drive_part.size());
    const std::size_t last_separator = rest.find_last_of(u"\\/");
    const std::u16string_view dir_part = last_separator == std::u16string_view::npos
                                             ? std::u16string_view{}
                                             : rest.substr(0, last_separator + 1);
    const std::u16string_view name = rest.substr(dir_part.size());
    const std::size_t dot = name.rfind(u'.');
    const std::u16string_view fname_part = name.substr(0, dot);
    const std::u16string_view ext_part =
        dot == std::u16string_view::npos ? std::u16string_view{} : name.substr(dot);

    const std::array<std::u16string_view, 4> parts{drive_part, dir_part, fname_part, ext_part};
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (outputs[i].first != nullptr && parts[i].size() >= outputs[i].second) {
            return ERANGE;
        }
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (outputs[i].first != nullptr) {
            *std::copy(parts[i].begin(), parts[i].end(), outputs[i].first) = u'\0';
        }
    }
    return 0;
}
