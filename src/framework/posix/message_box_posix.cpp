// Without a desktop, a message box is written to standard error: the caption
// on a line of its own, then the text as it stands, then a line break unless
// the text already ends with one. Nothing waits for a click.
#include <cstdio>
#include <string>

#include "automation/text_codec.h"
#include "framework/message_box.h"

int MessageBoxW(HWND /*owner*/, LPCWSTR text, LPCWSTR caption, UINT type) {
    const std::u16string_view body = text != nullptr ? text : u"";
    const std::u16string_view title = caption != nullptr ? caption : u"";
    if (const auto* sink = framework::ScopedMessageBoxSink::Current()) {
        (*sink)(body, title, type);
        return IDOK;
    }
    std::string out = automation::EncodeOsString(title);
    out += '\n';
    out += automation::EncodeOsString(body);
    if (body.empty() || body.back() != u'\n') {
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
    return IDOK;
}
