// Writes the built-in blank presentation that every new presentation starts
// from, as PowerPoint starts from its default design: PowerPoint 2003's main
// master (title, body, date, footer and slide number placeholders, the
// standard fonts, text styles and colour scheme), its notes master, and no
// slide. The program carries the file it writes (src/pptfile/blank.ppt) and
// opens it like any template; a test checks that this program writes it
// again byte for byte.
//   make_blank OUTPUT.ppt
#include <cstdio>
#include <exception>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cfb/compound_file.h"
#include "pptfile/drawing_writer.h"
#include "pptfile/edit_records.h"
#include "pptfile/presentation.h"
#include "pptfile/record_types.h"
#include "pptfile/record_writer.h"
#include "pptfile/slide_parts.h"
#include "text_styles.h"

namespace blank {
namespace {

using namespace pptfile;

constexpr std::uint32_t kDocumentPersistId = 1;
constexpr std::uint32_t kMainMasterPersistId = 2;
constexpr std::uint32_t kNotesMasterPersistId = 3;
constexpr std::uint32_t kMainMasterId = 0x80000000;
constexpr std::uint32_t kMainMasterDrawingId = 1;
constexpr std::uint32_t kNotesMasterDrawingId = 2;

const std::u16string kMasterTitleText = u"Click to edit Master title style";
const std::u16string kMasterBodyText =
    u"Click to edit Master text styles\rSecond level\rThird level\rFourth level\rFifth level";

// The shape ids a drawing takes from its cluster, and the shapes it counts.
struct DrawingUse {
    std::uint32_t ids = 0;
    std::uint32_t shapes = 0;
};

class MasterDrawing : public DrawingWriter {
  public:
    MasterDrawing(RecordWriter& w, std::uint32_t drawing_id)
        : DrawingWriter(w, drawing_id, drawing_id * kClusterSize), w_(w) {}

    // A placeholder whose text is in the shape, or that has none.
    void Placeholder(const PlaceholderSpot& spot, std::optional<std::u16string_view> text,
                     std::uint16_t text_type) {
        const auto sp = BeginPlaceholder(spot);
        if (text) {
            const auto box = w_.BeginContainer(RT_OfficeArtClientTextbox);
            w_.U32Atom(RT_TextHeaderAtom, text_type);
            w_.TextAtom(RT_TextCharsAtom, *text);
            WritePlainStyleTextProp(w_, *text,
                                    text_type == kTextTypeBody || text_type == kTextTypeNotes);
            w_.End(box);
        }
        w_.End(sp);
    }

    // A date, slide number, footer or header placeholder, its text aligned
    // (0 left, 1 centre, 2 right) and sized in points.
    void Field(const PlaceholderSpot& spot, std::uint16_t field_type, std::uint16_t alignment,
               std::uint16_t font_size) {
        const auto sp = BeginPlaceholder(spot);
        const auto box = w_.BeginContainer(RT_OfficeArtClientTextbox);
        w_.U32Atom(RT_TextHeaderAtom, kTextTypeOther);
        // The field stands in the text as one placeholder character.
        w_.TextAtom(RT_TextCharsAtom, u"*");
        WriteLineStyleTextProp(w_, 1, alignment, font_size);
        w_.U32Atom(field_type, 0);  // at the first character
        w_.End(box);
        w_.End(sp);
    }

    DrawingUse Finish() {
        DrawingWriter::Finish(true);
        return {ShapeCount(), SavedShapeCount()};
    }

