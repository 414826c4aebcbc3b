// Appends one user edit to an existing presentation. The edit holds a new
// version of the document (its slide list in the new show order, the object
// list and the drawing group grown by what is added), the new slides and the
// controls' storages, and a persist directory naming them; "Current User" is
// pointed at the edit. Every earlier byte of the document stream and every
// other stream and storage of the file stay exactly as they were.
#include "pptfile/template_writer.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "pptfile/compound_file.h"
#include "pptfile/edit_records.h"
#include "pptfile/errors.h"
#include "pptfile/presentation_parsed.h"
#include "pptfile/preview_picture.h"
#include "pptfile/property_sets.h"
#include "pptfile/record_reader.h"
#include "pptfile/record_types.h"
#include "pptfile/record_writer.h"
#include "pptfile/slide_parts.h"

namespace pptfile {
namespace {

constexpr char kDocumentStream[] = "PowerPoint Document";
constexpr char kCurrentUserStream[] = "Current User";
constexpr char kSummaryStream[] = "\x05SummaryInformation";
constexpr char kDocSummaryStream[] =
    "\x05"
    "DocumentSummaryInformation";

// Records of the object list not named elsewhere: the atoms that carry an
// object's identifier.
constexpr std::uint16_t RT_ExternalHyperlinkAtom = 0x0FD3;
constexpr std::uint16_t RT_ExternalMediaAtom = 0x1004;
constexpr std::uint16_t RT_RoundTripCustomTableStyles12Atom = 0x0428;

constexpr std::uint32_t kMaxPersistId = 0xFFFFE;
constexpr std::uint32_t kMaxSlideId = 0x7FFFFFFE;
constexpr std::uint32_t kMaxDrawingId = 0xFFE;
constexpr std::uint32_t kClusterSize = 1024;
constexpr std::uint32_t kSpidLimit = 0x03FFD7FF;  // shape identifiers stay below
constexpr std::uint32_t kClusterFull = 0x400;

// --- what the source holds ----------------------------------------------------

// The bytes of a whole record (header and body) found in `within`.
Bytes Whole(const Record& r, Bytes within) {
    return within.subspan(r.offset, kRecordHeaderSize + r.body.size());
}

std::vector<Record> Children(Bytes body) {
    std::vector<Record> out;
    RecordCursor cursor(body);
    while (auto r = cursor.Next()) {
        out.push_back(*r);
    }
    return out;
}

std::optional<std::uint32_t> U32At(Bytes body, std::size_t at) {
    if (body.size() < at + 4) {
        return std::nullopt;
    }
    FieldReader f(body.subspan(at), "a record");
    return f.U32();
}

// Where each child of the document belongs in its fixed order; a child that
// is missing is inserted before the first one that comes later.
int DocumentRank(const Record& r) {
    switch (r.type()) {
        case RT_DocumentAtom:
            return 0;
        case RT_ExternalObjectList:
            return 1;
        case RT_Environment:
            return 2;
        case RT_SoundCollection:
            return 3;
        case RT_DrawingGroup:
            return 4;
        case RT_SlideListWithText:
            return r.instance() == 1 ? 5 : r.instance() == 0 ? 9 : 10;
        case RT_List:
            return 6;
        case RT_HeadersFooters:
            return r.instance() == 3 ? 7 : 8;
        case RT_SlideShowDocInfoAtom:
            return 11;
        case RT_NamedShows:
            return 12;
        case RT_Summary:
            return 13;
        case RT_DocRoutingSlipAtom:
            return 14;
        case RT_PrintOptionsAtom:
            return 15;
        case RT_RoundTripCustomTableStyles12Atom:
            return 16;
        case RT_EndDocumentAtom:
            return 17;
        default:
            return -1;
    }
}
constexpr int kRankObjectList = 1;
constexpr int kRankDrawingGroup = 4;
constexpr int kRankSlideList = 9;

// The drawing group's record of clusters and counts.
struct DrawingGroupBlock {
    std::uint32_t spid_max = 0;
    std::uint32_t shapes_saved = 0;
    std::uint32_t drawings_saved = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> clusters;  // drawing id, shapes used
};

std::optional<DrawingGroupBlock> ReadDrawingGroupBlock(Bytes drawing_group_body) {
    const auto dgg = FindChild(drawing_group_body, RT_OfficeArtDggContainer);
    if (!dgg) {
        return std::nullopt;
    }
    const auto block = FindChild(dgg->body, RT_OfficeArtFDGGBlock);
    if (!block || block->body.size() < 16) {
        return std::nullopt;
    }
    FieldReader f(block->body, "the drawing group");
    DrawingGroupBlock b;
    b.spid_max = f.U32();
    const std::uint32_t cidcl = f.U32();
    b.shapes_saved = f.U32();
    b.drawings_saved = f.U32();
    // Only the clusters both counted and present are kept.
    const std::size_t listed = cidcl == 0 ? 0 : cidcl - 1;
    const std::size_t present = f.Remaining() / 8;
    for (std::size_t i = 0; i < std::min(listed, present); ++i) {
        const std::uint32_t dgid = f.U32();
        b.clusters.emplace_back(dgid, f.U32());
    }
    return b;
}

// The highest drawing and shape identifiers the live slides, masters and notes
// use: the drawing group's counts may lag behind them in files other programs
// wrote.
struct DrawingsInUse {
    std::uint32_t max_drawing_id = 0;
    std::uint32_t max_shape_id = 0;
};

DrawingsInUse ScanDrawings(const SourcePresentation::Parsed& p, Bytes doc) {
    DrawingsInUse used;
    // Many persist ids may name one large record: each record is read once.
    std::set<std::uint32_t> offsets;
    for (const auto& [id, offset] : p.persist_directory) {
        offsets.insert(offset);
    }
    for (const std::uint32_t offset : offsets) {
        const auto r = TryReadRecord(doc, offset);
        if (!r || (r->type() != RT_Slide && r->type() != RT_MainMaster && r->type() != RT_Notes &&
                   r->type() != RT_Handout)) {
            continue;
        }
        try {
            const auto drawing = FindChild(r->body, RT_Drawing);
            if (!drawing) {
                continue;
            }
            const auto dg = FindChild(drawing->body, RT_OfficeArtDgContainer);
            if (!dg) {
                continue;
            }
            const auto fdg = FindChild(dg->body, RT_OfficeArtFDG);
            if (!fdg || fdg->body.size() < 8) {
                continue;
            }
            used.max_drawing_id = std::max<std::uint32_t>(used.max_drawing_id, fdg->instance());
            used.max_shape_id = std::max(used.max_shape_id, *U32At(fdg->body, 4));
        } catch (const FormatError&) {
            // An object this program never reads may be damaged; the
            // identifiers it would use are covered by the drawing group's.
        }
    }
    return used;
}

// The largest object identifier the object list uses or has handed out.
std::uint32_t MaxObjectId(Bytes list_body) {
    std::uint32_t max_id = 0;
    for (const Record& child : Children(list_body)) {
        if (child.type() == RT_ExternalObjectListAtom) {
            max_id = std::max(max_id, U32At(child.body, 0).value_or(0));
            continue;
        }
        if (!child.IsContainer()) {
            continue;
        }
        std::vector<Record> atoms;
        try {
            atoms = Children(child.body);
        } catch (const FormatError&) {
            continue;  // the seed covers what a damaged entry would name
        }
        for (const Record& atom : atoms) {
            std::optional<std::uint32_t> id;
            if (atom.type() == RT_ExternalOleObjectAtom) {
                id = U32At(atom.body, 8);
            } else if (atom.type() == RT_ExternalHyperlinkAtom ||
                       atom.type() == RT_ExternalMediaAtom) {
                id = U32At(atom.body, 0);
            }
            max_id = std::max(max_id, id.value_or(0));
        }
    }
    return max_id;
}

// The entries of the drawing group's BLIP store, the first one it has.
std::size_t BlipStoreEntries(Bytes drawing_group_body) {
    const auto dgg = FindChild(drawing_group_body, RT_OfficeArtDggContainer);
    if (!dgg) {
        return 0;
    }
    const auto store = FindChild(dgg->body, RT_OfficeArtBStoreContainer);
    if (!store) {
        return 0;
    }
    try {
        return Children(store->body).size();
    } catch (const FormatError&) {
        // Copied as it is; its own count is the best guess at what it holds.
        return store->instance();
    }
}

// A slide list's entries: each SlidePersistAtom with the text records that
// follow it, as bytes.
struct SlideListGroups {
    std::vector<std::uint8_t> leading;  // records before the first entry
    std::vector<std::vector<std::uint8_t>> entries;
    std::uint32_t max_id = 0;  // of the slides or notes listed
};

SlideListGroups SplitSlideList(Bytes body) {
    SlideListGroups groups;
    for (const Record& r : Children(body)) {
        const Bytes whole = Whole(r, body);
        if (r.type() == RT_SlidePersistAtom) {
            groups.entries.emplace_back();
            groups.max_id = std::max(groups.max_id, U32At(r.body, 12).value_or(0));
        }
        auto& target = groups.entries.empty() ? groups.leading : groups.entries.back();
        target.insert(target.end(), whole.begin(), whole.end());
    }
    return groups;
}

// --- what is added ------------------------------------------------------------

struct NewSlide {
    const SlideContent* content;
    std::uint32_t persist_id;
    std::uint32_t slide_id;
    std::uint32_t drawing_id;
    std::uint32_t first_shape_id;
    std::uint32_t shapes = 0;
    std::vector<PlacedControl> controls;
    std::vector<std::uint8_t> container;
};

void WriteSlideContainer(NewSlide& slide, std::uint32_t master_id,
                         std::optional<Bytes> master_scheme) {
    RecordWriter w;
    // The slide follows the master's colours, so it carries the master's
    // scheme as its own.
    slide.shapes = WriteTitleOnlySlide(w, *slide.content, slide.controls, master_id,
                                       {slide.drawing_id, slide.first_shape_id}, master_scheme);
    slide.container = w.Take();
}

// --- the writer ---------------------------------------------------------------

class TemplateWriter {
  public:
    explicit TemplateWriter(const SaveJob& job)
        : job_(job), p_(job.source->parsed()), doc_(p_.DocumentStream()) {}

