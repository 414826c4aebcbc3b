#include "pptfile/property_sets.h"

#include <array>

#include "pptfile/record_writer.h"

namespace pptfile {
namespace {

using FormatId = std::array<std::uint8_t, 16>;

// {F29F85E0-4FF9-1068-AB91-08002B27B3D9}
constexpr FormatId kSummaryFormat{0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                  0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
// {D5CDD502-2E9C-101B-9397-08002B2CF9AE}
constexpr FormatId kDocSummaryFormat{0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                     0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};

constexpr std::uint16_t VT_I2 = 0x0002;
constexpr std::uint16_t VT_I4 = 0x0003;
constexpr std::uint16_t VT_LPSTR = 0x001E;
constexpr std::uint32_t kCodePageProperty = 1;
// Strings are stored as UTF-16 so any title survives without a legacy code page.
constexpr std::int16_t kUtf16CodePage = 1200;

struct Property {
    std::uint32_t id;
    std::vector<std::uint8_t> value;  // typed value, padded to 4 bytes
};

std::vector<std::uint8_t> I2Value(std::int16_t v) {
    RecordWriter w;
    w.U16(VT_I2);
    w.U16(0);
    w.I16(v);
    w.U16(0);
    return w.Take();
}

std::vector<std::uint8_t> I4Value(std::int32_t v) {
    RecordWriter w;
    w.U16(VT_I4);
    w.U16(0);
    w.I32(v);
    return w.Take();
}

std::vector<std::uint8_t> Utf16StringValue(const std::u16string& text) {
    RecordWriter w;
    w.U16(VT_LPSTR);
    w.U16(0);
    w.U32(static_cast<std::uint32_t>((text.size() + 1) * 2));
    w.Utf16(text);
    w.U16(0);
    while (w.Size() % 4 != 0)
        w.U8(0);
    return w.Take();
}

std::vector<std::uint8_t> PropertySetStream(const FormatId& format,
                                            const std::vector<Property>& properties) {
    RecordWriter w;
    w.U16(0xFFFE);      // byte order
    w.U16(0);           // version
    w.U32(0x00020006);  // system identifier: Windows, as Office writes it
    w.Zeros(16);        // class id
    w.U32(1);           // one property set
    w.Bytes(format);
    w.U32(48);  // the set starts right after this header
    const std::size_t set_start = w.Size();
    w.U32(0);  // size, patched below
    w.U32(static_cast<std::uint32_t>(properties.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(8 + 8 * properties.size());
    for (const Property& p : properties) {
        w.U32(p.id);
        w.U32(offset);
        offset += static_cast<std::uint32_t>(p.value.size());
    }
    for (const Property& p : properties)
        w.Bytes(p.value);
    w.PatchU32(set_start, static_cast<std::uint32_t>(w.Size() - set_start));
    return w.Take();
}

}  // namespace

std::vector<std::uint8_t> SummaryInformationStream(const std::u16string& title) {
    constexpr std::uint32_t kTitle = 2;
    return PropertySetStream(kSummaryFormat, {{kCodePageProperty, I2Value(kUtf16CodePage)},
                                              {kTitle, Utf16StringValue(title)}});
}

std::vector<std::uint8_t> DocumentSummaryInformationStream(std::int32_t slide_count) {
    constexpr std::uint32_t kSlideCount = 7;
    return PropertySetStream(kDocSummaryFormat, {{kCodePageProperty, I2Value(kUtf16CodePage)},
                                                 {kSlideCount, I4Value(slide_count)}});
}

}  // namespace pptfile
