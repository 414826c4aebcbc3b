// Writes a new presentation: the document, its main master, its notes master,
// the slides and the controls' storages as persist objects, then the persist
// directory and the one user edit that points at it.
#include <cstddef>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/control_storage.h"
#include "pptfile/drawing_writer.h"
#include "pptfile/errors.h"
#include "pptfile/file_io.h"
#include "pptfile/presentation.h"
#include "pptfile/property_sets.h"
#include "pptfile/record_writer.h"
#include "pptfile/template_writer.h"
#include "pptfile/text_styles.h"

namespace pptfile {
namespace {

constexpr std::uint32_t kDocumentPersistId = 1;
constexpr std::uint32_t kMainMasterPersistId = 2;
constexpr std::uint32_t kNotesMasterPersistId = 3;
constexpr std::uint32_t kFirstSlidePersistId = 4;
constexpr std::uint32_t kMainMasterId = 0x80000000;
constexpr std::uint32_t kFirstSlideId = 0x100;
constexpr std::uint32_t kMainMasterDrawingId = 1;
constexpr std::uint32_t kNotesMasterDrawingId = 2;
constexpr std::uint32_t kFirstSlideDrawingId = 3;
// A persist directory entry counts its offsets in 12 bits.
constexpr std::uint32_t kMaxPersistRun = 0xFFF;
// Drawing identifiers are 12-bit record instances.
constexpr std::size_t kMaxSlides = 0xFFE - kFirstSlideDrawingId;

constexpr std::uint32_t kSlideLayoutTitleBody = 0x0001;
constexpr std::uint32_t kSlideLayoutTitleOnly = 0x0007;
constexpr std::uint16_t kFollowMaster =
    0x0007;  // objects, colour scheme and background of the master

const std::u16string kMasterTitleText = u"Click to edit Master title style";
const std::u16string kMasterBodyText =
    u"Click to edit Master text styles\rSecond level\rThird level\rFourth level\rFifth level";

struct ControlPlan {
    const ControlObject* control;
    std::uint32_t object_id;
    std::uint32_t storage_persist_id;
    std::uint32_t slide_id;
};

struct SlidePlan {
    const SlideContent* content;
    std::uint32_t persist_id;
    std::uint32_t slide_id;
    std::uint32_t drawing_id;
    std::vector<ControlPlan> controls;
};

struct Plan {
    std::vector<SlidePlan> slides;
    std::uint32_t last_persist_id = kNotesMasterPersistId;
    std::uint32_t control_count = 0;
};

Plan MakePlan(const SaveJob& job) {
    if (job.slides.size() > kMaxSlides)
        throw FormatError("too many slides to save");
    Plan plan;
    std::uint32_t persist = kFirstSlidePersistId;
    for (std::size_t i = 0; i < job.slides.size(); ++i) {
        const SlideContent* const* content = std::get_if<const SlideContent*>(&job.slides[i]);
        if (content == nullptr || *content == nullptr) {
            throw FormatError("slide " + std::to_string(i + 1) +
                              " refers to a source slide, but the presentation is blank");
        }
        plan.slides.push_back({*content,
                               persist++,
                               kFirstSlideId + static_cast<std::uint32_t>(i),
                               kFirstSlideDrawingId + static_cast<std::uint32_t>(i),
                               {}});
    }
    for (SlidePlan& slide : plan.slides) {
        for (const ControlObject& control : slide.content->controls) {
            slide.controls.push_back({&control, ++plan.control_count, persist++, slide.slide_id});
        }
    }
    plan.last_persist_id = persist - 1;
    return plan;
}

// Titles come from file names: a line break would end the title paragraph,
// so it becomes a break within the line.
std::u16string TitleText(const std::u16string& title) {
    std::u16string out = title;
    for (char16_t& c : out) {
        if (c == u'\r' || c == u'\n')
            c = u'\v';
    }
    return out;
}

void WriteColorScheme(RecordWriter& w) {
    const auto m = w.Begin(RT_ColorSchemeAtom, 1);
    // Background, text and lines, shadows, title text, fills, accent,
    // accent and hyperlink, accent and followed hyperlink.
    for (std::uint32_t rgb :
         {0xFFFFFFu, 0x000000u, 0x808080u, 0x000000u, 0x99CC00u, 0xCC3333u, 0xFFCCCCu, 0xB2B2B2u}) {
        w.U8(static_cast<std::uint8_t>(rgb >> 16));
        w.U8(static_cast<std::uint8_t>(rgb >> 8));
        w.U8(static_cast<std::uint8_t>(rgb));
        w.U8(0);
    }
    w.End(m);
}

void WriteSlideAtom(RecordWriter& w, std::uint32_t layout,
                    std::initializer_list<std::uint8_t> placeholders, std::uint32_t master_id,
                    std::uint16_t flags) {
    const auto m = w.Begin(RT_SlideAtom, 0, 2);
    w.U32(layout);
    std::size_t n = 0;
    for (std::uint8_t p : placeholders) {
        w.U8(p);
        ++n;
    }
    w.Zeros(8 - n);
    w.U32(master_id);
    w.U32(0);  // no notes slide
    w.U16(flags);
    w.U16(0);
    w.End(m);
}

std::vector<std::uint8_t> MainMaster(std::uint32_t& shapes) {
    RecordWriter w;
    const auto master = w.BeginContainer(RT_MainMaster);
    WriteSlideAtom(w, kSlideLayoutTitleBody,
                   {kPlaceholderMasterTitle, kPlaceholderMasterBody, kPlaceholderMasterDate,
                    kPlaceholderMasterFooter, kPlaceholderMasterSlideNumber},
                   0, 0);
    WriteMasterTextStyles(w);
    DrawingWriter drawing(w, kMainMasterDrawingId);
    drawing.Placeholder(ToUnits(kDefaultTitleRect), kPlaceholderMasterTitle, 0, kMasterTitleText,
                        kTextTypeTitle, std::nullopt);
    drawing.Placeholder(ToUnits({36.0f, 126.0f, 648.0f, 356.375f}), kPlaceholderMasterBody, 1,
                        kMasterBodyText, kTextTypeBody, std::nullopt);
    drawing.Placeholder(ToUnits({36.0f, 491.625f, 168.0f, 37.5f}), kPlaceholderMasterDate, 2,
                        std::nullopt, kTextTypeOther, std::nullopt);
    drawing.Placeholder(ToUnits({246.0f, 491.625f, 228.0f, 37.5f}), kPlaceholderMasterFooter, 3,
                        std::nullopt, kTextTypeOther, std::nullopt);
    drawing.Placeholder(ToUnits({516.0f, 491.625f, 168.0f, 37.5f}), kPlaceholderMasterSlideNumber,
                        4, std::nullopt, kTextTypeOther, std::nullopt);
    drawing.Finish(true);
    shapes = drawing.ShapeCount();
    WriteColorScheme(w);
    w.End(master);
    return w.Take();
}

std::vector<std::uint8_t> NotesMaster(std::uint32_t& shapes) {
    RecordWriter w;
    const auto notes = w.BeginContainer(RT_Notes);
    const auto atom = w.Begin(RT_NotesAtom, 0, 1);
    w.U32(0);  // the notes master belongs to no slide
    w.U16(0);
    w.U16(0);
    w.End(atom);
    DrawingWriter drawing(w, kNotesMasterDrawingId);
    drawing.Finish(true);
    shapes = drawing.ShapeCount();
    WriteColorScheme(w);
    w.End(notes);
    return w.Take();
}

std::vector<std::uint8_t> Slide(const SlidePlan& slide, std::uint32_t& shapes) {
    RecordWriter w;
    const auto container = w.BeginContainer(RT_Slide);
    WriteSlideAtom(w, kSlideLayoutTitleOnly, {kPlaceholderTitle}, kMainMasterId, kFollowMaster);
    DrawingWriter drawing(w, slide.drawing_id);
    // The title's text is the slide's first outline text in the slide list.
    drawing.Placeholder(ToUnits(slide.content->title_rect), kPlaceholderTitle, 0, std::nullopt,
                        kTextTypeTitle, 0u);
    for (const ControlPlan& control : slide.controls)
        drawing.Control(ToUnits(control.control->anchor), control.object_id);
    drawing.Finish(false);
    shapes = drawing.ShapeCount();
    WriteColorScheme(w);
    w.End(container);
    return w.Take();
}

std::vector<std::uint8_t> ControlStorageRecord(const ControlObject& control) {
    RecordWriter w;
    const auto m = w.Begin(RT_ExternalOleObjectStg, 1);
    w.Bytes(CompressedStorageBody(WriteCompoundFile(ControlStorage(control))));
    w.End(m);
    return w.Take();
}

void WriteExternalObjects(RecordWriter& w, const Plan& plan) {
    if (plan.control_count == 0)
        return;
    const auto list = w.BeginContainer(RT_ExternalObjectList);
    const auto atom = w.Begin(RT_ExternalObjectListAtom);
    w.U32(plan.control_count);  // seed: the largest identifier in use
    w.End(atom);
    for (const SlidePlan& slide : plan.slides) {
        for (const ControlPlan& control : slide.controls) {
            const auto container = w.BeginContainer(RT_ExternalOleControl);
            const auto control_atom = w.Begin(RT_ExternalOleControlAtom);
            w.U32(control.slide_id);
            w.End(control_atom);
            const auto ole = w.Begin(RT_ExternalOleObjectAtom, 0, 1);
            w.U32(1);  // draw the content
            w.U32(2);  // an ActiveX control
            w.U32(control.object_id);
            w.U32(0);  // no sub-type
            w.U32(control.storage_persist_id);
            w.U32(0);
            w.End(ole);
            w.CStringAtom(u"Control", 1);
            w.CStringAtom(control.control->prog_id, 2);
            w.CStringAtom(control.control->prog_id, 3);
            w.End(container);
        }
    }
    w.End(list);
}

struct DrawingCounts {
    std::vector<std::uint32_t> shapes;  // by drawing id - 1
};

void WriteDrawingGroup(RecordWriter& w, const DrawingCounts& counts) {
    const auto group = w.BeginContainer(RT_DrawingGroup);
    const auto dgg = w.BeginContainer(RT_OfficeArtDggContainer);
    const auto block = w.Begin(RT_OfficeArtFDGGBlock);
    std::uint32_t total = 0;
    std::uint32_t max_id = 0;
    for (std::size_t i = 0; i < counts.shapes.size(); ++i) {
        total += counts.shapes[i];
        max_id = FirstShapeId(static_cast<std::uint32_t>(i + 1)) + counts.shapes[i];
    }
    w.U32(max_id);  // one past the largest shape identifier in use
    w.U32(static_cast<std::uint32_t>(counts.shapes.size() + 1));
    w.U32(total);
    w.U32(static_cast<std::uint32_t>(counts.shapes.size()));
    // Drawing n owns identifier cluster n.
    for (std::size_t i = 0; i < counts.shapes.size(); ++i) {
        w.U32(static_cast<std::uint32_t>(i + 1));
        w.U32(counts.shapes[i]);
    }
    w.End(block);
    const auto colors = w.Begin(RT_OfficeArtSplitMenuColors, 4);
    for (std::uint32_t c : {0x0800000Du, 0x0800000Cu, 0x08000017u, 0x100000F7u})
        w.U32(c);
    w.End(colors);
    w.End(dgg);
    w.End(group);
}

void WriteSlideList(RecordWriter& w, const Plan& plan) {
    const auto masters = w.BeginContainer(RT_SlideListWithText, 1);
    const auto master = w.Begin(RT_SlidePersistAtom);
    w.U32(kMainMasterPersistId);
    w.U32(0);
    w.I32(0);
    w.U32(kMainMasterId);
    w.U32(0);
    w.End(master);
    w.End(masters);
    if (plan.slides.empty())
        return;

    const auto slides = w.BeginContainer(RT_SlideListWithText, 0);
    for (const SlidePlan& slide : plan.slides) {
        const auto atom = w.Begin(RT_SlidePersistAtom);
        w.U32(slide.persist_id);
        w.U32(slide.controls.empty() ? 0 : 0x4);  // holds more than placeholder text
        w.I32(1);                                 // one text placeholder: the title
        w.U32(slide.slide_id);
        w.U32(0);
        w.End(atom);
        const std::u16string text = TitleText(slide.content->title);
        const auto header = w.Begin(RT_TextHeaderAtom);
        w.U32(kTextTypeTitle);
        w.End(header);
        const auto chars = w.Begin(RT_TextCharsAtom);
        w.Utf16(text);
        w.End(chars);
        WritePlainStyleTextProp(w, text, false);
    }
    w.End(slides);
}

std::vector<std::uint8_t> Document(const Plan& plan, const DrawingCounts& counts) {
    RecordWriter w;
    const auto doc = w.BeginContainer(RT_Document);
    const auto atom = w.Begin(RT_DocumentAtom, 0, 1);
    w.I32(5760);  // slide: 720 x 540 points
    w.I32(4320);
    w.I32(4320);  // notes: 540 x 720 points
    w.I32(5760);
    w.I32(1);  // server zoom 1:2
    w.I32(2);
    w.U32(kNotesMasterPersistId);
    w.U32(0);  // no handout master
    w.U16(1);  // first slide number
    w.U16(0);  // on-screen show
    w.U8(0);   // no embedded fonts: only standard ones are used
    w.U8(0);
    w.U8(0);
    w.U8(1);  // show comments
    w.End(atom);
    WriteExternalObjects(w, plan);
    WriteEnvironment(w);
    WriteDrawingGroup(w, counts);
    WriteSlideList(w, plan);
    const auto end = w.Begin(RT_EndDocumentAtom);
    w.End(end);
    w.End(doc);
    return w.Take();
}

std::vector<std::uint8_t> CurrentUserStream(std::uint32_t offset_to_current_edit) {
    static const std::string kUser = "Zbn2PPT";
    RecordWriter w;
    const auto m = w.Begin(RT_CurrentUserAtom);
    w.U32(0x14);
    w.U32(0xE391C05F);  // not encrypted
    w.U32(offset_to_current_edit);
    w.U16(static_cast<std::uint16_t>(kUser.size()));
    w.U16(0x03F4);
    w.U8(3);
    w.U8(0);
    w.U16(0);
    for (char c : kUser)
        w.U8(static_cast<std::uint8_t>(c));
    w.U32(8);  // one main master
    for (char c : kUser)
        w.U16(static_cast<std::uint16_t>(c));
    w.End(m);
    return w.Take();
}

StorageEntry Stream(std::string name, std::vector<std::uint8_t> data) {
    StorageEntry e;
    e.name = std::move(name);
    e.data = std::move(data);
    return e;
}

std::vector<std::uint8_t> WriteBlank(const SaveJob& job) {
    const Plan plan = MakePlan(job);

    // Persist objects in persist id order, from id 1.
    std::vector<std::vector<std::uint8_t>> objects;
    DrawingCounts counts;
    counts.shapes.resize(2 + plan.slides.size());
    std::vector<std::uint8_t> master = MainMaster(counts.shapes[0]);
    std::vector<std::uint8_t> notes_master = NotesMaster(counts.shapes[1]);
    std::vector<std::vector<std::uint8_t>> slides;
    for (std::size_t i = 0; i < plan.slides.size(); ++i)
        slides.push_back(Slide(plan.slides[i], counts.shapes[2 + i]));
    objects.push_back(Document(plan, counts));
    objects.push_back(std::move(master));
    objects.push_back(std::move(notes_master));
    for (auto& s : slides)
        objects.push_back(std::move(s));
    for (const SlidePlan& slide : plan.slides) {
        for (const ControlPlan& control : slide.controls)
            objects.push_back(ControlStorageRecord(*control.control));
    }

    RecordWriter stream;
    std::vector<std::uint32_t> offsets;
    for (const auto& object : objects) {
        offsets.push_back(static_cast<std::uint32_t>(stream.Size()));
        stream.Bytes(object);
    }
    const auto directory_offset = static_cast<std::uint32_t>(stream.Size());
    const auto directory = stream.Begin(RT_PersistDirectoryAtom);
    for (std::size_t first = 0; first < offsets.size(); first += kMaxPersistRun) {
        const std::size_t run = std::min<std::size_t>(kMaxPersistRun, offsets.size() - first);
        stream.U32(static_cast<std::uint32_t>(first + 1) | (static_cast<std::uint32_t>(run) << 20));
        for (std::size_t i = 0; i < run; ++i)
            stream.U32(offsets[first + i]);
    }
    stream.End(directory);
    const auto edit_offset = static_cast<std::uint32_t>(stream.Size());
    const auto edit = stream.Begin(RT_UserEditAtom);
    stream.U32(plan.slides.empty() ? 0 : plan.slides.back().slide_id);  // last slide viewed
    stream.U16(0);
    stream.U8(0);
    stream.U8(3);
    stream.U32(0);  // no earlier edit
    stream.U32(directory_offset);
    stream.U32(kDocumentPersistId);
    stream.U32(plan.last_persist_id);
    stream.U16(1);  // slide view
    stream.U16(0);
    stream.End(edit);

    StorageEntry root;
    root.name = "Root Entry";
    root.is_storage = true;
    root.children.push_back(Stream("Current User", CurrentUserStream(edit_offset)));
    root.children.push_back(Stream("PowerPoint Document", stream.Take()));
    root.children.push_back(
        Stream("\x05SummaryInformation",
               SummaryInformationStream(plan.slides.empty() ? std::u16string()
                                                            : plan.slides.front().content->title)));
    root.children.push_back(
        Stream("\x05"
               "DocumentSummaryInformation",
               DocumentSummaryInformationStream(static_cast<std::int32_t>(plan.slides.size()))));
    return WriteCompoundFile(root);
}

}  // namespace

std::vector<std::uint8_t> WritePresentation(const SaveJob& job) {
    if (job.source != nullptr)
        return WriteOntoTemplate(job);
    return WriteBlank(job);
}

void SavePresentation(const SaveJob& job, const std::filesystem::path& target) {
    const std::vector<std::uint8_t> bytes = WritePresentation(job);
    WriteFileAtomically(target, bytes);
}

}  // namespace pptfile
