// Text formatting records of a new presentation: the fonts it uses, the
// document's default character and paragraph formats, and the master's text
// styles. Only standard fonts are listed, so nothing needs embedding.
#pragma once

#include <cstdint>
#include <string_view>

#include "pptfile/record_writer.h"

namespace pptfile {

// Text types of a text header and of master styles.
inline constexpr std::uint16_t kTextTypeTitle = 0;
inline constexpr std::uint16_t kTextTypeBody = 1;
inline constexpr std::uint16_t kTextTypeNotes = 2;
inline constexpr std::uint16_t kTextTypeOther = 4;

// The Environment container (fonts, default formats, default style).
void WriteEnvironment(RecordWriter& w);

// The main master's text styles: title, body, notes and other text.
void WriteMasterTextStyles(RecordWriter& w);

// A run-formatting atom for `text_length` characters split into paragraphs
// at '\r', each at the indent level of its position (0 for the first, 1 for
// the second, ... up to 4), with no formatting of its own.
void WritePlainStyleTextProp(RecordWriter& w, std::u16string_view text, bool indent_by_paragraph);

}  // namespace pptfile
