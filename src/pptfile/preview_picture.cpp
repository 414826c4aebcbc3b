#include "pptfile/preview_picture.h"

#include <nettle/md4.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "pptfile/compression.h"
#include "pptfile/errors.h"

namespace pptfile {
namespace {

// The metafile draws in tenths of a point on a reference device of 720
// pixels per inch, so every size in it is a whole number of pixels.
constexpr double kMetafileUnitsPerPoint = 10.0;
constexpr std::int32_t kDevicePixels = 7200;      // 10 inches,
constexpr std::int32_t kDeviceMillimetres = 254;  // as millimetres
constexpr double kHundredthsOfMmPerUnit = 2540.0 / 720.0;
constexpr double kSmallestText = 80;  // 8 points
constexpr std::size_t kMostLines = 8;
constexpr std::int64_t kEmuPerUnit = 1270;

// [MS-EMF] 2.1.1 record types.
constexpr std::uint32_t EMR_HEADER = 1;
constexpr std::uint32_t EMR_EOF = 14;
constexpr std::uint32_t EMR_SETBKMODE = 18;
constexpr std::uint32_t EMR_SETTEXTALIGN = 22;
constexpr std::uint32_t EMR_SETTEXTCOLOR = 24;
constexpr std::uint32_t EMR_SELECTOBJECT = 37;
constexpr std::uint32_t EMR_CREATEPEN = 38;
constexpr std::uint32_t EMR_CREATEBRUSHINDIRECT = 39;
constexpr std::uint32_t EMR_DELETEOBJECT = 40;
constexpr std::uint32_t EMR_RECTANGLE = 43;
constexpr std::uint32_t EMR_EXTCREATEFONTINDIRECTW = 82;
constexpr std::uint32_t EMR_EXTTEXTOUTW = 84;

constexpr std::uint32_t kTransparent = 1;
constexpr std::uint32_t kAlignCentreTop = 6;  // TA_CENTER | TA_TOP
constexpr std::uint32_t kGraphicsCompatible = 1;
constexpr std::uint32_t kTextClipped = 0x4;  // ETO_CLIPPED
constexpr std::uint32_t kDesignVectorSignature = 0x08007664;

// COLORREFs: 0x00BBGGRR.
constexpr std::uint32_t kFrameColour = 0x00808080;
constexpr std::uint32_t kFillColour = 0x00F2F2F2;
constexpr std::uint32_t kTextColour = 0x00404040;

// [MS-ODRAW] BLIP types and records.
constexpr std::uint8_t kBlipEmf = 2;
constexpr std::uint8_t kBlipPict = 4;
constexpr std::uint16_t RT_OfficeArtBlipEMF = 0xF01A;
constexpr std::uint16_t kEmfOneUid = 0x3D4;
constexpr std::size_t kMaxStoreEntries = 0xFFF;  // the store's instance is 12 bits

struct Box {
    std::int32_t left, top, right, bottom;
};

// Metafile records, counted: each starts with its type and its size.
class EmfWriter : public RecordWriter {
  public:
    // Opens a record; its size is set by EndRecord.
    std::size_t BeginRecord(std::uint32_t type) {
        const std::size_t start = Size();
        U32s({type, 0});
        ++records_;
        return start;
    }
    void EndRecord(std::size_t start) {
        PatchU32(start + 4, static_cast<std::uint32_t>(Size() - start));
    }
    void Simple(std::uint32_t type, std::initializer_list<std::uint32_t> fields) {
        const std::size_t r = BeginRecord(type);
        U32s(fields);
        EndRecord(r);
    }
    void BoxField(const Box& b) {
        I32(b.left);
        I32(b.top);
        I32(b.right);
        I32(b.bottom);
    }
    std::uint32_t records() const { return records_; }

