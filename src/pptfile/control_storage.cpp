// The storage an ActiveX control keeps its state in, as embedded in the
// presentation: a compound file of its own, compressed.
#include <limits>
#include <span>
#include <string>
#include <utility>

#include "cfb/compound_file.h"
#include "pptfile/compression.h"
#include "pptfile/errors.h"
#include "pptfile/record_writer.h"
#include "pptfile/slide_parts.h"

namespace pptfile {
namespace {

// The ProgID is ASCII by definition; anything else is replaced so the ANSI
// copy stays readable on any code page.
void AnsiString(RecordWriter& w, std::u16string_view s) {
    w.U32(static_cast<std::uint32_t>(s.size() + 1));
    for (char16_t c : s) {
        w.U8(static_cast<std::uint8_t>(c >= 0x20 && c < 0x7F ? c : u'?'));
    }
    w.U8(0);
}

void UnicodeString(RecordWriter& w, const std::u16string& s) {
    w.U32(static_cast<std::uint32_t>(s.size() + 1));
    w.Utf16(s);
    w.U16(0);
}

std::vector<std::uint8_t> CompObjStream(const ControlObject& control) {
    RecordWriter w;
    // The header as OLE writes it: reserved, version, -1, class id.
    w.U32s({0xFFFE0001, 0x00000A03, 0xFFFFFFFF});
    w.Bytes(control.clsid);
    AnsiString(w, control.prog_id);  // user type
    w.U32(0);                        // no clipboard format
    AnsiString(w, control.prog_id);  // ProgID
    w.U32(0x71B239F4);               // the Unicode copies follow
    UnicodeString(w, control.prog_id);
    w.U32(0);
    UnicodeString(w, control.prog_id);
    return w.Take();
}

// The name in UTF-16, ended by four zero bytes, as Office writes it.
std::vector<std::uint8_t> OcxNameStream(std::u16string_view name) {
    RecordWriter w;
    w.Utf16(name);
    w.U32(0);
    return w.Take();
}

// The control's storage: class id, a "\x01CompObj" stream naming the ProgID,
// a "\x03OCXNAME" stream with the control's name, and its state as the
// "contents" stream.
cfb::StorageEntry ControlStorage(const ControlObject& control, std::u16string_view name) {
    cfb::StorageEntry root{u"Root Entry", true, control.clsid, {}, {}};
    const auto stream = [&](const char16_t* stream_name, cfb::Piece content) {
        root.children.push_back({stream_name, false, {}, {}, {}});
        root.children.back().content.push_back(std::move(content));
    };
    stream(u"\u0001CompObj", CompObjStream(control));
    stream(u"\u0003OCXNAME", OcxNameStream(name));
    stream(u"contents", std::span(control.state));
    return root;
}

}  // namespace

std::u16string ControlName(const ControlObject& control, std::uint32_t object_id) {
    std::u16string_view type = control.prog_id;
    if (const std::size_t first = type.find(u'.'); first != std::u16string_view::npos) {
        type.remove_prefix(first + 1);
        type = type.substr(0, type.find(u'.'));
    }
    if (type.empty()) {
        type = u"Control";
    }
    std::u16string name(type);
    for (char c : std::to_string(object_id)) {
        name += static_cast<char16_t>(c);
    }
    return name;
}

std::vector<std::uint8_t> ControlStorageRecord(const PlacedControl& control) {
    const std::vector<std::uint8_t> storage = cfb::WriteCompoundFile(
        ControlStorage(*control.control, ControlName(*control.control, control.object_id)));
    RefuseIf(storage.size() > std::numeric_limits<std::uint32_t>::max(),
             "a control's storage is too large to save");
    // The storage compressed: its decompressed size, then the zlib stream.
    RecordWriter w;
    const auto m = w.Begin(RT_ExternalOleObjectStg, 1);
    w.U32(static_cast<std::uint32_t>(storage.size()));
    w.Bytes(Compress(storage));
    w.End(m);
    return w.Take();
}

}  // namespace pptfile
