#include "pptfile/property_sets.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "pptfile/errors.h"
#include "pptfile/record_reader.h"
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
constexpr std::uint16_t VT_FILETIME = 0x0040;

constexpr std::uint32_t kCodePageProperty = 1;
constexpr std::uint32_t kTitle = 2;
constexpr std::uint32_t kCreated = 12;
constexpr std::uint32_t kLastSaved = 13;
constexpr std::uint32_t kApplicationName = 18;
constexpr std::uint32_t kSlideCount = 7;

// Strings are stored as UTF-16 so any title survives without a legacy code page.
constexpr std::int16_t kUtf16CodePage = 1200;
constexpr std::u16string_view kApplication = u"Zbn2PPT";

constexpr std::size_t kStreamHeaderSize = 28;  // then (format id, offset) per section

struct Property {
    std::uint32_t id;
    std::vector<std::uint8_t> value;  // typed value, padded to 4 bytes
};

// A typed value of `size` bytes: its type, two bytes of padding, the value,
// and zeros to a multiple of 4 bytes.
std::vector<std::uint8_t> Value(std::uint16_t type, std::uint64_t value, std::size_t size) {
    RecordWriter w;
    w.U32(type);  // and the padding
    for (std::size_t i = 0; i < size; ++i) {
        w.U8(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    w.Zeros((4 - w.Size() % 4) % 4);
    return w.Take();
}

// A string in the section's code page: UTF-16 for 1200, otherwise single
// bytes, which only ASCII text may use.
std::vector<std::uint8_t> StringValue(std::u16string_view text, bool utf16) {
    RecordWriter w;
    w.U32(VT_LPSTR);  // and the padding
    w.U32(static_cast<std::uint32_t>((text.size() + 1) * (utf16 ? 2 : 1)));
    for (char16_t c : text) {
        if (utf16) {
            w.U16(static_cast<std::uint16_t>(c));
        } else {
            w.U8(static_cast<std::uint8_t>(c < 0x80 ? c : u'?'));
        }
    }
    w.Zeros(utf16 ? 2 : 1);
    w.Zeros((4 - w.Size() % 4) % 4);
    return w.Take();
}

void WriteSection(RecordWriter& w, const std::vector<Property>& properties) {
    const std::size_t start = w.Size();
    w.U32(0);  // size, patched below
    w.U32(static_cast<std::uint32_t>(properties.size()));
    auto offset = static_cast<std::uint32_t>(8 + 8 * properties.size());
    for (const Property& p : properties) {
        w.U32(p.id);
        w.U32(offset);
        offset += static_cast<std::uint32_t>(p.value.size());
    }
    for (const Property& p : properties) {
        w.Bytes(p.value);
    }
    w.PatchU32(start, static_cast<std::uint32_t>(w.Size() - start));
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
    w.U32(kStreamHeaderSize + 20);  // the set starts right after this header
    WriteSection(w, properties);
    return w.Take();
}

// The stream with `format`'s section holding `changes` (replaced or added)
// and the rest of its properties as they were; the other sections are kept
// and moved along. Nothing for a stream that is not a property set stream or
// whose section cannot be taken apart.
using Changes = std::map<std::uint32_t, std::vector<std::uint8_t>>;
template <typename MakeChanges>
std::optional<std::vector<std::uint8_t>> Resave(std::span<const std::uint8_t> stream,
                                                const FormatId& format,
                                                MakeChanges make_changes) try {
    FieldReader header(stream, "a property set stream");
    DamagedIf(header.U16() != 0xFFFE, "not a property set stream");
    header.Skip(kStreamHeaderSize - 6);
    const std::uint32_t sections = header.U32();
    DamagedIf(sections > header.Remaining() / 20,
              "a property set stream lists more sections than it holds");
    std::vector<std::uint32_t> offsets(sections);
    std::optional<std::size_t> ours;
    for (std::uint32_t i = 0; i < sections; ++i) {
        const Bytes id = header.Take(16);
        offsets[i] = header.U32();
        if (!ours && std::equal(id.begin(), id.end(), format.begin())) {
            ours = i;
        }
    }
    DamagedIf(!ours, "a property set stream without the expected section");
    const std::size_t at = offsets[*ours];
    DamagedIf(at < kStreamHeaderSize + 20 * std::size_t{sections} || at > stream.size(),
              "a property set section out of place");
    FieldReader section(stream.subspan(at), "a property set section");
    const std::uint32_t size = section.U32();
    const std::uint32_t count = section.U32();
    DamagedIf(size < 8 || size > stream.size() - at || count > (size - 8) / 8,
              "a property set section larger than its stream");
    for (std::uint32_t other : offsets) {
        DamagedIf(other > at && other < at + size, "property set sections overlap");
    }

    // Each value runs to the next one, or to the end of the section. A
    // section whose values share bytes is not taken apart: copied per
    // property, one shared value could be copied thousands of times.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> listed;  // offset, id
    listed.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t id = section.U32();
        const std::uint32_t offset = section.U32();
        DamagedIf(offset < 8 + 8 * count || offset >= size, "a property value outside its section");
        listed.emplace_back(offset, id);
    }
    std::sort(listed.begin(), listed.end());
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> value_at;  // id -> value
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const std::uint32_t end = i + 1 < listed.size() ? listed[i + 1].first : size;
        DamagedIf(end == listed[i].first, "property values sharing bytes");
        DamagedIf(!value_at.emplace(listed[i].second, std::pair{listed[i].first, end}).second,
                  "a property listed twice");
    }
    const Bytes body = stream.subspan(at, size);

    std::int16_t code_page = 0;
    if (const auto cp = value_at.find(kCodePageProperty); cp != value_at.end()) {
        FieldReader f(body.subspan(cp->second.first, cp->second.second - cp->second.first),
                      "a code page");
        if (f.U16() == VT_I2) {
            f.Skip(2);
            code_page = f.I16();
        }
    }
    Changes changes = make_changes(code_page == kUtf16CodePage);
    std::vector<Property> properties;
    for (const auto& [id, value] : value_at) {
        if (changes.count(id) == 0) {
            std::vector<std::uint8_t> kept(body.begin() + value.first, body.begin() + value.second);
            kept.resize((kept.size() + 3) / 4 * 4);  // padded, as the changes are
            properties.push_back({id, std::move(kept)});
        }
    }
    for (auto& [id, value] : changes) {
        properties.push_back({id, std::move(value)});
    }

    RecordWriter out;
    out.Bytes(stream.first(at));
    WriteSection(out, properties);
    const auto grown = static_cast<std::int64_t>(out.Size()) - static_cast<std::int64_t>(at + size);
    out.Bytes(stream.subspan(at + size));
    for (std::uint32_t i = 0; i < sections; ++i) {
        if (offsets[i] > at) {
            const std::int64_t moved = std::int64_t{offsets[i]} + grown;
            DamagedIf(moved < 0 || moved > 0xFFFFFFFF, "a property set stream too large");
            out.PatchU32(kStreamHeaderSize + 20 * i + 16, static_cast<std::uint32_t>(moved));
        }
    }
    return out.Take();
} catch (const FormatError&) {
    return std::nullopt;
}