  private:
    RecordWriter& w_;
};

std::vector<std::uint8_t> MainMaster(DrawingUse& use) {
    RecordWriter w;
    const auto master = w.BeginContainer(RT_MainMaster);
    WriteSlideAtom(w, kSlideLayoutTitleBody,
                   {kPlaceholderMasterTitle, kPlaceholderMasterBody, kPlaceholderMasterDate,
                    kPlaceholderMasterFooter, kPlaceholderMasterSlideNumber},
                   0, 0);
    WriteMasterTextStyles(w);
    MasterDrawing drawing(w, kMainMasterDrawingId);
    drawing.Placeholder({ToUnits(kDefaultTitleRect), kPlaceholderMasterTitle, 0}, kMasterTitleText,
                        kTextTypeTitle);
    drawing.Placeholder({ToUnits({36.0f, 126.0f, 648.0f, 356.375f}), kPlaceholderMasterBody, 1},
                        kMasterBodyText, kTextTypeBody);
    // The fields Header and Footer switches on, in 14-point text.
    drawing.Field(
        {ToUnits({36.0f, 491.625f, 168.0f, 37.5f}), kPlaceholderMasterDate, 2, kPlaceholderHalf},
        RT_GenericDateMetaCharAtom, 0, 14);
    drawing.Field({ToUnits({246.0f, 491.625f, 228.0f, 37.5f}), kPlaceholderMasterFooter, 3,
                   kPlaceholderQuarter},
                  RT_FooterMetaCharAtom, 1, 14);
    drawing.Field({ToUnits({516.0f, 491.625f, 168.0f, 37.5f}), kPlaceholderMasterSlideNumber, 4,
                   kPlaceholderQuarter},
                  RT_SlideNumberMetaCharAtom, 2, 14);
    use = drawing.Finish();
    WriteDefaultColorScheme(w);
    w.End(master);
    return w.Take();
}

// The notes page as PowerPoint lays it out on 540 x 720 points.
std::vector<std::uint8_t> NotesMaster(DrawingUse& use) {
    RecordWriter w;
    const auto notes = w.BeginContainer(RT_Notes);
    const auto atom = w.Begin(RT_NotesAtom, 0, 1);
    w.Zeros(8);  // the notes master belongs to no slide
    w.End(atom);
    MasterDrawing drawing(w, kNotesMasterDrawingId);
    drawing.Field({{0, 0, 1872, 288}, kPlaceholderMasterHeader, 0, kPlaceholderQuarter},
                  RT_HeaderMetaCharAtom, 0, 12);
    drawing.Field({{2447, 0, 4319, 288}, kPlaceholderMasterDate, 1}, RT_GenericDateMetaCharAtom, 2,
                  12);
    drawing.Placeholder({{720, 432, 3600, 2592}, kPlaceholderMasterNotesSlideImage, 2},
                        std::nullopt, kTextTypeNotes);
    drawing.Placeholder(
        {{432, 2736, 3888, 5328}, kPlaceholderMasterNotesBody, 3, kPlaceholderQuarter},
        kMasterBodyText, kTextTypeNotes);
    drawing.Field({{0, 5471, 1872, 5759}, kPlaceholderMasterFooter, 4, kPlaceholderQuarter},
                  RT_FooterMetaCharAtom, 0, 12);
    drawing.Field({{2447, 5471, 4319, 5759}, kPlaceholderMasterSlideNumber, 5, kPlaceholderQuarter},
                  RT_SlideNumberMetaCharAtom, 2, 12);
    use = drawing.Finish();
    WriteDefaultColorScheme(w);
    w.End(notes);
    return w.Take();
}

// New shapes' defaults, as PowerPoint sets them, in scheme colours.
void WriteShapeDefaults(RecordWriter& w) {
    const std::pair<std::uint16_t, std::uint32_t> defaults[] = {
        {0x0181, 0x08000004},  // fill colour
        {0x0183, 0x08000000},  // fill back colour
        {0x01BF, 0x00100010},  // filled
        {0x01C0, 0x08000001},  // line colour
        {0x01FF, 0x00080008},  // lined
        {0x0201, 0x08000002},  // shadow colour
    };
    const auto m = w.Begin(RT_OfficeArtFOPT, static_cast<std::uint16_t>(std::size(defaults)), 3);
    for (const auto& [id, value] : defaults) {
        w.U16(id);
        w.U32(value);
    }
    w.End(m);
}

// `drawings` by drawing id - 1.
void WriteDrawingGroup(RecordWriter& w, const std::vector<DrawingUse>& drawings) {
    const auto group = w.BeginContainer(RT_DrawingGroup);
    const auto dgg = w.BeginContainer(RT_OfficeArtDggContainer);
    DrawingGroupBlock block;
    for (std::size_t i = 0; i < drawings.size(); ++i) {
        // Drawing n owns identifier cluster n.
        const auto drawing_id = static_cast<std::uint32_t>(i + 1);
        block.clusters.emplace_back(drawing_id, drawings[i].ids);
        block.shapes_saved += drawings[i].shapes;
        block.spid_max = drawing_id * kClusterSize + drawings[i].ids;
    }
    block.drawings_saved = static_cast<std::uint32_t>(drawings.size());
    WriteDrawingGroupBlock(w, block);
    WriteShapeDefaults(w);
    // The colours the fill, line and shadow menus offer first: the scheme's
    // fill, line and shadow colours, then a fixed one.
    const auto colors = w.Begin(RT_OfficeArtSplitMenuColors, 4);
    for (std::uint32_t c : {0x08000004u, 0x08000001u, 0x08000002u, 0x100000F7u}) {
        w.U32(c);
    }
    w.End(colors);
    w.End(dgg);
    w.End(group);
}

std::vector<std::uint8_t> Document(const std::vector<DrawingUse>& drawings) {
    RecordWriter w;
    const auto doc = w.BeginContainer(RT_Document);
    const auto atom = w.Begin(RT_DocumentAtom, 0, 1);
    // Slide 720 x 540 points, notes 540 x 720, server zoom 1:2, the notes
    // master, no handout master, slides numbered from 1, an on-screen show,
    // no embedded fonts (only standard ones are used), comments shown.
    for (std::uint32_t v : {5760u, 4320u, 4320u, 5760u, 1u, 2u, kNotesMasterPersistId, 0u}) {
        w.U32(v);
    }
    w.U32(1);
    w.U32(0x01000000);
    w.End(atom);
    WriteEnvironment(w);
    WriteDrawingGroup(w, drawings);
    const auto masters = w.BeginContainer(RT_SlideListWithText, 1);
    const auto master = w.Begin(RT_SlidePersistAtom);
    for (std::uint32_t v : {kMainMasterPersistId, 0u, 0u, kMainMasterId, 0u}) {
        w.U32(v);
    }
    w.End(master);
    w.End(masters);
    const auto end = w.Begin(RT_EndDocumentAtom);
    w.End(end);
    w.End(doc);
    return w.Take();
}

// Persist objects in persist id order, from id 1: the document, which counts
// the shapes of every drawing, is written last.
cfb::StorageEntry Blank() {
    std::vector<DrawingUse> drawings(2);
    std::vector<std::vector<std::uint8_t>> objects(1);
    objects.push_back(MainMaster(drawings[0]));
    objects.push_back(NotesMaster(drawings[1]));
    objects[0] = Document(drawings);

    RecordWriter document;
    PersistDirectory offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.Set(static_cast<std::uint32_t>(i + 1), static_cast<std::uint32_t>(document.Size()));
        document.Bytes(objects[i]);
    }
    UserEdit edit;
    edit.document_persist_id = kDocumentPersistId;
    edit.max_persist_id = kNotesMasterPersistId;
    edit.last_view = 1;  // slide view
    std::vector<std::uint8_t> current_user = CloseSave(document, 0, offsets, edit, nullptr);

    cfb::StorageEntry root{u"Root Entry", true, kPowerPointClassId, {}, {}};
    root.children.push_back({kCurrentUserStream, false, {}, {}, {}});
    root.children.back().content.emplace_back(std::move(current_user));
    root.children.push_back({kDocumentStream, false, {}, {}, {}});
    root.children.back().content.emplace_back(document.Take());
    return root;
}

}  // namespace
}  // namespace blank

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_blank OUTPUT.ppt\n", stderr);
        return 2;
    }
    try {
        const std::vector<std::uint8_t> bytes = cfb::WriteCompoundFile(blank::Blank());
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "make_blank: cannot write %s\n", argv[1]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_blank: %s\n", e.what());
        return 1;
    }
    return 0;
}
