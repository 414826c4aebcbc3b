#include "pptfile/drawing_writer.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

#include "pptfile/errors.h"

namespace pptfile {
namespace {

constexpr std::uint16_t kShapeTypeRectangle = 1;
constexpr std::uint16_t kShapeTypeHostControl = 201;

constexpr std::uint32_t kShapeGroup = 0x001;
constexpr std::uint32_t kShapePatriarch = 0x004;
constexpr std::uint32_t kShapeOle = 0x010;
constexpr std::uint32_t kShapeHaveAnchor = 0x200;
constexpr std::uint32_t kShapeBackground = 0x400;
constexpr std::uint32_t kShapeHaveType = 0x800;

// Drawing properties used here. A picture's store index is a BLIP id (fBid);
// a name is complex: its text follows the property table.
constexpr std::uint16_t kPropProtection = 0x007F;
constexpr std::uint16_t kPropPictureBlip = 0x4104;  // pib
constexpr std::uint16_t kPropPictureId = 0x010B;
constexpr std::uint16_t kPropShapeName = 0x8380;  // wzName
constexpr std::uint16_t kPropFillColor = 0x0181;
constexpr std::uint16_t kPropFillBooleans = 0x01BF;
constexpr std::uint16_t kPropLineBooleans = 0x01FF;

// Set "use" bit with a clear value: no lock, no fill, no line.
constexpr std::uint32_t kLockAgainstGrouping = 0x00010001;
constexpr std::uint32_t kNotFilled = 0x00100000;
constexpr std::uint32_t kFilled = 0x00100010;
constexpr std::uint32_t kNoLine = 0x00080000;
constexpr std::uint32_t kSchemeBackground = 0x08000000;

// Raises FormatError for a value that does not fit the file's coordinates.
std::int32_t Checked(double units) {
    RefuseIf(!std::isfinite(units) || units < std::numeric_limits<std::int32_t>::min() ||
                 units > std::numeric_limits<std::int32_t>::max(),
             "a shape position or size is out of range");
    return static_cast<std::int32_t>(units);
}

void WriteShapeAtom(RecordWriter& w, std::uint16_t shape_type, std::uint32_t id,
                    std::uint32_t flags) {
    const auto m = w.Begin(RT_OfficeArtFSP, shape_type, 2);
    w.U32s({id, flags});
    w.End(m);
}

struct Property {
    std::uint16_t id;
    std::uint32_t value;
    std::u16string_view text = {};  // a complex property's, stored with a terminator
};

void WriteOptions(RecordWriter& w, std::vector<Property> props) {
    // In the order of their numbers, as PowerPoint writes them.
    std::sort(props.begin(), props.end(), [](const Property& a, const Property& b) {
        return (a.id & 0x3FFF) < (b.id & 0x3FFF);
    });
    const auto m = w.Begin(RT_OfficeArtFOPT, static_cast<std::uint16_t>(props.size()), 3);
    const auto complex = [](const Property& p) { return (p.id & 0x8000) != 0; };
    for (const Property& p : props) {
        w.U16(p.id);
        w.U32(complex(p) ? static_cast<std::uint32_t>(2 * (p.text.size() + 1)) : p.value);
    }
    for (const Property& p : props) {
        if (complex(p)) {
            w.Utf16(p.text);
            w.U16(0);
        }
    }
    w.End(m);
}

void WriteAnchor(RecordWriter& w, const UnitRect& r) {
    const auto m = w.Begin(RT_OfficeArtClientAnchor);
    // The short form is what PowerPoint writes; the long one carries shapes
    // placed beyond 4096 points.
    const std::initializer_list<std::int32_t> sides{r.top, r.left, r.right, r.bottom};
    const bool fits_short = std::all_of(sides.begin(), sides.end(),
                                        [](std::int32_t v) { return v >= -32768 && v <= 32767; });
    for (std::int32_t v : sides) {
        fits_short ? w.I16(static_cast<std::int16_t>(v)) : w.I32(v);
    }
    w.End(m);
}

// Opens a shape placed at `anchor`: its container, its shape atom, and the
// properties every such shape here has (locked against grouping, no fill, no
// line) and `more`. The caller adds the client data and closes the container.
RecordWriter::Mark BeginAnchoredShape(RecordWriter& w, std::uint16_t shape_type, std::uint32_t id,
                                      std::uint32_t flags, const UnitRect& anchor,
                                      std::vector<Property> more = {}) {
    const auto sp = w.BeginContainer(RT_OfficeArtSpContainer);
    WriteShapeAtom(w, shape_type, id, flags);
    more.insert(more.end(), {{kPropProtection, kLockAgainstGrouping},
                             {kPropFillBooleans, kNotFilled},
                             {kPropLineBooleans, kNoLine}});
    WriteOptions(w, std::move(more));
    WriteAnchor(w, anchor);
    return sp;
}

}  // namespace

UnitRect ToUnits(const Rect& points) {
    const auto unit = [](float v) { return Checked(std::round(static_cast<double>(v) * 8.0)); };
    const std::int32_t left = unit(points.left);
    const std::int32_t top = unit(points.top);
    // Width and height are rounded on their own, so right - left reads back
    // as the width given, not as a difference of two roundings.
    return {left, top, Checked(static_cast<double>(left) + unit(points.width)),
            Checked(static_cast<double>(top) + unit(points.height))};
}

void WriteDrawingGroupBlock(RecordWriter& w, const DrawingGroupBlock& block) {
    const auto m = w.Begin(RT_OfficeArtFDGGBlock);
    w.U32s({block.spid_max, static_cast<std::uint32_t>(block.clusters.size() + 1),
            block.shapes_saved, block.drawings_saved});
    for (const auto& [drawing_id, shapes] : block.clusters) {
        w.U32s({drawing_id, shapes});
    }
    w.End(m);
}

DrawingWriter::DrawingWriter(RecordWriter& w, std::uint32_t drawing_id,
                             std::uint32_t first_shape_id)
    : w_(w), first_shape_id_(first_shape_id) {
    drawing_ = w_.BeginContainer(RT_Drawing);
    dg_ = w_.BeginContainer(RT_OfficeArtDgContainer);
    const auto fdg = w_.Begin(RT_OfficeArtFDG, static_cast<std::uint16_t>(drawing_id));
    fdg_body_ = w_.Size();
    w_.Zeros(8);  // shape count and last shape id, patched in Finish
    w_.End(fdg);
    group_ = w_.BeginContainer(RT_OfficeArtSpgrContainer);
    const auto sp = w_.BeginContainer(RT_OfficeArtSpContainer);
    const auto spgr = w_.Begin(RT_OfficeArtFSPGR, 0, 1);
    w_.Zeros(16);
    w_.End(spgr);
    WriteShapeAtom(w_, 0, NextShapeId(), kShapeGroup | kShapePatriarch);
    w_.End(sp);
}

RecordWriter::Mark DrawingWriter::BeginPlaceholder(const PlaceholderSpot& spot) {
    const auto sp = BeginAnchoredShape(w_, kShapeTypeRectangle, NextShapeId(),
                                       kShapeHaveAnchor | kShapeHaveType, spot.anchor);
    const auto data = w_.BeginContainer(RT_OfficeArtClientData);
    const auto ph = w_.Begin(RT_PlaceholderAtom);
    w_.I32(spot.position);
    w_.U8(spot.kind);
    w_.U8(spot.size);
    w_.U16(0);
    w_.End(ph);
    w_.End(data);
    return sp;
}

void DrawingWriter::Control(const UnitRect& anchor, std::uint32_t object_id,
                            std::uint32_t picture_index, std::u16string_view name) {
    // The picture shown while the control is not running, and the object it
    // stands for.
    const auto sp = BeginAnchoredShape(w_, kShapeTypeHostControl, NextShapeId(),
                                       kShapeHaveAnchor | kShapeHaveType | kShapeOle, anchor,
                                       {{kPropPictureBlip, picture_index},
                                        {kPropPictureId, object_id},
                                        {kPropShapeName, 0, name}});
    const auto data = w_.BeginContainer(RT_OfficeArtClientData);
    w_.U32Atom(RT_ExternalObjectRefAtom, object_id);
    w_.End(data);
    w_.End(sp);
}

void DrawingWriter::Finish(bool with_background) {
    w_.End(group_);
    if (with_background) {
        background_ = true;
        const auto sp = w_.BeginContainer(RT_OfficeArtSpContainer);
        WriteShapeAtom(w_, kShapeTypeRectangle, NextShapeId(), kShapeBackground | kShapeHaveType);
        WriteOptions(w_, {{kPropFillColor, kSchemeBackground},
                          {kPropFillBooleans, kFilled},
                          {kPropLineBooleans, kNoLine}});
        w_.End(sp);
    }
    w_.End(dg_);
    w_.End(drawing_);
    w_.PatchU32(fdg_body_, SavedShapeCount());
    w_.PatchU32(fdg_body_ + 4, first_shape_id_ + count_ - 1);
}

}  // namespace pptfile
