#include "text_styles.h"

#include <algorithm>
#include <array>
#include <span>

namespace blank {

using namespace pptfile;

namespace {

struct Font {
    std::u16string_view name;
    std::uint8_t pitch_and_family;
};

// Arial (variable pitch, Swiss) is the default text font; Times New Roman
// and Wingdings cover the other standard references PowerPoint makes.
constexpr std::array<Font, 3> kFonts{
    {{u"Arial", 0x22}, {u"Times New Roman", 0x12}, {u"Wingdings", 0x02}}};
constexpr std::uint8_t kSymbolCharset = 2;

// Colours as scheme indices: 1 text and lines, 3 title text.
constexpr std::uint32_t SchemeColor(std::uint8_t index) {
    return static_cast<std::uint32_t>(index) << 24;
}

void WriteFontEntity(RecordWriter& w, const Font& font, std::uint16_t index) {
    const auto m = w.Begin(RT_FontEntityAtom, index);
    const std::u16string_view face = font.name.substr(0, 31);
    w.Utf16(face);
    w.Zeros(2 * (32 - face.size()));
    w.U8(font.name == u"Wingdings" ? kSymbolCharset : 0);  // character set
    w.U8(0);                                               // not embedded
    w.U8(0x04);                                            // TrueType
    w.U8(font.pitch_and_family);
    w.End(m);
}

struct ParagraphStyle {
    bool bullet;
    std::uint16_t alignment;  // 0 left, 1 centre
    std::uint16_t space_before;
    std::uint16_t left_margin;
    std::uint16_t indent;
};

struct CharacterStyle {
    std::uint16_t size;
    std::uint32_t color;
};

// Every paragraph attribute that a master level fixes, in the order the
// fields follow the mask.
constexpr std::uint32_t kMasterParagraphMask = 0x000FFDFF;
// Font style bits, typeface, size, colour and position.
constexpr std::uint32_t kMasterCharacterMask = 0x000F0217;
// Single attributes: whether there is a bullet, the left margin, the
// alignment, and the font size.
constexpr std::uint32_t kParagraphHasBullet = 0x00000001;
constexpr std::uint32_t kParagraphLeftMargin = 0x00000100;
constexpr std::uint32_t kParagraphAlignment = 0x00000800;
constexpr std::uint32_t kCharacterSize = 0x00020000;

void WriteParagraphFormat(RecordWriter& w, const ParagraphStyle& s) {
    w.U32(kMasterParagraphMask);
    // The bullet: flags, character, font (Arial), size (percent), colour.
    const std::uint16_t bullet[] = {s.bullet, 0x2022, 0, 100};
    for (std::uint16_t v : bullet) {
        w.U16(v);
    }
    w.U32(SchemeColor(1));
    // Alignment, line spacing (percent), space before and after, left margin,
    // indent, default tab (master units), font alignment (roman), word wrap.
    const std::uint16_t layout[] = {
        s.alignment, 100, s.space_before, 0, s.left_margin, s.indent, 576, 0, 2};
    for (std::uint16_t v : layout) {
        w.U16(v);
    }
}

void WriteCharacterFormat(RecordWriter& w, const CharacterStyle& s) {
    w.U32(kMasterCharacterMask);
    w.Zeros(4);  // plain, Arial
    w.U16(s.size);
    w.U32(s.color);
    w.I16(0);  // baseline
}

void WriteMasterStyle(RecordWriter& w, std::uint16_t text_type, bool bullets,
                      std::uint16_t alignment, const std::array<std::uint16_t, 5>& sizes,
                      std::uint16_t levels, std::uint32_t color) {
    const auto m = w.Begin(RT_TextMasterStyleAtom, text_type);
    w.U16(levels);
    for (std::uint16_t level = 0; level < levels; ++level) {
        // Body text steps in by half an inch a level, with its bullet hanging.
        const auto margin = static_cast<std::uint16_t>(bullets ? 216 + 432 * level : 0);
        const auto indent = static_cast<std::uint16_t>(bullets ? 432 * level : 0);
        WriteParagraphFormat(
            w, {bullets, alignment, static_cast<std::uint16_t>(bullets ? 20 : 0), margin, indent});
        WriteCharacterFormat(w, {sizes[level], color});
    }
    w.End(m);
}

// Another layout's placeholder style, as PowerPoint writes it: only what differs.
void WriteLayoutStyle(RecordWriter& w, std::uint16_t text_type,
                      std::span<const std::uint16_t> sizes, bool centred) {
    const auto m = w.Begin(RT_TextMasterStyleAtom, text_type);
    const std::size_t levels = centred ? 5 : std::max<std::size_t>(sizes.size(), 1);
    w.U16(static_cast<std::uint16_t>(levels));
    for (std::uint16_t level = 0; level < levels; ++level) {
        w.U16(level);
        if (centred) {
            w.U32(kParagraphHasBullet | kParagraphLeftMargin | kParagraphAlignment);
            w.U16(0);  // no bullet
            w.U16(1);  // centred
            w.U16(static_cast<std::uint16_t>(288 * level));
        } else {
            w.U32(0);
        }
        if (level < sizes.size()) {
            w.U32(kCharacterSize);
            w.U16(sizes[level]);
        } else {
            w.U32(0);
        }
    }
    w.End(m);
}

}  // namespace

void WriteEnvironment(RecordWriter& w) {
    const auto env = w.BeginContainer(RT_Environment);
    const auto fonts = w.BeginContainer(RT_FontCollection);
    for (std::uint16_t i = 0; i < kFonts.size(); ++i) {
        WriteFontEntity(w, kFonts[i], i);
    }
    w.End(fonts);

    const auto cf = w.Begin(RT_TextCharFormatExceptionAtom);
    WriteCharacterFormat(w, {18, SchemeColor(1)});
    w.End(cf);
    const auto pf = w.Begin(RT_TextParagraphFormatExceptionAtom);
    w.U16(0);  // reserved
    WriteParagraphFormat(w, {false, 0, 0, 0, 0});
    w.End(pf);
    // Spelling and language defaults, as PowerPoint writes them: checked
    // spelling, English (United States), no alternative language.
    const auto si = w.Begin(RT_TextSpecialInfoDefaultAtom);
    w.U32(0x00000007);  // spelling, language and alternative language follow
    w.U16(0x0002);      // spelling checked
    w.U16(0x0409);
    w.U16(0x0000);
    w.End(si);

    WriteMasterStyle(w, kTextTypeOther, false, 0, {18, 18, 18, 18, 18}, 5, SchemeColor(1));
    w.End(env);
}

void WriteMasterTextStyles(RecordWriter& w) {
    WriteMasterStyle(w, kTextTypeTitle, false, 1, {44, 44, 44, 44, 44}, 1, SchemeColor(3));
    WriteMasterStyle(w, kTextTypeBody, true, 0, {32, 28, 24, 20, 20}, 5, SchemeColor(1));
    WriteMasterStyle(w, kTextTypeNotes, false, 0, {12, 12, 12, 12, 12}, 5, SchemeColor(1));
    WriteMasterStyle(w, kTextTypeOther, false, 0, {18, 18, 18, 18, 18}, 5, SchemeColor(1));
    constexpr std::array<std::uint16_t, 5> kHalfBody{28, 24, 20, 18, 18};
    constexpr std::array<std::uint16_t, 5> kQuarterBody{24, 20, 18, 16, 16};
    WriteLayoutStyle(w, kTextTypeCenterBody, {}, true);
    WriteLayoutStyle(w, kTextTypeCenterTitle, {}, false);
    WriteLayoutStyle(w, kTextTypeHalfBody, kHalfBody, false);
    WriteLayoutStyle(w, kTextTypeQuarterBody, kQuarterBody, false);
}

void WritePlainStyleTextProp(RecordWriter& w, std::u16string_view text, bool indent_by_paragraph) {
    const auto m = w.Begin(RT_StyleTextPropAtom);
    // Paragraph runs: one per paragraph; the last also covers the implied end mark.
    std::size_t start = 0;
    std::uint16_t level = 0;
    for (;;) {
        const std::size_t end = text.find(u'\r', start);
        const bool last = end == std::u16string_view::npos;
        const std::size_t count = (last ? text.size() : end) - start + 1;
        w.U32(static_cast<std::uint32_t>(count));
        w.U16(indent_by_paragraph ? level : 0);
        w.U32(0);  // no paragraph formatting of its own
        if (last) {
            break;
        }
        start = end + 1;
        level = static_cast<std::uint16_t>(std::min<int>(level + 1, 4));
    }
    // One character run over everything.
    w.U32(static_cast<std::uint32_t>(text.size() + 1));
    w.U32(0);
    w.End(m);
}

void WriteLineStyleTextProp(RecordWriter& w, std::uint32_t text_length, std::uint16_t alignment,
                            std::uint16_t font_size) {
    const auto m = w.Begin(RT_StyleTextPropAtom);
    w.U32(text_length + 1);  // the paragraph, with its implied end mark
    w.U16(0);
    w.U32(kParagraphAlignment);
    w.U16(alignment);
    w.U32(text_length + 1);  // one character run
    w.U32(kCharacterSize);
    w.U16(font_size);
    w.End(m);
}

}  // namespace blank