  private:
    std::uint32_t records_ = 0;
};

// A picture's side: it is stretched over its shape, so one of any size
// will do as long as it has some area and its size in EMUs fits 32 bits.
std::int32_t Units(float points) {
    const double units = std::round(static_cast<double>(points) * kMetafileUnitsPerPoint);
    RefuseIf(!std::isfinite(units), "a shape position or size is out of range");
    return static_cast<std::int32_t>(std::clamp(units, 1.0, 1e6));
}

void Font(EmfWriter& e, std::uint32_t handle, std::int32_t height, bool bold) {
    const std::size_t r = e.BeginRecord(EMR_EXTCREATEFONTINDIRECTW);
    e.U32(handle);
    // LogFont: a character height (negative: without internal leading),
    // default width, no rotation, weight, no italics or lines, any charset,
    // the face name in 32 units.
    e.I32(-height);
    e.Zeros(12);
    e.I32(bold ? 700 : 400);
    e.U32(0x01000000);  // DEFAULT_CHARSET
    e.Zeros(4);
    e.Utf16(u"Arial");
    e.Zeros(2 * (32 - 5));
    // The rest of a LogFontExDv, as Windows writes it: full name, style and
    // script empty, a design vector without axes.
    e.Zeros(2 * (64 + 32 + 32));
    e.U32s({kDesignVectorSignature, 0});
    e.EndRecord(r);
}

void Text(EmfWriter& e, std::u16string_view text, std::int32_t x, std::int32_t y, const Box& clip) {
    const std::size_t r = e.BeginRecord(EMR_EXTTEXTOUTW);
    e.BoxField({0, 0, -1, -1});  // bounds not computed
    const auto scale = std::bit_cast<std::uint32_t>(static_cast<float>(kHundredthsOfMmPerUnit));
    e.U32s({kGraphicsCompatible, scale, scale});
    e.I32(x);
    e.I32(y);
    e.U32(static_cast<std::uint32_t>(text.size()));
    e.U32(76);  // the string follows the fixed part of this record
    e.U32(kTextClipped);
    e.BoxField(clip);
    e.U32(0);  // no character spacing: the font's own
    for (char16_t c : text) {
        e.U16(c < 0x20 || c == 0x7F ? u'?' : c);
    }
    e.Zeros(2 * (text.size() % 2));  // to a multiple of 4 bytes
    e.EndRecord(r);
}

// An enhanced metafile `width` x `height` points in size: a grey frame with
// `lines` (the first eight) centred in it, the first in bold.
std::vector<std::uint8_t> PreviewMetafile(std::span<const std::u16string> lines, float width,
                                          float height) {
    lines = lines.first(std::min(lines.size(), kMostLines));
    const std::int32_t cx = Units(width);
    const std::int32_t cy = Units(height);
    const std::int32_t pen = 10;  // one point
    const Box frame{pen / 2, pen / 2, cx - pen / 2, cy - pen / 2};
    const Box inside{pen, pen, cx - pen, cy - pen};

    EmfWriter e;
    const std::size_t header = e.BeginRecord(EMR_HEADER);
    e.BoxField({0, 0, cx - 1, cy - 1});
    e.BoxField({0, 0, static_cast<std::int32_t>(std::lround(cx * kHundredthsOfMmPerUnit)) - 1,
                static_cast<std::int32_t>(std::lround(cy * kHundredthsOfMmPerUnit)) - 1});
    e.U32s({0x464D4520, 0x00010000});  // " EMF", version 1.0
    const std::size_t totals = e.Size();
    e.Zeros(8);                                           // bytes, records: set at the end
    e.U32(static_cast<std::uint32_t>(3 + lines.size()));  // handle 0 and each object
    e.Zeros(12);                                          // no description, no palette
    // The device in pixels and millimetres; no pixel format, no OpenGL; in micrometres.
    for (std::int32_t v : {kDevicePixels, kDevicePixels, kDeviceMillimetres, kDeviceMillimetres, 0,
                           0, 0, kDeviceMillimetres * 1000, kDeviceMillimetres * 1000}) {
        e.I32(v);
    }
    e.EndRecord(header);

    e.Simple(EMR_CREATEPEN,
             {1, 0 /* PS_SOLID */, static_cast<std::uint32_t>(pen), 0, kFrameColour});
    e.Simple(EMR_CREATEBRUSHINDIRECT, {2, 0 /* BS_SOLID */, kFillColour, 0});
    e.Simple(EMR_SELECTOBJECT, {1});
    e.Simple(EMR_SELECTOBJECT, {2});
    const std::size_t rect = e.BeginRecord(EMR_RECTANGLE);
    e.BoxField(frame);
    e.EndRecord(rect);

    // The lines centred as a block; each as large as fits across the frame,
    // counting a character as 0.6 of the font's height, as in Arial. A line
    // too long to read at the smallest size is broken into rows.
    struct Row {
        std::u16string_view text;
        std::uint32_t font;
        std::int32_t size;
    };
    std::vector<Row> rows;
    std::int32_t block = 0;
    const double across = (inside.right - inside.left) * 0.9 / 0.6;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::u16string_view line = lines[i];
        const double most = i == 0 ? std::min(cy / 8, 280) : std::min(cy / 12, 180);
        const auto size = static_cast<std::int32_t>(std::max(
            kSmallestText,
            std::min(most, across / static_cast<double>(std::max<std::size_t>(line.size(), 1)))));
        const auto per_row = std::max<std::size_t>(static_cast<std::size_t>(across / size), 2);
        std::size_t at = 0;
        do {
            std::size_t n = std::min(per_row, line.size() - at);
            if (at + n < line.size() && line[at + n - 1] >= 0xD800 && line[at + n - 1] < 0xDC00) {
                --n;  // a surrogate pair stays whole
            }
            rows.push_back({line.substr(at, n), static_cast<std::uint32_t>(3 + i), size});
            block += size * 3 / 2;
            at += n;
        } while (at < line.size());
    }
    e.Simple(EMR_SETBKMODE, {kTransparent});
    e.Simple(EMR_SETTEXTALIGN, {kAlignCentreTop});
    e.Simple(EMR_SETTEXTCOLOR, {kTextColour});
    std::int32_t y = (cy - block) / 2;
    std::uint32_t font = 0;
    for (const Row& row : rows) {
        if (row.font != font) {
            font = row.font;
            Font(e, font, row.size, font == 3);  // the first line's in bold
            e.Simple(EMR_SELECTOBJECT, {font});
        }
        Text(e, row.text, cx / 2, y + row.size / 4, inside);
        y += row.size * 3 / 2;
    }
    for (std::uint32_t handle = 1; handle < 3 + lines.size(); ++handle) {
        e.Simple(EMR_DELETEOBJECT, {handle});
    }
    e.Simple(EMR_EOF, {0, 16, 20});  // no palette; the record's own size last

