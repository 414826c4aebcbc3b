// The presentation as the file layer sees it: what a template holds, and what a save writes.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "pptfile/compound_file.h"

namespace pptfile {

struct Rect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// An ActiveX control placed on a slide.
struct ControlObject {
    std::u16string prog_id;  // "TRELVO.TrelvoCtrl.1"
    ClassId clsid{};
    std::vector<std::uint8_t> state;  // its "contents" stream
    Rect anchor;
    std::vector<std::u16string> preview_lines;  // the picture shown while it is not running
};

// A slide this program adds: title-only layout, a title, controls under it.
struct SlideContent {
    std::u16string title;
    Rect title_rect;
    std::vector<ControlObject> controls;
    std::uint32_t master_id = 0;  // 0: the first main master
};

// What a slide of an existing file shows, as far as we read it.
struct SlideSummary {
    std::u16string title;  // empty when the slide has no title placeholder text
    std::vector<ControlObject> controls;
    // The main master whose design the slide shows (the first one if it names
    // none the file has); 0 only in a file without a main master.
    std::uint32_t master_id = 0;
};

// A blank presentation has PowerPoint 2003's defaults.
inline constexpr float kDefaultSlideWidth = 720.0f;
inline constexpr Rect kDefaultTitleRect{36.0f, 21.625f, 648.0f, 90.0f};

// A template's slides are written back as they are: their controls need not be read.
enum class SlideDetail { kWithControls, kWithoutControls };

// A PowerPoint 97-2003 file (.ppt or .pot), read whole and not kept open.
class SourcePresentation {
  public:
    // Raise FormatError naming the problem; what `source` raises passes on.
    static SourcePresentation Read(const ByteSource& source,
                                   SlideDetail detail = SlideDetail::kWithControls);
    static SourcePresentation FromBytes(std::span<const std::uint8_t> bytes,
                                        SlideDetail detail = SlideDetail::kWithControls) {
        return Read(MemorySource(bytes), detail);
    }

    SourcePresentation(SourcePresentation&&) noexcept;
    SourcePresentation& operator=(SourcePresentation&&) noexcept;
    ~SourcePresentation();

    float SlideWidth() const noexcept;
    // The title placeholder of the first main master, or of main master
    // `master_id` (a title master stands for the one it follows).
    Rect MasterTitleRect() const noexcept;
    Rect MasterTitleRect(std::uint32_t master_id) const noexcept;
    const std::vector<SlideSummary>& Slides() const noexcept;

    struct Parsed;  // the reader's model of the file, for the writer
    const Parsed& parsed() const noexcept { return *parsed_; }

  private:
    explicit SourcePresentation(std::unique_ptr<Parsed> parsed);
    std::unique_ptr<Parsed> parsed_;
};

// A slide of the source, by its position in Slides(), or a new one.
using SlideSlot = std::variant<std::size_t, const SlideContent*>;

struct SaveJob {
    const SourcePresentation* source = nullptr;  // null: a blank presentation
    std::vector<SlideSlot> slides;               // in show order
    std::chrono::system_clock::time_point saved_at = std::chrono::system_clock::now();
};

// Hands the file's bytes to `put` in order. Raises FormatError for a job that
// cannot be written, before anything is handed on.
void WritePresentation(const SaveJob& job, const ByteSink& put);

}  // namespace pptfile
