// Conversions between the protocol's UTF-16 text and the system's byte strings
// (file names, arguments, messages).
//
// Bytes that are not UTF-8 travel as the lone low surrogates U+DC80..U+DCFF,
// one per byte, and come back as the same bytes, so such a file name survives
// the round trip. So does a backslash, as U+DC5C: the program's paths take it
// for a separator, but a POSIX name may hold it as a letter.
#pragma once

#include <string>
#include <string_view>

namespace automation {

std::u16string DecodeOsString(std::string_view bytes);
std::string EncodeOsString(std::u16string_view text);

// Plain UTF-8 for text meant to be read (descriptions, messages): an unpaired
// surrogate that stands for no escaped byte becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// A decoded file name as a person should see it in a document: a backslash
// again, and U+FFFD for each undecodable byte, lone surrogate or control.
std::u16string ReadableText(std::u16string_view text);

// The letter in lower case when it is one of A-Z; ProgIDs, extensions and
// the like compare without regard to ASCII case.
constexpr char16_t FoldAscii(char16_t c) noexcept {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

}  // namespace automation