    StorageEntry Write() {
        CheckSlots();
        const Record document = ReadRecord(doc_, p_.document_offset, "the document record");
        document_children_ = Children(document.body);
        document_body_ = document.body;
        PlanNewSlides();
        for (NewSlide& slide : new_slides_) {
            const ListedSlide& master = MasterOf(*slide.content);
            WriteSlideContainer(slide, master.slide_id, MasterScheme(master));
        }
        return Assemble(NewDocument());
    }

  private:
    void CheckSlots() {
        std::set<std::size_t> used;
        for (std::size_t i = 0; i < job_.slides.size(); ++i) {
            const SlideSlot& slot = job_.slides[i];
            if (const auto* index = std::get_if<std::size_t>(&slot)) {
                if (*index >= p_.slides.size()) {
                    throw FormatError("slide " + std::to_string(i + 1) +
                                      " refers to a source slide that does not exist");
                }
                if (!used.insert(*index).second) {
                    throw FormatError("slide " + std::to_string(i + 1) +
                                      " repeats a source slide listed before it");
                }
            } else if (std::get<const SlideContent*>(slot) == nullptr) {
                throw FormatError("slide " + std::to_string(i + 1) + " has no content");
            } else if (p_.main_masters.empty()) {
                throw FormatError("the template has no slide master to base a new slide on");
            } else if (const std::uint32_t master = std::get<const SlideContent*>(slot)->master_id;
                       master != 0 && p_.FindMainMaster(master) == nullptr) {
                throw FormatError("slide " + std::to_string(i + 1) +
                                  " follows a slide master the template does not have");
            }
        }
    }

