#include "pptfile/compound_file_format.h"

namespace pptfile::cfb {
namespace {

// The upper case of a UTF-16 unit, by Unicode's simple case mapping for the
// scripts that entry names use in practice: Latin, Greek, Cyrillic and the
// full-width Latin letters. Other units compare as they are.
char16_t Upper(char16_t c) {
    if (c < 0x80) {
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c >= 0x100 && c <= 0x17F) {
        switch (c) {
            case 0x131:
                return u'I';
            case 0x17F:
                return u'S';
            case 0x130:
            case 0x138:
            case 0x149:
            case 0x178:
                return c;
            default:
                break;
        }
        // Upper and lower case alternate; the pairs start on an odd unit in
        // these two runs and on an even one elsewhere.
        const bool odd_pairs = (c >= 0x139 && c <= 0x148) || c >= 0x179;
        const bool lower = (c % 2 == 0) == odd_pairs;
        return lower ? static_cast<char16_t>(c - 1) : c;
    }
    switch (c) {
        case 0xFF:
            return 0x178;
        case 0x3C2:
            return 0x3A3;
        default:
            break;
    }
    if ((c >= 0x3B1 && c <= 0x3CB) || (c >= 0x430 && c <= 0x44F) || (c >= 0xFF41 && c <= 0xFF5A)) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<char16_t>(c - 0x50);
    }
    return c;
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
        // Overlong forms, surrogates and values beyond Unicode.
        static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (c < kLeast[extra] || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
            return std::nullopt;
        }
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += static_cast<std::size_t>(extra) + 1;
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

}  // namespace pptfile::cfb