    e.PatchU32(totals, static_cast<std::uint32_t>(e.Size()));
    e.PatchU32(totals + 4, e.records());
    return e.Take();
}

}  // namespace

std::uint32_t PictureStore::AddPreview(const ControlObject& control) {
    RefuseIf(entries_ >= kMaxStoreEntries, "the presentation has no room for another picture");
    const std::vector<std::uint8_t> emf =
        PreviewMetafile(control.preview_lines, control.anchor.width, control.anchor.height);
    const std::vector<std::uint8_t> packed = Compress(emf);

    // OfficeArtBlipEMF ([MS-ODRAW] 2.2.24) with its metafile header (2.2.31).
    RecordWriter w;
    const auto blip = w.Begin(RT_OfficeArtBlipEMF, kEmfOneUid);
    std::array<std::uint8_t, 16> uid{};  // an identifier only, never a safeguard
    md4_ctx md4;
    md4_init(&md4);
    md4_update(&md4, emf.size(), emf.data());
    md4_digest(&md4, uid.size(), uid.data());
    w.Bytes(uid);
    w.U32(static_cast<std::uint32_t>(emf.size()));
    const std::int32_t cx = Units(control.anchor.width);
    const std::int32_t cy = Units(control.anchor.height);
    w.Zeros(8);  // bounds: the whole picture, in its device's pixels
    w.I32(cx);
    w.I32(cy);
    w.I32(static_cast<std::int32_t>(cx * kEmuPerUnit));  // size in EMUs
    w.I32(static_cast<std::int32_t>(cy * kEmuPerUnit));
    w.U32(static_cast<std::uint32_t>(packed.size()));
    w.U8(0x00);  // deflate
    w.U8(0xFE);
    w.Bytes(packed);
    w.End(blip);

    const std::size_t offset = stream_size_ + blips_.size();
    RefuseIf(offset > std::numeric_limits<std::uint32_t>::max() - w.Size(),
             "the presentation is too large to save");
    // OfficeArtFBSE ([MS-ODRAW] 2.2.32): the BLIP lies in the "Pictures"
    // stream, used by one shape. PowerPoint names PICT as an EMF's Macintosh
    // type.
    const auto m = added_.Begin(RT_OfficeArtFBSE, kBlipEmf, 2);
    added_.U8(kBlipEmf);
    added_.U8(kBlipPict);
    added_.Bytes(uid);
    added_.U16(0x00FF);
    added_.U32s({static_cast<std::uint32_t>(w.Size()), 1, static_cast<std::uint32_t>(offset)});
    added_.Zeros(4);  // no name
    added_.End(m);
    blips_.insert(blips_.end(), w.bytes().begin(), w.bytes().end());
    return static_cast<std::uint32_t>(++entries_);
}

void PictureStore::WriteStore(RecordWriter& w, std::span<const std::uint8_t> earlier) const {
    const auto store =
        w.BeginContainer(RT_OfficeArtBStoreContainer, static_cast<std::uint16_t>(entries_));
    w.Bytes(earlier);
    w.Bytes(added_.bytes());
    w.End(store);
}

}  // namespace pptfile