    const Record* DocumentChild(std::uint16_t type, std::optional<std::uint16_t> instance = {}) {
        for (const Record& r : document_children_) {
            if (r.type() == type && (!instance || r.instance() == *instance)) {
                return &r;
            }
        }
        return nullptr;
    }

    std::uint32_t NextPersistId() {
        if (next_persist_id_ > kMaxPersistId) {
            throw FormatError("the template has no persist identifiers left for new slides");
        }
        return static_cast<std::uint32_t>(next_persist_id_++);
    }

    // Identifiers are counted in 64 bits, so one past the largest a file
    // may hold is still past it and never wraps to a small one in use.
    void PlanNewSlides() {
        next_persist_id_ = std::uint64_t{p_.max_persist_id} + 1;

        std::uint32_t max_slide_id = std::max(p_.max_slide_id, kFirstSlideId - 1);
        if (const Record* notes = DocumentChild(RT_SlideListWithText, 2)) {
            // Notes are numbered like slides; keep new slides clear of them.
            try {
                max_slide_id = std::max(max_slide_id, SplitSlideList(notes->body).max_id);
            } catch (const FormatError&) {
                // A damaged notes list: nothing to keep clear of that can be read.
            }
        }

        std::uint32_t next_object_id = 1;
        if (const Record* list = DocumentChild(RT_ExternalObjectList)) {
            const std::uint32_t max_id = MaxObjectId(list->body);
            if (max_id == std::numeric_limits<std::uint32_t>::max()) {
                throw FormatError("the template has no object identifiers left for controls");
            }
            next_object_id = max_id + 1;
        }

        // Drawing and shape identifiers: past everything the drawing group
        // records and every drawing in use holds.
        std::size_t blips = 0;
        if (const Record* group = DocumentChild(RT_DrawingGroup)) {
            dgg_ = ReadDrawingGroupBlock(group->body);
            blips = BlipStoreEntries(group->body);
        }
        // The controls' pictures join those of the template.
        const StorageEntry* pictures = p_.root.Find(kPicturesStream);
        pictures_ = PictureStore(pictures != nullptr ? pictures->data.size() : 0, blips);
        const DrawingsInUse in_use = ScanDrawings(p_, doc_);
        std::uint32_t max_drawing_id = in_use.max_drawing_id;
        std::uint64_t used_clusters = in_use.max_shape_id / kClusterSize;
        if (dgg_) {
            max_drawing_id = std::max(max_drawing_id, dgg_->drawings_saved);
            for (const auto& [dgid, count] : dgg_->clusters) {
                max_drawing_id = std::max(max_drawing_id, dgid);
            }
            used_clusters = std::max<std::uint64_t>(used_clusters, dgg_->clusters.size());
            used_clusters = std::max<std::uint64_t>(used_clusters, dgg_->spid_max / kClusterSize);
        }
        // Cluster n holds shape identifiers n * 1024 to n * 1024 + 1023; the
        // drawing group lists clusters from 1 on.
        std::uint64_t next_cluster = used_clusters + 1;
        std::uint64_t next_drawing_id = std::uint64_t{max_drawing_id} + 1;

        for (const SlideSlot& slot : job_.slides) {
            const auto* content = std::get_if<const SlideContent*>(&slot);
            if (content == nullptr) {
                continue;
            }
            if (max_slide_id >= kMaxSlideId) {
                throw FormatError("the template has no slide identifiers left for new slides");
            }
            if (next_drawing_id > kMaxDrawingId) {
                throw FormatError("the template has no drawing identifiers left for new slides");
            }
            if ((next_cluster + 1) * kClusterSize >= kSpidLimit) {
                throw FormatError("the template has no shape identifiers left for new slides");
            }
            NewSlide slide{*content,
                           NextPersistId(),
                           ++max_slide_id,
                           static_cast<std::uint32_t>(next_drawing_id++),
                           static_cast<std::uint32_t>(next_cluster * kClusterSize),
                           0,
                           {},
                           {}};
            slide_clusters_.push_back(next_cluster++);
            new_slides_.push_back(std::move(slide));
        }
        for (NewSlide& slide : new_slides_) {
            for (const ControlObject& control : slide.content->controls) {
                if (next_object_id == 0) {
                    throw FormatError("the template has no object identifiers left for controls");
                }
                slide.controls.push_back(
                    {&control, next_object_id++, NextPersistId(), pictures_.AddPreview(control)});
                max_object_id_ = slide.controls.back().object_id;
            }
        }
    }

