// The records of a new title-only slide, for a new presentation or a template.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pptfile/presentation.h"
#include "pptfile/record_writer.h"

namespace pptfile {

// Slide identifiers start here; lower ones are reserved.
inline constexpr std::uint32_t kFirstSlideId = 0x100;

inline constexpr std::uint32_t kSlideLayoutTitleBody = 0x0001;
inline constexpr std::uint32_t kSlideLayoutTitleOnly = 0x0007;
// Objects, colour scheme and background of the master.
inline constexpr std::uint16_t kFollowMaster = 0x0007;

// A control on a new slide, its object id, storage persist id and picture (1-based).
struct PlacedControl {
    const ControlObject* control;
    std::uint32_t object_id;
    std::uint32_t storage_persist_id;
    std::uint32_t picture_index = 0;
};

// A new slide with the identifiers it takes, and once written its records.
struct NewSlide {
    const SlideContent* content;
    std::uint32_t persist_id;
    std::uint32_t slide_id;
    std::uint32_t drawing_id;
    std::uint64_t cluster;  // of its shape identifiers
    std::vector<PlacedControl> controls;
    std::vector<std::uint8_t> records;  // the slide container
    std::uint32_t shapes;               // that its drawing holds
};

// The colour scheme of a new presentation, as the atom a slide or master carries.
void WriteDefaultColorScheme(RecordWriter& w);

// A slide atom: layout, up to eight placeholder kinds, master and flags.
void WriteSlideAtom(RecordWriter& w, std::uint32_t layout,
                    std::initializer_list<std::uint8_t> placeholders, std::uint32_t master_id,
                    std::uint16_t flags);

// Returns how many shapes the drawing holds. `colour_scheme` is a whole ColorSchemeAtom.
std::uint32_t WriteTitleOnlySlide(RecordWriter& w, const NewSlide& slide, std::uint32_t master_id,
                                  std::optional<std::span<const std::uint8_t>> colour_scheme);

// The slide's entry in the slide list: its persist atom and the title text.
void WriteSlideListEntry(RecordWriter& w, const NewSlide& slide);

// The object list's entries for the slides' controls.
void WriteControlEntries(RecordWriter& w, std::span<const NewSlide> slides);

// The name a control goes by, as PowerPoint names one: its class's name
// (the middle part of the ProgID) numbered by its object identifier,
// "TrelvoCtrl1" for "TRELVO.TrelvoCtrl.1" and object 1.
std::u16string ControlName(const ControlObject& control, std::uint32_t object_id);

// The persist object holding the control's storage, compressed.
std::vector<std::uint8_t> ControlStorageRecord(const PlacedControl& control);

}  // namespace pptfile
