// The presentation as the file layer sees it: what a template holds that the
// application needs to answer with, and what a save writes.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "pptfile/compound_file.h"

namespace pptfile {

// A rectangle in points.
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
    std::vector<std::uint8_t>
        state;  // the control's persisted state, stored as its "contents" stream
    Rect anchor;
    // What the control's picture shows in its place while it is not running,
    // a line each: what the control is, then what it shows.
    std::vector<std::u16string> preview_lines;
};

// A slide this program adds: title-only layout, a title, controls under it.
struct SlideContent {
    std::u16string title;
    Rect title_rect;
    std::vector<ControlObject> controls;
    // The main master the slide follows, by its identifier; 0 is the
    // presentation's first main master.
    std::uint32_t master_id = 0;
};

// What a slide of an existing file shows, as far as we read it.
struct SlideSummary {
    std::u16string title;  // empty when the slide has no title placeholder text
    std::vector<ControlObject> controls;
    // The main master whose design the slide shows: the one it names, or the
    // one its title master follows. A slide naming no master the file has
    // gets the first main master's, as viewers show it; 0 only in a file
    // without a main master.
    std::uint32_t master_id = 0;
};

// A blank presentation has PowerPoint 2003's defaults.
inline constexpr float kDefaultSlideWidth = 720.0f;
inline constexpr Rect kDefaultTitleRect{36.0f, 21.625f, 648.0f, 90.0f};

// How much of each slide to read. A template's slides are written back as they
// are, so only their titles and masters matter; their controls' storages,
// which take decompressing, are read only when asked for.
enum class SlideDetail { kWithControls, kWithoutControls };

// A PowerPoint 97-2003 file (.ppt or .pot) opened read-only: as a template, or
// to read back what was written. The file is read whole and not kept open.
class SourcePresentation {
  public:
    // Raise FormatError naming the problem ("the template is encrypted", "not a
    // PowerPoint 97-2003 file", ...) or IoError.
    static SourcePresentation Open(const std::filesystem::path& path,
                                   SlideDetail detail = SlideDetail::kWithControls);
    static SourcePresentation FromBytes(std::span<const std::uint8_t> bytes,
                                        SlideDetail detail = SlideDetail::kWithControls);

    SourcePresentation(SourcePresentation&&) noexcept;
    SourcePresentation& operator=(SourcePresentation&&) noexcept;
    ~SourcePresentation();

    float SlideWidth() const noexcept;
    // The title placeholder of the first main master, where a title-only
    // slide's title goes.
    Rect MasterTitleRect() const noexcept;
    // The title placeholder of main master `master_id`; a title master's
    // identifier stands for the main master it follows. 0 or an identifier
    // the file does not use gives the first main master's.
    Rect MasterTitleRect(std::uint32_t master_id) const noexcept;
    // The slides in show order; their controls only when read kWithControls.
    const std::vector<SlideSummary>& Slides() const noexcept;

    struct Parsed;  // the reader's model of the file, for the writer
    const Parsed& parsed() const noexcept { return *parsed_; }

  private:
    explicit SourcePresentation(std::unique_ptr<Parsed> parsed);
    std::unique_ptr<Parsed> parsed_;
};

// One slide of the presentation to write: a slide of the source, by its
// position in Slides(), or a new one.
using SlideSlot = std::variant<std::size_t, const SlideContent*>;

struct SaveJob {
    const SourcePresentation* source = nullptr;  // null: a blank presentation
    std::vector<SlideSlot> slides;               // in show order
    // When the presentation is saved, as its document properties record it.
    std::chrono::system_clock::time_point saved_at = std::chrono::system_clock::now();
};

// The file's bytes. Raises FormatError for a job that cannot be written (a
// source slide index out of range, ...).
std::vector<std::uint8_t> WritePresentation(const SaveJob& job);

// WritePresentation, then WriteFileAtomically.
void SavePresentation(const SaveJob& job, const std::filesystem::path& target);

}  // namespace pptfile
