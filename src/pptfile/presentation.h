// The presentation as the file layer sees it: what a presentation file holds,
// as far as a save needs it, and the save.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "cfb/compound_file.h"

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
    cfb::ClassId clsid{};
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
    // The main master whose design the slide shows (the first one if it names
    // none the file has); 0 only in a file without a main master.
    std::uint32_t master_id = 0;
};

// Where a title goes on a master without a title placeholder.
inline constexpr Rect kDefaultTitleRect{36.0f, 21.625f, 648.0f, 90.0f};

// The presentation that a new one starts from: PowerPoint 2003's default
// design, without slides.
std::span<const std::uint8_t> BlankPresentation() noexcept;

// A PowerPoint 97-2003 file (.ppt or .pot). Only what a save changes is read;
// the rest stays in the source until a save copies it.
class SourcePresentation {
  public:
    // Raises FormatError naming the problem; what `source` raises passes on.
    static SourcePresentation Read(std::unique_ptr<const cfb::ByteSource> source);

    SourcePresentation(SourcePresentation&&) noexcept;
    SourcePresentation& operator=(SourcePresentation&&) noexcept;
    ~SourcePresentation();

    float SlideWidth() const noexcept;
    // The title placeholder of main master `master_id` (a title master stands
    // for the one it follows), or of the first main master.
    Rect MasterTitleRect(std::uint32_t master_id = 0) const noexcept;
    const std::vector<SlideSummary>& Slides() const noexcept;

    struct Parsed;  // the reader's model of the file, for the save
    const Parsed& parsed() const noexcept { return *parsed_; }

  private:
    explicit SourcePresentation(std::unique_ptr<Parsed> parsed);
    std::unique_ptr<Parsed> parsed_;
};

// A slide of the source, by its position in Slides(), or a new one.
using SlideSlot = std::variant<std::size_t, const SlideContent*>;

struct SaveJob {
    const SourcePresentation* source = nullptr;
    std::vector<SlideSlot> slides;  // in show order
    std::chrono::system_clock::time_point saved_at = std::chrono::system_clock::now();
};

// Writes the job as a whole new file: the source's live objects and
// streams, the new slides, one persist directory and one user edit. Raises
// FormatError for a job that cannot be written, before anything is put.
void WritePresentation(const SaveJob& job, cfb::ByteSink& sink);

}  // namespace pptfile
