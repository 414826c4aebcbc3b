// Text formatting records of the blank presentation: the fonts it uses, the
// document's default character and paragraph formats, and the master's text
// styles. Only standard fonts are listed, so nothing needs embedding.
#pragma once

#include <cstdint>
#include <string_view>

#include "pptfile/record_writer.h"

namespace blank {

using pptfile::RecordWriter;

// The Environment container (fonts, default formats, default style).
void WriteEnvironment(RecordWriter& w);

// The main master's text styles: title, body, notes and other text, and
// those of the other layouts' placeholders (centred title and body, half and
// quarter body).
void WriteMasterTextStyles(RecordWriter& w);

// A run-formatting atom for `text` split into paragraphs at '\r', each at
// the indent level of its position (0 for the first, 1 for the second, ... up
// to 4) when `indent_by_paragraph`, with no formatting of its own.
void WritePlainStyleTextProp(RecordWriter& w, std::u16string_view text, bool indent_by_paragraph);

// A run-formatting atom for one line of `text_length` characters, aligned
// (0 left, 1 centre, 2 right) and sized in points.
void WriteLineStyleTextProp(RecordWriter& w, std::uint32_t text_length, std::uint16_t alignment,
                            std::uint16_t font_size);

}  // namespace blank