    // The main master a new slide follows; CheckSlots made sure there is one.
    const ListedSlide& MasterOf(const SlideContent& content) const {
        if (content.master_id == 0) {
            return p_.main_masters.front().listed;
        }
        return p_.FindMainMaster(content.master_id)->listed;
    }

    // A main master's own colour scheme, for slides that follow it.
    std::optional<Bytes> MasterScheme(const ListedSlide& main_master) const {
        const auto master = TryReadRecord(doc_, main_master.offset);
        if (!master || master->type() != RT_MainMaster) {
            return std::nullopt;
        }
        try {
            const auto scheme = FindChild(master->body, RT_ColorSchemeAtom, 1);
            if (scheme && scheme->body.size() == 32) {
                return Whole(*scheme, master->body);
            }
        } catch (const FormatError&) {
        }
        return std::nullopt;
    }

    std::uint32_t LastSlideId() const {
        if (job_.slides.empty()) {
            return 0;
        }
        const SlideSlot& last = job_.slides.back();
        if (const auto* index = std::get_if<std::size_t>(&last)) {
            return p_.slides[*index].slide_id;
        }
        return new_slides_.back().slide_id;
    }

    bool AddsControls() const { return max_object_id_ != 0; }

    void WriteObjectList(RecordWriter& w, const Record* existing) const {
        std::vector<Record> children;
        if (existing != nullptr) {
            children = Children(existing->body);
        }
        const auto is_atom = [](const Record& r) { return r.type() == RT_ExternalObjectListAtom; };
        const bool has_atom = std::any_of(children.begin(), children.end(), is_atom);
        const auto write_seed = [&](std::uint32_t old_seed) {
            const auto atom = w.Begin(RT_ExternalObjectListAtom);
            w.U32(std::max(old_seed, max_object_id_));
            w.End(atom);
        };
        const auto list = w.BeginContainer(RT_ExternalObjectList);
        // The atom comes first; a list without one gets it in front.
        if (!has_atom) {
            write_seed(0);
        }
        bool seeded = false;
        for (const Record& child : children) {
            if (is_atom(child) && !seeded) {
                write_seed(U32At(child.body, 0).value_or(0));
                seeded = true;
            } else {
                w.Bytes(Whole(child, existing->body));
            }
        }
        for (const NewSlide& slide : new_slides_) {
            for (const PlacedControl& control : slide.controls) {
                WriteControlEntry(w, control, slide.slide_id);
            }
        }
        w.End(list);
    }

