#include <algorithm>
#include <array>
#include <iterator>

#include "pptfile/compound_file_format.h"
#include "pptfile/compound_file_upper_case.h"

namespace pptfile::cfb {
namespace {

// The upper case of a UTF-16 unit by Unicode's simple uppercase mapping;
// units without one, surrogates among them, map to themselves.
char16_t Upper(char16_t c) {
    const auto* run =
        std::upper_bound(std::begin(kUpperCaseRuns), std::end(kUpperCaseRuns), c,
                         [](char16_t unit, const UpperCaseRun& r) { return unit < r.first; });
    if (run == std::begin(kUpperCaseRuns)) {
        return c;
    }
    --run;
    return c <= run->last && (c - run->first) % run->step == 0
               ? static_cast<char16_t>(c + run->delta)
               : c;
}

// The code point that starts at `utf8[i]`, and moves `i` past it; null for
// what is not valid UTF-8 (overlong forms, surrogates, values beyond Unicode).
std::optional<char32_t> NextCodePoint(std::string_view utf8, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int extra = lead < 0x80                   ? 0
                      : lead >= 0xC2 && lead < 0xE0 ? 1
                      : lead >= 0xE0 && lead < 0xF0 ? 2
                      : lead >= 0xF0 && lead < 0xF5 ? 3
                                                    : -1;
    if (extra < 0 || utf8.size() - i <= static_cast<std::size_t>(extra)) {
        return std::nullopt;
    }
    char32_t c = extra == 0 ? lead : lead & (0x3Fu >> extra);
    for (std::size_t k = 1; k <= static_cast<std::size_t>(extra); ++k) {
        const auto next = static_cast<unsigned char>(utf8[i + k]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        c = c << 6 | (next & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (c < kLeast[extra] || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
        return std::nullopt;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return c;
}

// The UTF-16 units of a code point: one, or a surrogate pair.
std::array<char16_t, 2> Units(char32_t c, std::size_t& count) {
    if (c < 0x10000) {
        count = 1;
        return {static_cast<char16_t>(c), 0};
    }
    count = 2;
    return {static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
            static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::optional<std::u16string> NameFromUtf8(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::optional<char32_t> c = NextCodePoint(utf8, i);
        if (!c) {
            return std::nullopt;
        }
        std::size_t count = 0;
        const auto units = Units(*c, count);
        out.append(units.data(), count);
    }
    return out;
}

std::string NameToUtf8(std::u16string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char32_t c = name[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
            name[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (name[++i] - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string UpperCase(std::u16string_view name) {
    std::u16string upper(name);
    for (char16_t& c : upper) {
        c = Upper(c);
    }
    return upper;
}

bool SameName(std::string_view a, std::string_view b) noexcept {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const std::optional<char32_t> x = NextCodePoint(a, i), y = NextCodePoint(b, j);
        if (!x || !y) {
            return a == b;
        }
        std::size_t x_count = 0, y_count = 0;
        const auto x_units = Units(*x, x_count), y_units = Units(*y, y_count);
        if (x_count != y_count) {
            return false;
        }
        for (std::size_t k = 0; k < x_count; ++k) {
            if (Upper(x_units[k]) != Upper(y_units[k])) {
                return false;
            }
        }
    }
    return i == a.size() && j == b.size();
}

}  // namespace pptfile::cfb
