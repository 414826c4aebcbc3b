// Without a desktop, a message box goes to standard error: the caption on a
// line, then the text and a line break unless it ends with one. Nothing waits.
#include <cstdio>
#include <string>

#include "automation/text_codec.h"
#include "framework/message_box.h"

namespace {

// Text from files (names, titles) may hold control characters: shown as they
// are, they would move the cursor, recolour or retitle the terminal. They and
// bytes that are no UTF-8 are shown as escapes instead; line breaks stay.
std::string ForTerminal(std::u16string_view text) {
    std::u16string shown;
    shown.reserve(text.size());
    const auto escape = [&](char16_t kind, unsigned value, int digits) {
        static constexpr char16_t kHex[] = u"0123456789abcdef";
        shown += u'\\';
        shown += kind;
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
            shown += kHex[(value >> shift) & 0xFu];
        }
    };
    for (const char16_t c : text) {
        if ((c < 0x20 && c != u'\n') || c == 0x7F) {
            escape(u'x', c, 2);
        } else if (c >= 0x80 && c <= 0x9F) {
            escape(u'u', c, 4);
        } else if (c >= 0xDC80 && c <= 0xDCFF) {  // a byte that was no UTF-8
            escape(u'x', c - 0xDC00u, 2);
        } else {
            shown.push_back(c);
        }
    }
    return automation::EncodeOsString(shown);
}

}  // namespace

int MessageBoxW(HWND /*owner*/, LPCWSTR text, LPCWSTR caption, UINT type) {
    const std::u16string_view body = text != nullptr ? text : u"";
    const std::u16string_view title = caption != nullptr ? caption : u"";
    if (const auto* sink = framework::ScopedMessageBoxSink::Current()) {
        (*sink)(body, title, type);
        return IDOK;
    }
    std::string out = ForTerminal(title);
    out += '\n';
    out += ForTerminal(body);
    if (body.empty() || body.back() != u'\n') {
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
    return IDOK;
}
