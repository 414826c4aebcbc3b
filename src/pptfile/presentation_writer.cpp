// Writes a new presentation: its persist objects, the persist directory and one user edit.
#include <cstddef>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/drawing_writer.h"
#include "pptfile/edit_records.h"
#include "pptfile/errors.h"
#include "pptfile/presentation.h"
#include "pptfile/preview_picture.h"
#include "pptfile/property_sets.h"
#include "pptfile/record_writer.h"
#include "pptfile/slide_parts.h"
#include "pptfile/template_writer.h"
#include "pptfile/text_styles.h"

namespace pptfile {
namespace {

constexpr std::uint32_t kDocumentPersistId = 1;
constexpr std::uint32_t kMainMasterPersistId = 2;
constexpr std::uint32_t kNotesMasterPersistId = 3;
constexpr std::uint32_t kFirstSlidePersistId = 4;
constexpr std::uint32_t kMainMasterId = 0x80000000;
constexpr std::uint32_t kMainMasterDrawingId = 1;
constexpr std::uint32_t kNotesMasterDrawingId = 2;
constexpr std::uint32_t kFirstSlideDrawingId = 3;
// Drawing identifiers are 12-bit record instances.
constexpr std::size_t kMaxSlides = 0xFFE - kFirstSlideDrawingId;

const std::u16string kMasterTitleText = u"Click to edit Master title style";
const std::u16string kMasterBodyText =
    u"Click to edit Master text styles\rSecond level\rThird level\rFourth level\rFifth level";

struct Plan {
    std::vector<NewSlide> slides;
    std::uint32_t last_persist_id = kNotesMasterPersistId;
    std::uint32_t control_count = 0;
    PictureStore pictures{0, 0};  // the controls' pictures
};

Plan MakePlan(const SaveJob& job) {
    if (job.slides.size() > kMaxSlides) {
        throw FormatError("too many slides to save");
    }
    Plan plan;
    std::uint32_t persist = kFirstSlidePersistId;
    for (std::size_t i = 0; i < job.slides.size(); ++i) {
        const SlideContent* const* content = std::get_if<const SlideContent*>(&job.slides[i]);
        if (content == nullptr || *content == nullptr) {
            throw FormatError("slide " + std::to_string(i + 1) +
                              " refers to a source slide, but the presentation is blank");
        }
        if ((*content)->master_id != 0 && (*content)->master_id != kMainMasterId) {
            throw FormatError("slide " + std::to_string(i + 1) +
                              " follows a slide master a new presentation does not have");
        }
        plan.slides.push_back({*content,
                               persist++,
                               kFirstSlideId + static_cast<std::uint32_t>(i),
                               kFirstSlideDrawingId + static_cast<std::uint32_t>(i),
                               kFirstSlideDrawingId + i,
                               {}});
    }
    for (NewSlide& slide : plan.slides) {
        for (const ControlObject& control : slide.content->controls) {
            slide.controls.push_back(
                {&control, ++plan.control_count, persist++, plan.pictures.AddPreview(control)});
        }
    }
    plan.last_persist_id = persist - 1;
    return plan;
}

// The shape ids a drawing takes from its cluster, and the shapes it counts.
struct DrawingUse {
    std::uint32_t ids = 0;
    std::uint32_t shapes = 0;
};

std::vector<std::uint8_t> MainMaster(DrawingUse& use) {
    RecordWriter w;
    const auto master = w.BeginContainer(RT_MainMaster);
    WriteSlideAtom(w, kSlideLayoutTitleBody,
                   {kPlaceholderMasterTitle, kPlaceholderMasterBody, kPlaceholderMasterDate,
                    kPlaceholderMasterFooter, kPlaceholderMasterSlideNumber},
                   0, 0);
    WriteMasterTextStyles(w);
    DrawingWriter drawing(w, kMainMasterDrawingId);
    drawing.Placeholder({ToUnits(kDefaultTitleRect), kPlaceholderMasterTitle, 0}, kMasterTitleText,
                        kTextTypeTitle, std::nullopt);
    drawing.Placeholder({ToUnits({36.0f, 126.0f, 648.0f, 356.375f}), kPlaceholderMasterBody, 1},
                        kMasterBodyText, kTextTypeBody, std::nullopt);
    // The fields Header and Footer switches on, in 14-point text.
    drawing.Field(
        {ToUnits({36.0f, 491.625f, 168.0f, 37.5f}), kPlaceholderMasterDate, 2, kPlaceholderHalf},
        {RT_GenericDateMetaCharAtom, 0, 14});
    drawing.Field({ToUnits({246.0f, 491.625f, 228.0f, 37.5f}), kPlaceholderMasterFooter, 3,
                   kPlaceholderQuarter},
                  {RT_FooterMetaCharAtom, 1, 14});
    drawing.Field({ToUnits({516.0f, 491.625f, 168.0f, 37.5f}), kPlaceholderMasterSlideNumber, 4,
                   kPlaceholderQuarter},
                  {RT_SlideNumberMetaCharAtom, 2, 14});
    drawing.Finish(true);
    use = {drawing.ShapeCount(), drawing.SavedShapeCount()};
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
    DrawingWriter drawing(w, kNotesMasterDrawingId);
    drawing.Field({{0, 0, 1872, 288}, kPlaceholderMasterHeader, 0, kPlaceholderQuarter},
                  {RT_HeaderMetaCharAtom, 0, 12});
    drawing.Field({{2447, 0, 4319, 288}, kPlaceholderMasterDate, 1},
                  {RT_GenericDateMetaCharAtom, 2, 12});
    drawing.Placeholder({{720, 432, 3600, 2592}, kPlaceholderMasterNotesSlideImage, 2},
                        std::nullopt, kTextTypeNotes, std::nullopt);
    drawing.Placeholder(
        {{432, 2736, 3888, 5328}, kPlaceholderMasterNotesBody, 3, kPlaceholderQuarter},
        kMasterBodyText, kTextTypeNotes, std::nullopt);
    drawing.Field({{0, 5471, 1872, 5759}, kPlaceholderMasterFooter, 4, kPlaceholderQuarter},
                  {RT_FooterMetaCharAtom, 0, 12});
    drawing.Field({{2447, 5471, 4319, 5759}, kPlaceholderMasterSlideNumber, 5, kPlaceholderQuarter},
                  {RT_SlideNumberMetaCharAtom, 2, 12});
    drawing.Finish(true);
    use = {drawing.ShapeCount(), drawing.SavedShapeCount()};
    WriteDefaultColorScheme(w);
    w.End(notes);
    return w.Take();
}

std::vector<std::uint8_t> Slide(const NewSlide& slide, DrawingUse& use) {
    RecordWriter w;
    const std::uint32_t shapes =
        WriteTitleOnlySlide(w, *slide.content, slide.controls, kMainMasterId,
                            {slide.drawing_id, FirstShapeId(slide.drawing_id)}, std::nullopt);
    use = {shapes, shapes};  // a slide has no background of its own
    return w.Take();
}

void WriteExternalObjects(RecordWriter& w, const Plan& plan) {
    if (plan.control_count == 0) {
        return;
    }
    const auto list = w.BeginContainer(RT_ExternalObjectList);
    w.U32Atom(RT_ExternalObjectListAtom, plan.control_count);  // the largest id in use
    WriteControlEntries(w, plan.slides);
    w.End(list);
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
void WriteDrawingGroup(RecordWriter& w, const std::vector<DrawingUse>& drawings,
                       const PictureStore& pictures) {
    const auto group = w.BeginContainer(RT_DrawingGroup);
    const auto dgg = w.BeginContainer(RT_OfficeArtDggContainer);
    DrawingGroupBlock block;
    for (std::size_t i = 0; i < drawings.size(); ++i) {
        // Drawing n owns identifier cluster n.
        const auto drawing_id = static_cast<std::uint32_t>(i + 1);
        block.clusters.emplace_back(drawing_id, drawings[i].ids);
        block.shapes_saved += drawings[i].shapes;
        block.spid_max = FirstShapeId(drawing_id) + drawings[i].ids;
    }
    block.drawings_saved = static_cast<std::uint32_t>(drawings.size());
    WriteDrawingGroupBlock(w, block);
    if (!pictures.empty()) {
        pictures.WriteStore(w);
    }
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

void WriteSlideList(RecordWriter& w, const Plan& plan) {
    const auto masters = w.BeginContainer(RT_SlideListWithText, 1);
    const auto master = w.Begin(RT_SlidePersistAtom);
    for (std::uint32_t v : {kMainMasterPersistId, 0u, 0u, kMainMasterId, 0u}) {
        w.U32(v);
    }
    w.End(master);
    w.End(masters);
    if (plan.slides.empty()) {
        return;
    }

    const auto slides = w.BeginContainer(RT_SlideListWithText, 0);
    for (const NewSlide& slide : plan.slides) {
        WriteSlideListEntry(w, *slide.content, slide.persist_id, slide.slide_id);
    }
    w.End(slides);
}

std::vector<std::uint8_t> Document(const Plan& plan, const std::vector<DrawingUse>& drawings) {
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
    WriteExternalObjects(w, plan);
    WriteEnvironment(w);
    WriteDrawingGroup(w, drawings, plan.pictures);
    WriteSlideList(w, plan);
    const auto end = w.Begin(RT_EndDocumentAtom);
    w.End(end);
    w.End(doc);
    return w.Take();
}

StorageEntry WriteBlank(const SaveJob& job) {
    const Plan plan = MakePlan(job);

    // Persist objects in persist id order, from id 1: the document, which
    // counts the shapes of every drawing, is written last.
    std::vector<DrawingUse> drawings(2 + plan.slides.size());
    std::vector<std::vector<std::uint8_t>> objects(1);
    objects.push_back(MainMaster(drawings[0]));
    objects.push_back(NotesMaster(drawings[1]));
    for (std::size_t i = 0; i < plan.slides.size(); ++i) {
        objects.push_back(Slide(plan.slides[i], drawings[2 + i]));
    }
    objects[0] = Document(plan, drawings);
    for (const NewSlide& slide : plan.slides) {
        for (const PlacedControl& control : slide.controls) {
            objects.push_back(ControlStorageRecord(control));
        }
    }

    RecordWriter document;
    PersistDirectory offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.Set(static_cast<std::uint32_t>(i + 1), static_cast<std::uint32_t>(document.Size()));
        document.Bytes(objects[i]);
    }
    UserEdit edit;  // the first edit: none before it
    edit.last_slide_viewed = plan.slides.empty() ? 0 : plan.slides.back().slide_id;
    edit.document_persist_id = kDocumentPersistId;
    edit.max_persist_id = plan.last_persist_id;
    edit.last_view = 1;  // slide view
    std::vector<std::uint8_t> current_user = CloseSave(document, 0, offsets, edit, nullptr);

    const std::u16string& title =
        plan.slides.empty() ? std::u16string() : plan.slides.front().content->title;
    StorageEntry root{"Root Entry", true, kPowerPointClassId, {}, {}};
    const auto stream = [&root](const char* name, std::vector<std::uint8_t> data) {
        root.children.push_back({name, false, {}, std::move(data), {}});
    };
    stream(kCurrentUserStream, std::move(current_user));
    stream(kDocumentStream, document.Take());
    if (!plan.pictures.empty()) {
        stream(kPicturesStream, plan.pictures.Blips());
    }
    stream(kSummaryStream, SummaryInformationStream(title, ToFileTime(job.saved_at)));
    stream(kDocSummaryStream,
           DocumentSummaryInformationStream(static_cast<std::int32_t>(plan.slides.size())));
    return root;
}

StorageEntry PresentationTree(const SaveJob& job) {
    return job.source != nullptr ? WriteOntoTemplate(job) : WriteBlank(job);
}

}  // namespace

void WritePresentation(const SaveJob& job, const ByteSink& put) {
    // Straight from the tree into the sink: no second copy of a large template.
    WriteCompoundFile(PresentationTree(job), put);
}

}  // namespace pptfile
