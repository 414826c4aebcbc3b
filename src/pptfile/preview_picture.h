// The picture a control's shape shows when the control is not running (in
// thumbnails, in print, in readers that cannot run it): a framed placeholder
// with a few lines of text, kept as PowerPoint keeps an object's picture.
// The metafile is an EMF ([MS-EMF]); its BLIP record goes to the "Pictures"
// stream and the drawing group's BLIP store points at it ([MS-ODRAW] 2.2.20).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "pptfile/presentation.h"
#include "pptfile/record_writer.h"

namespace pptfile {

// The pictures a save adds to the BLIP store: their BLIP records, to be
// appended to the "Pictures" stream, and the store's entries pointing at them.
class PictureStore {
  public:
    // The "Pictures" stream already holds `stream_size` bytes and the store
    // `entries` entries.
    PictureStore(std::size_t stream_size, std::size_t entries);

    // Adds the preview of `control`; returns its 1-based index in the store,
    // as a shape's `pib` property names it.
    std::uint32_t AddPreview(const ControlObject& control);

    bool empty() const noexcept { return entries_.empty(); }
    std::size_t EntryCount() const noexcept { return first_index_ - 1 + entries_.size(); }
    // The BLIP store: the entries it had (`earlier`, the body of the file's
    // store), then those (OfficeArtFBSE records) of the added pictures.
    void WriteStore(RecordWriter& w, std::span<const std::uint8_t> earlier = {}) const;
    // The BLIP records, in the order of their entries.
    const std::vector<std::uint8_t>& Blips() const noexcept { return blips_; }

  private:
    struct Entry {
        std::array<std::uint8_t, 16> uid;
        std::uint32_t size;
        std::uint32_t offset;
    };
    std::size_t stream_size_;
    std::size_t first_index_;
    std::vector<Entry> entries_;
    std::vector<std::uint8_t> blips_;
};

}  // namespace pptfile