// 100-nanosecond intervals since 1 January 1601 (UTC), as property sets store a time.
std::uint64_t ToFileTime(std::chrono::system_clock::time_point t) {
    // 369 years of 100-nanosecond intervals from 1601 to 1970.
    constexpr std::int64_t kUnixEpoch = 116444736000000000;
    const auto since_1970 =
        std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>>(
            t.time_since_epoch())
            .count();
    return static_cast<std::uint64_t>(std::max<std::int64_t>(0, since_1970 + kUnixEpoch));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> SummaryInformation(
    std::span<const std::uint8_t> stream, const std::u16string& title,
    std::chrono::system_clock::time_point saved_at) {
    const std::uint64_t time = ToFileTime(saved_at);
    if (stream.empty()) {
        return PropertySetStream(kSummaryFormat,
                                 {{kCodePageProperty, Value(VT_I2, kUtf16CodePage, 2)},
                                  {kTitle, StringValue(title, true)},
                                  {kCreated, Value(VT_FILETIME, time, 8)},
                                  {kLastSaved, Value(VT_FILETIME, time, 8)},
                                  {kApplicationName, StringValue(kApplication, true)}});
    }
    return Resave(stream, kSummaryFormat, [&](bool utf16) {
        return Changes{{kLastSaved, Value(VT_FILETIME, time, 8)},
                       {kApplicationName, StringValue(kApplication, utf16)}};
    });
}

std::optional<std::vector<std::uint8_t>> DocumentSummaryInformation(
    std::span<const std::uint8_t> stream, std::int32_t slide_count) {
    const auto count = Value(VT_I4, static_cast<std::uint32_t>(slide_count), 4);
    if (stream.empty()) {
        return PropertySetStream(
            kDocSummaryFormat,
            {{kCodePageProperty, Value(VT_I2, kUtf16CodePage, 2)}, {kSlideCount, count}});
    }
    return Resave(stream, kDocSummaryFormat, [&](bool) { return Changes{{kSlideCount, count}}; });
}

}  // namespace pptfile