    void WriteBlock(RecordWriter& w) const {
        DrawingGroupBlock b = dgg_.value_or(DrawingGroupBlock{});
        std::vector<std::pair<std::uint32_t, std::uint32_t>> clusters = b.clusters;
        for (std::size_t i = 0; i < new_slides_.size(); ++i) {
            const NewSlide& slide = new_slides_[i];
            // Clusters nobody listed but whose identifiers are in use go to
            // the new drawing, marked full, so no shape is numbered twice.
            while (clusters.size() + 1 < slide_clusters_[i]) {
                clusters.emplace_back(slide.drawing_id, kClusterFull);
            }
            clusters.emplace_back(slide.drawing_id, slide.shapes);
            b.spid_max = std::max(b.spid_max, slide.first_shape_id + slide.shapes);
            b.shapes_saved += slide.shapes;
            b.drawings_saved += 1;
        }
        const auto block = w.Begin(RT_OfficeArtFDGGBlock);
        w.U32(b.spid_max);
        w.U32(static_cast<std::uint32_t>(clusters.size() + 1));
        w.U32(b.shapes_saved);
        w.U32(b.drawings_saved);
        for (const auto& [dgid, count] : clusters) {
            w.U32(dgid);
            w.U32(count);
        }
        w.End(block);
    }

