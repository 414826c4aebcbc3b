#include "pptfile/slide_parts.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "pptfile/drawing_writer.h"

namespace pptfile {
namespace {

constexpr std::uint32_t kSlideHasNonOutlineData = 0x4;

// A run-formatting atom for one paragraph of `length` characters with no
// formatting of its own: one paragraph run and one character run, each
// covering the paragraph's implied end mark too.
void WritePlainStyleTextProp(RecordWriter& w, std::size_t length) {
    const auto m = w.Begin(RT_StyleTextPropAtom);
    w.U32(static_cast<std::uint32_t>(length + 1));
    w.U16(0);  // indent level
    w.U32(0);  // no paragraph formatting
    w.U32(static_cast<std::uint32_t>(length + 1));
    w.U32(0);  // no character formatting
    w.End(m);
}

}  // namespace

void WriteDefaultColorScheme(RecordWriter& w) {
    const auto m = w.Begin(RT_ColorSchemeAtom, 1);
    // Background, text and lines, shadows, title text, fills, accent,
    // accent and hyperlink, accent and followed hyperlink (COLORREFs:
    // 0x00BBGGRR).
    w.U32s({0xFFFFFF, 0x000000, 0x808080, 0x000000, 0x00CC99, 0x3333CC, 0xCCCCFF, 0xB2B2B2});
    w.End(m);
}

void WriteSlideAtom(RecordWriter& w, std::uint32_t layout,
                    std::initializer_list<std::uint8_t> placeholders, std::uint32_t master_id,
                    std::uint16_t flags) {
    const auto m = w.Begin(RT_SlideAtom, 0, 2);
    w.U32(layout);
    for (std::uint8_t p : placeholders) {
        w.U8(p);
    }
    w.Zeros(8 - placeholders.size());
    w.U32(master_id);
    w.U32(0);  // no notes slide
    w.U16(flags);
    w.U16(0);
    w.End(m);
}

std::uint32_t WriteTitleOnlySlide(RecordWriter& w, const NewSlide& slide, std::uint32_t master_id,
                                  std::optional<std::span<const std::uint8_t>> colour_scheme) {
    const auto container = w.BeginContainer(RT_Slide);
    WriteSlideAtom(w, kSlideLayoutTitleOnly, {kPlaceholderTitle}, master_id, kFollowMaster);
    DrawingWriter shapes(w, slide.drawing_id,
                         static_cast<std::uint32_t>(slide.cluster * kClusterSize));
    // The title's text is the slide's first outline text in the slide list.
    const auto title =
        shapes.BeginPlaceholder({ToUnits(slide.content->title_rect), kPlaceholderTitle, 0});
    const auto box = w.BeginContainer(RT_OfficeArtClientTextbox);
    w.U32Atom(RT_OutlineTextRefAtom, 0);
    w.End(box);
    w.End(title);
    for (const PlacedControl& control : slide.controls) {
        shapes.Control(ToUnits(control.control->anchor), control.object_id, control.picture_index,
                       ControlName(*control.control, control.object_id));
    }
    shapes.Finish(false);
    if (colour_scheme) {
        w.Bytes(*colour_scheme);
    } else {
        WriteDefaultColorScheme(w);
    }
    w.End(container);
    return shapes.ShapeCount();
}

void WriteSlideListEntry(RecordWriter& w, const NewSlide& slide) {
    const auto atom = w.Begin(RT_SlidePersistAtom);
    // One text placeholder: the title.
    w.U32s({slide.persist_id, slide.controls.empty() ? 0 : kSlideHasNonOutlineData, 1,
            slide.slide_id, 0});
    w.End(atom);
    // Titles come from file names: a line break would end the title
    // paragraph, so it becomes a break within the line.
    std::u16string text = slide.content->title;
    std::replace_if(
        text.begin(), text.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u'\v');
    w.U32Atom(RT_TextHeaderAtom, kTextTypeTitle);
    w.TextAtom(RT_TextCharsAtom, text);
    WritePlainStyleTextProp(w, text.size());
}

void WriteControlEntries(RecordWriter& w, std::span<const NewSlide> slides) {
    for (const NewSlide& slide : slides) {
        for (const PlacedControl& control : slide.controls) {
            const auto container = w.BeginContainer(RT_ExternalOleControl);
            w.U32Atom(RT_ExternalOleControlAtom, slide.slide_id);
            const auto ole = w.Begin(RT_ExternalOleObjectAtom, 0, 1);
            // The content drawn, an ActiveX control, no sub-type.
            w.U32s({1, 2, control.object_id, 0, control.storage_persist_id, 0});
            w.End(ole);
            w.TextAtom(RT_CString, u"Control", 1);
            w.TextAtom(RT_CString, control.control->prog_id, 2);
            w.TextAtom(RT_CString, control.control->prog_id, 3);
            w.End(container);
        }
    }
}

}  // namespace pptfile
