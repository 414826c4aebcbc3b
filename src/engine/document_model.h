// The open presentations behind the automation objects, which share parts of
// it; it never refers back to them, so no reference cycle keeps anything alive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/dispatch.h"
#include "pptfile/presentation.h"

namespace engine {

// An ActiveX control placed on a slide, with the live object that answers for it.
struct ControlModel {
    std::u16string prog_id;
    automation::DispatchPtr object;
    pptfile::Rect anchor;
};

struct SlideModel {
    // Set for a slide that came from the template: its position there. Such a
    // slide is written back as the template holds it and cannot be edited.
    std::optional<std::size_t> template_index;
    bool has_title = false;
    std::u16string title;
    pptfile::Rect title_rect;
    std::vector<std::shared_ptr<ControlModel>> controls;
    // The main master the slide follows; 0 is the first one.
    std::uint32_t master_id = 0;

    bool FromTemplate() const noexcept { return template_index.has_value(); }
};

struct PresentationModel {
    // A template or the built-in blank presentation, whose slides are saved as it holds them.
    std::unique_ptr<pptfile::SourcePresentation> source;
    std::optional<std::filesystem::path> template_path;  // the file `source` was read from
    float slide_width = 0;
    std::vector<std::shared_ptr<SlideModel>> slides;  // in show order
};

}  // namespace engine
