// The picture a control's shape shows when the control is not running (in
// thumbnails, in print, in readers that cannot run it): a framed placeholder
// with a few lines of text, kept as PowerPoint keeps an object's picture.
// The metafile is an EMF ([MS-EMF]); its BLIP record goes to the "Pictures"
// stream and the drawing group's BLIP store points at it ([MS-ODRAW] 2.2.20).
#pragma once

#include <cstdint>
#include <span>
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
    PictureStore(std::size_t stream_size, std::size_t entries)
        : stream_size_(stream_size), entries_(entries) {}

    // Adds the preview of `control`; returns its 1-based index in the store,
    // as a shape's `pib` property names it.
    std::uint32_t AddPreview(const ControlObject& control);

    bool empty() const noexcept { return blips_.empty(); }
    // The BLIP store: the entries it had (`earlier`, the body of the file's
    // store), then those (OfficeArtFBSE records) of the added pictures.
    void WriteStore(RecordWriter& w, std::span<const std::uint8_t> earlier = {}) const;
    // The BLIP records, in the order of their entries.
    const std::vector<std::uint8_t>& Blips() const noexcept { return blips_; }

  private:
    std::size_t stream_size_;
    std::size_t entries_;  // in the store, the added ones with them
    RecordWriter added_;   // the added entries' OfficeArtFBSE records
    std::vector<std::uint8_t> blips_;
};

}  // namespace pptfile
