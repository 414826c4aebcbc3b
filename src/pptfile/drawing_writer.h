// One slide's drawing (the shapes of a slide, master or notes master) and
// the shape records this program writes into it. Shape identifiers come from
// the drawing's own cluster of 1024, as the drawing group records them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "pptfile/presentation.h"
#include "pptfile/record_writer.h"

namespace pptfile {

// A rectangle in master units (576 per inch).
struct UnitRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Points to master units, rounded to the nearest unit. Raises FormatError for
// values that are not finite or do not fit the file's coordinates.
UnitRect ToUnits(const Rect& points);

// How much of the layout a placeholder takes.
inline constexpr std::uint8_t kPlaceholderFull = 0;
inline constexpr std::uint8_t kPlaceholderHalf = 1;
inline constexpr std::uint8_t kPlaceholderQuarter = 2;

// Where a placeholder sits, what it is, and its index among the
// placeholders of its slide or master.
struct PlaceholderSpot {
    UnitRect anchor;
    std::uint8_t kind = 0;
    std::int32_t position = 0;
    std::uint8_t size = kPlaceholderFull;
};

// A field a master's placeholder shows: the record that stands for the date,
// slide number, footer or header, and how its one line is set.
struct FieldText {
    std::uint16_t field_type;
    std::uint16_t alignment;  // 0 left, 1 centre, 2 right
    std::uint16_t font_size;  // points
};

// The drawing group's record of shape identifier clusters and counts.
struct DrawingGroupBlock {
    std::uint32_t spid_max = 0;  // one past the largest shape identifier in use
    std::uint32_t shapes_saved = 0;
    std::uint32_t drawings_saved = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> clusters;  // drawing id, shapes used
};

void WriteDrawingGroupBlock(RecordWriter& w, const DrawingGroupBlock& block);

// The first shape identifier of drawing `drawing_id`.
constexpr std::uint32_t FirstShapeId(std::uint32_t drawing_id) {
    return drawing_id * 1024;
}

class DrawingWriter {
  public:
    // Opens the drawing and writes its group shape. Shape identifiers come
    // from cluster `drawing_id` unless a drawing added to an existing file
    // is given a free cluster of its own, starting at `first_shape_id`.
    DrawingWriter(RecordWriter& w, std::uint32_t drawing_id);
    DrawingWriter(RecordWriter& w, std::uint32_t drawing_id, std::uint32_t first_shape_id);
    DrawingWriter(const DrawingWriter&) = delete;
    DrawingWriter& operator=(const DrawingWriter&) = delete;

    // A placeholder shape. With `text`, its text lives in the shape itself
    // (masters); with `outline_index`, in the slide list's text for the slide;
    // with neither, it has no text (a notes page's slide image).
    void Placeholder(const PlaceholderSpot& spot, std::optional<std::u16string_view> text,
                     std::uint16_t text_type, std::optional<std::uint32_t> outline_index);

    // A master's placeholder showing a field.
    void Field(const PlaceholderSpot& spot, const FieldText& field);

    // An ActiveX control shape referring to external object `object_id`,
    // showing picture `picture_index` of the BLIP store (1-based), named
    // `name`.
    void Control(const UnitRect& anchor, std::uint32_t object_id, std::uint32_t picture_index,
                 std::u16string_view name);

    // Closes the drawing, with a background shape when asked for.
    void Finish(bool with_background);

    // The shape identifiers the drawing has taken from its cluster.
    std::uint32_t ShapeCount() const noexcept { return count_; }
    // The shapes the drawing counts: all but the background.
    std::uint32_t SavedShapeCount() const noexcept { return count_ - (background_ ? 1 : 0); }

  private:
    std::uint32_t NextShapeId();
    RecordWriter::Mark BeginPlaceholder(const PlaceholderSpot& spot);

    RecordWriter& w_;
    std::uint32_t first_shape_id_;
    std::uint32_t count_ = 0;
    bool background_ = false;
    std::size_t fdg_body_ = 0;
    RecordWriter::Mark drawing_{}, dg_{}, group_{};
};

}  // namespace pptfile