    // The BLIP store with the new pictures after the entries it had.
    void WriteBlipStore(RecordWriter& w, const Record* existing) const {
        if (existing == nullptr && pictures_.empty()) {
            return;
        }
        const auto store = w.BeginContainer(RT_OfficeArtBStoreContainer,
                                            static_cast<std::uint16_t>(pictures_.EntryCount()));
        if (existing != nullptr) {
            w.Bytes(existing->body);
        }
        pictures_.WriteEntries(w);
        w.End(store);
    }

    void WriteDrawingGroup(RecordWriter& w, const Record* existing) const {
        const auto group = w.BeginContainer(RT_DrawingGroup);
        bool wrote_dgg = false;
        if (existing != nullptr) {
            for (const Record& child : Children(existing->body)) {
                if (child.type() != RT_OfficeArtDggContainer || wrote_dgg) {
                    w.Bytes(Whole(child, existing->body));
                    continue;
                }
                wrote_dgg = true;
                const auto dgg =
                    w.Begin(RT_OfficeArtDggContainer, child.instance(), child.header.version);
                // The block is the container's first record, the BLIP store
                // follows it.
                WriteBlock(w);
                const std::vector<Record> parts = Children(child.body);
                const auto is_store = [](const Record& r) {
                    return r.type() == RT_OfficeArtBStoreContainer;
                };
                const auto store = std::find_if(parts.begin(), parts.end(), is_store);
                if (store == parts.end()) {
                    WriteBlipStore(w, nullptr);
                }
                for (const Record& part : parts) {
                    if (store != parts.end() && &part == &*store) {
                        WriteBlipStore(w, &part);
                    } else if (part.type() != RT_OfficeArtFDGGBlock) {
                        w.Bytes(Whole(part, child.body));
                    }
                }
                w.End(dgg);
            }
        }
        if (!wrote_dgg) {
            const auto dgg = w.BeginContainer(RT_OfficeArtDggContainer);
            WriteBlock(w);
            WriteBlipStore(w, nullptr);
            w.End(dgg);
        }
        w.End(group);
    }

    void WriteSlideList(RecordWriter& w, const Record* existing) const {
        SlideListGroups groups;
        if (existing != nullptr) {
            groups = SplitSlideList(existing->body);
        }
        // The reader listed the source's slides from these same entries.
        if (groups.entries.size() != p_.slides.size()) {
            throw FormatError("the template's slide list does not match its slides");
        }
        const auto list = w.BeginContainer(RT_SlideListWithText, 0);
        w.Bytes(groups.leading);
        std::size_t next_new = 0;
        for (const SlideSlot& slot : job_.slides) {
            if (const auto* index = std::get_if<std::size_t>(&slot)) {
                w.Bytes(groups.entries[*index]);
            } else {
                const NewSlide& slide = new_slides_[next_new++];
                WriteSlideListEntry(w, *slide.content, slide.persist_id, slide.slide_id);
            }
        }
        w.End(list);
    }

