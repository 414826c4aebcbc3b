#include "automation/text_codec.h"

#include <cstdint>

namespace automation {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char16_t kEscapedBackslash = 0xDC00 + u'\\';

// The length of the UTF-8 sequence at `i`, decoded into `cp`; 0 for one that
// is not well-formed (overlong forms, surrogates and values past U+10FFFF).
std::size_t DecodeOne(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0u) == 0xC0u) {
        len = 2, cp = b0 & 0x1Fu, min = 0x80;
    } else if ((b0 & 0xF0u) == 0xE0u) {
        len = 3, cp = b0 & 0x0Fu, min = 0x800;
    } else if ((b0 & 0xF8u) == 0xF0u) {
        len = 4, cp = b0 & 0x07u, min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() - i < len) {
        return 0;
    }
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0u) != 0x80u) {  // not a continuation byte
            return 0;
        }
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
        return;
    }
    // A lead byte that tells how many bytes follow, each with 6 more bits.
    static constexpr char32_t kLead[] = {0, 0xC0, 0xE0, 0xF0};
    const int follow = cp < 0x800 ? 1 : (cp < 0x10000 ? 2 : 3);
    out.push_back(static_cast<char>(kLead[follow] | (cp >> (6 * follow))));
    for (int shift = 6 * (follow - 1); shift >= 0; shift -= 6) {
        out.push_back(static_cast<char>(0x80 | ((cp >> shift) & 0x3F)));
    }
}

// Walks UTF-16 text: `unpaired` for a lone surrogate, `scalar` for the rest.
template <class Scalar, class Unpaired>
void WalkUtf16(std::u16string_view text, Scalar scalar, Unpaired unpaired) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            scalar(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            unpaired(c);
        } else {
            scalar(c);
        }
    }
}

// Undecodable bytes become U+DC80..U+DCFF and a backslash U+DC5C when
// `escape`, else U+FFFD and the backslash itself; Encode turns them back.
std::u16string Decode(std::string_view bytes, bool escape) {
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        if (escape && bytes[i] == '\\') {
            out.push_back(kEscapedBackslash);
            ++i;
        } else if (const std::size_t len = DecodeOne(bytes, i, cp); len != 0) {
            AppendUtf16(out, cp);
            i += len;
        } else {
            const auto byte = static_cast<unsigned char>(bytes[i++]);
            AppendUtf16(out, escape ? static_cast<char32_t>(0xDC00 + byte) : kReplacement);
        }
    }
    return out;
}

std::string Encode(std::u16string_view text, bool escape) {
    std::string out;
    out.reserve(text.size());
    WalkUtf16(
        text, [&](char32_t cp) { AppendUtf8(out, cp); },
        [&](char16_t c) {
            if (escape && ((c >= 0xDC80 && c <= 0xDCFF) || c == kEscapedBackslash)) {
                out.push_back(static_cast<char>(c - 0xDC00));
            } else {
                AppendUtf8(out, kReplacement);
            }
        });
    return out;
}

}  // namespace

std::u16string DecodeOsString(std::string_view bytes) {
    return Decode(bytes, true);
}

std::string EncodeOsString(std::u16string_view text) {
    return Encode(text, true);
}

std::string ToUtf8(std::u16string_view text) {
    return Encode(text, false);
}

std::u16string FromUtf8(std::string_view text) {
    return Decode(text, false);
}

std::u16string ReadableText(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    WalkUtf16(
        text,
        [&](char32_t cp) {
            const bool control = cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
            AppendUtf16(out, control ? kReplacement : cp);
        },
        [&](char16_t c) { out.push_back(c == kEscapedBackslash ? u'\\' : char16_t{0xFFFD}); });
    return out;
}

}  // namespace automation
