// One slide's drawing and the shape records this program writes into it.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "pptfile/errors.h"
#include "pptfile/presentation.h"
#include "pptfile/record_writer.h"

namespace pptfile {

// In master units (576 per inch).
struct UnitRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Rounded; raises FormatError for values that do not fit the file's coordinates.
UnitRect ToUnits(const Rect& points);

// How much of the layout a placeholder takes.
inline constexpr std::uint8_t kPlaceholderFull = 0;
inline constexpr std::uint8_t kPlaceholderHalf = 1;
inline constexpr std::uint8_t kPlaceholderQuarter = 2;

struct PlaceholderSpot {
    UnitRect anchor;
    std::uint8_t kind = 0;
    std::int32_t position = 0;
    std::uint8_t size = kPlaceholderFull;
};

struct DrawingGroupBlock {
    std::uint32_t spid_max = 0;  // one past the largest shape identifier in use
    std::uint32_t shapes_saved = 0;
    std::uint32_t drawings_saved = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> clusters;  // drawing id, shapes used
};

void WriteDrawingGroupBlock(RecordWriter& w, const DrawingGroupBlock& block);

class DrawingWriter {
  public:
    // Opens the drawing and writes its group shape; its shapes are numbered
    // from `first_shape_id`, the first of a cluster.
    DrawingWriter(RecordWriter& w, std::uint32_t drawing_id, std::uint32_t first_shape_id);
    DrawingWriter(const DrawingWriter&) = delete;
    DrawingWriter& operator=(const DrawingWriter&) = delete;

    // Opens a placeholder shape: the caller may add its text box, and closes
    // it with RecordWriter::End.
    RecordWriter::Mark BeginPlaceholder(const PlaceholderSpot& spot);

    // `picture_index` is 1-based in the BLIP store.
    void Control(const UnitRect& anchor, std::uint32_t object_id, std::uint32_t picture_index,
                 std::u16string_view name);

    void Finish(bool with_background);

    std::uint32_t ShapeCount() const noexcept { return count_; }
    // The shapes the drawing counts: all but the background.
    std::uint32_t SavedShapeCount() const noexcept { return count_ - (background_ ? 1 : 0); }

  private:
    std::uint32_t NextShapeId() {
        RefuseIf(count_ >= 1023, "too many shapes on one slide");
        return first_shape_id_ + count_++;
    }

    RecordWriter& w_;
    std::uint32_t first_shape_id_;
    std::uint32_t count_ = 0;
    bool background_ = false;
    std::size_t fdg_body_ = 0;
    RecordWriter::Mark drawing_{}, dg_{}, group_{};
};

}  // namespace pptfile