    std::vector<std::uint8_t> NewDocument() {
        const Record* object_list = DocumentChild(RT_ExternalObjectList);
        const Record* drawing_group = DocumentChild(RT_DrawingGroup);
        const Record* slide_list = DocumentChild(RT_SlideListWithText, 0);
        bool need_object_list = object_list == nullptr && AddsControls();
        bool need_drawing_group = drawing_group == nullptr && !new_slides_.empty();
        bool need_slide_list = slide_list == nullptr && !job_.slides.empty();

        RecordWriter w;
        const auto doc = w.BeginContainer(RT_Document);
        const auto insert_missing = [&](int before_rank) {
            if (need_object_list && kRankObjectList < before_rank) {
                WriteObjectList(w, nullptr);
                need_object_list = false;
            }
            if (need_drawing_group && kRankDrawingGroup < before_rank) {
                WriteDrawingGroup(w, nullptr);
                need_drawing_group = false;
            }
            if (need_slide_list && kRankSlideList < before_rank) {
                WriteSlideList(w, nullptr);
                need_slide_list = false;
            }
        };
        for (const Record& child : document_children_) {
            const int rank = DocumentRank(child);
            if (rank >= 0) {
                insert_missing(rank);
            }
            if (&child == object_list && AddsControls()) {
                WriteObjectList(w, object_list);
            } else if (&child == drawing_group && !new_slides_.empty()) {
                WriteDrawingGroup(w, drawing_group);
            } else if (&child == slide_list) {
                WriteSlideList(w, slide_list);
            } else {
                w.Bytes(Whole(child, document_body_));
            }
        }
        insert_missing(std::numeric_limits<int>::max());
        w.End(doc);
        return w.Take();
    }

    std::vector<std::uint8_t> CurrentUser(std::uint32_t edit_offset) const {
        const StorageEntry* existing = p_.root.Find(kCurrentUserStream);
        if (p_.current_user_valid && existing != nullptr) {
            // The last user's name and the versions stay; only where the
            // current edit is changes.
            std::vector<std::uint8_t> out = existing->data;
            for (int i = 0; i < 4; ++i) {
                out[16 + static_cast<std::size_t>(i)] =
                    static_cast<std::uint8_t>(edit_offset >> (8 * i));
            }
            return out;
        }
        return CurrentUserStream(edit_offset);
    }

    // What a save changes in the document properties: when and by what the
    // file was last saved, and how many slides it has. A property stream
    // that cannot be read is kept as it is.
    void UpdateDocumentProperties(StorageEntry& root) const {
        StorageEntry* summary = root.Find(kSummaryStream);
        if (summary != nullptr && !summary->is_storage) {
            if (auto resaved =
                    ResavedSummaryInformation(summary->data, ToFileTime(job_.saved_at))) {
                summary->data = std::move(*resaved);
            }
        }
        StorageEntry* doc_summary = root.Find(kDocSummaryStream);
        if (doc_summary != nullptr && !doc_summary->is_storage) {
            if (auto resaved = ResavedDocumentSummaryInformation(
                    doc_summary->data, static_cast<std::int32_t>(job_.slides.size()))) {
                doc_summary->data = std::move(*resaved);
            }
        }
    }

    StorageEntry Assemble(std::vector<std::uint8_t> document) {
        // The new records are written apart and follow the old bytes, which
        // are written out from the template as they are: the old stream can
        // be most of a large template.
        RecordWriter added;
        const std::size_t old_size = doc_.size();
        const auto size = [&] { return old_size + added.Size(); };
        std::map<std::uint32_t, std::uint32_t> directory;
        // A source whose chain of edits was broken gets a directory naming
        // every live object, so the new edit stands on its own and no reader
        // has to follow the broken links.
        if (p_.recovered) {
            directory = p_.persist_directory;
        }
        const auto append = [&](std::uint32_t persist_id, const std::vector<std::uint8_t>& bytes) {
            if (size() > std::numeric_limits<std::uint32_t>::max() - bytes.size()) {
                throw FormatError("the presentation is too large to save");
            }
            directory[persist_id] = static_cast<std::uint32_t>(size());
            added.Bytes(bytes);
        };
        append(p_.last_edit.doc_persist_id, document);
        for (const NewSlide& slide : new_slides_) {
            append(slide.persist_id, slide.container);
        }
        for (const NewSlide& slide : new_slides_) {
            for (const PlacedControl& control : slide.controls) {
                append(control.storage_persist_id, ControlStorageRecord(control));
            }
        }

        if (size() >
            std::numeric_limits<std::uint32_t>::max() - 0x100000u - 8 * (directory.size() + 1)) {
            throw FormatError("the presentation is too large to save");
        }
        const auto directory_offset = static_cast<std::uint32_t>(size());
        WritePersistDirectory(added, directory);

        std::uint32_t seed = p_.max_persist_id;
        if (!directory.empty()) {
            seed = std::max(seed, directory.rbegin()->first);
        }
        const auto edit_offset = static_cast<std::uint32_t>(size());
        UserEdit edit;
        edit.last_slide_viewed = LastSlideId();
        edit.previous_edit_offset =
            p_.recovered ? 0 : static_cast<std::uint32_t>(p_.last_edit.offset);
        edit.directory_offset = directory_offset;
        edit.document_persist_id = p_.last_edit.doc_persist_id;
        edit.max_persist_id = seed;
        edit.last_view = p_.last_edit.last_view;
        WriteUserEdit(added, edit);

        // Every entry is copied as it is but the document stream, which
        // takes its old bytes from the template.
        const StorageEntry* old_document = p_.root.Find(kDocumentStream);
        StorageEntry root;
        root.name = p_.root.name;
        root.is_storage = true;
        root.clsid = p_.root.clsid;
        root.children.reserve(p_.root.children.size() + 1);
        for (const StorageEntry& child : p_.root.children) {
            if (&child != old_document) {
                root.children.push_back(child);
                continue;
            }
            StorageEntry new_stream;
            new_stream.name = child.name;
            new_stream.head = doc_;
            new_stream.data = added.Take();
            root.children.push_back(std::move(new_stream));
        }
        UpdateDocumentProperties(root);
        if (!pictures_.empty()) {
            StorageEntry* pictures = root.Find(kPicturesStream);
            if (pictures != nullptr && pictures->is_storage) {
                throw FormatError("the template's \"Pictures\" entry is not a stream of pictures");
            }
            if (pictures == nullptr) {
                pictures = &root.children.emplace_back();
                pictures->name = kPicturesStream;
            }
            pictures->data.insert(pictures->data.end(), pictures_.Blips().begin(),
                                  pictures_.Blips().end());
        }
        std::vector<std::uint8_t> current_user = CurrentUser(edit_offset);
        if (StorageEntry* e = root.Find(kCurrentUserStream)) {
            e->is_storage = false;
            e->children.clear();
            e->data = std::move(current_user);
        } else {
            StorageEntry fresh;
            fresh.name = kCurrentUserStream;
            fresh.data = std::move(current_user);
            root.children.push_back(std::move(fresh));
        }
        return root;
    }

    const SaveJob& job_;
    const SourcePresentation::Parsed& p_;
    Bytes doc_;
    Bytes document_body_;
    std::vector<Record> document_children_;
    std::optional<DrawingGroupBlock> dgg_;
    std::vector<std::uint64_t> slide_clusters_;
    std::vector<NewSlide> new_slides_;
    std::uint64_t next_persist_id_ = 0;
    std::uint32_t max_object_id_ = 0;
    PictureStore pictures_{0, 0};
};

}  // namespace

StorageEntry WriteOntoTemplate(const SaveJob& job) {
    if (job.source == nullptr) {
        throw FormatError("no source presentation to save onto");
    }
    return TemplateWriter(job).Write();
}

}  // namespace pptfile
