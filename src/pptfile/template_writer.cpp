// Appends one user edit to an existing presentation: a new document, the new slides,
// their controls' storages and a persist directory. Every earlier byte stays as it was.
#include "pptfile/template_writer.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "pptfile/compound_file.h"
#include "pptfile/drawing_writer.h"
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

constexpr std::uint32_t kMaxPersistId = 0xFFFFE;
constexpr std::uint32_t kMaxSlideId = 0x7FFFFFFE;
constexpr std::uint32_t kMaxDrawingId = 0xFFE;
constexpr std::uint32_t kClusterSize = 1024;
constexpr std::uint32_t kSpidLimit = 0x03FFD7FF;  // shape identifiers stay below
constexpr std::uint32_t kClusterFull = 0x400;

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

// Where each child of the document belongs; a missing one goes before the next.
int DocumentRank(const Record& r) {
    constexpr std::pair<std::uint16_t, int> kRanks[] = {{RT_DocumentAtom, 0},
                                                        {RT_ExternalObjectList, 1},
                                                        {RT_Environment, 2},
                                                        {RT_SoundCollection, 3},
                                                        {RT_DrawingGroup, 4},
                                                        {RT_List, 6},
                                                        {RT_SlideShowDocInfoAtom, 11},
                                                        {RT_NamedShows, 12},
                                                        {RT_Summary, 13},
                                                        {RT_DocRoutingSlipAtom, 14},
                                                        {RT_PrintOptionsAtom, 15},
                                                        {RT_RoundTripCustomTableStyles12Atom, 16},
                                                        {RT_EndDocumentAtom, 17}};
    if (r.type() == RT_SlideListWithText) {
        return r.instance() == 1 ? 5 : r.instance() == 0 ? 9 : 10;
    }
    if (r.type() == RT_HeadersFooters) {
        return r.instance() == 3 ? 7 : 8;
    }
    const auto it = std::find_if(std::begin(kRanks), std::end(kRanks),
                                 [&](const auto& rank) { return rank.first == r.type(); });
    return it != std::end(kRanks) ? it->second : -1;
}
constexpr int kRankObjectList = 1;
constexpr int kRankDrawingGroup = 4;
constexpr int kRankSlideList = 9;

std::optional<DrawingGroupBlock> ReadDrawingGroupBlock(Bytes drawing_group_body) {
    const auto dgg = FindChild(drawing_group_body, RT_OfficeArtDggContainer);
    const auto block = dgg ? FindChild(dgg->body, RT_OfficeArtFDGGBlock) : std::nullopt;
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

// The entries of the drawing group's BLIP store, the first one it has.
std::size_t BlipStoreEntries(Bytes drawing_group_body) {
    const auto dgg = FindChild(drawing_group_body, RT_OfficeArtDggContainer);
    const auto store = dgg ? FindChild(dgg->body, RT_OfficeArtBStoreContainer) : std::nullopt;
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

// The document's children, the ones rewritten, and the identifiers of what is added.
struct Plan {
    Bytes document_body;
    std::vector<Record> children;
    const Record* object_list = nullptr;
    const Record* drawing_group = nullptr;
    const Record* slide_list = nullptr;
    std::optional<DrawingGroupBlock> dgg;
    std::vector<NewSlide> new_slides;
    std::uint32_t max_object_id = 0;  // of the controls added, 0 for none
    PictureStore pictures{0, 0};
};

void CheckSlots(const SaveJob& job, const SourcePresentation::Parsed& p) {
    std::set<std::size_t> used;
    for (std::size_t i = 0; i < job.slides.size(); ++i) {
        const std::string slide = "slide " + std::to_string(i + 1);
        if (const auto* index = std::get_if<std::size_t>(&job.slides[i])) {
            if (*index >= p.slides.size()) {
                throw FormatError(slide + " refers to a source slide that does not exist");
            }
            if (!used.insert(*index).second) {
                throw FormatError(slide + " repeats a source slide listed before it");
            }
        } else if (std::get<const SlideContent*>(job.slides[i]) == nullptr) {
            throw FormatError(slide + " has no content");
        } else if (p.main_masters.empty()) {
            throw FormatError("the template has no slide master to base a new slide on");
        } else if (const std::uint32_t master =
                       std::get<const SlideContent*>(job.slides[i])->master_id;
                   master != 0 && p.FindMainMaster(master) == nullptr) {
            throw FormatError(slide + " follows a slide master the template does not have");
        }
    }
}

const Record* FindRecord(const std::vector<Record>& records, std::uint16_t type,
                         std::optional<std::uint16_t> instance = {}) {
    for (const Record& r : records) {
        if (r.type() == type && (!instance || r.instance() == *instance)) {
            return &r;
        }
    }
    return nullptr;
}

// Counted in 64 bits: one past the largest a file may hold never wraps.
void PlanNewSlides(const SaveJob& job, const SourcePresentation::Parsed& p, Plan& plan) {
    std::uint64_t next_persist_id = std::uint64_t{p.max_persist_id} + 1;
    const auto persist_id = [&] {
        if (next_persist_id > kMaxPersistId) {
            throw FormatError("the template has no persist identifiers left for new slides");
        }
        return static_cast<std::uint32_t>(next_persist_id++);
    };
    std::uint32_t max_slide_id = std::max(p.max_slide_id, kFirstSlideId - 1);
    if (p.max_object_id == std::numeric_limits<std::uint32_t>::max()) {
        throw FormatError("the template has no object identifiers left for controls");
    }
    std::uint32_t next_object_id = p.max_object_id + 1;

    // Drawing and shape identifiers: past everything the drawing group
    // records and every drawing in use holds.
    std::uint32_t max_drawing_id = p.max_drawing_id;
    std::uint64_t used_clusters = p.max_shape_id / kClusterSize;
    if (plan.dgg) {
        max_drawing_id = std::max(max_drawing_id, plan.dgg->drawings_saved);
        for (const auto& [dgid, count] : plan.dgg->clusters) {
            max_drawing_id = std::max(max_drawing_id, dgid);
        }
        used_clusters = std::max<std::uint64_t>(used_clusters, plan.dgg->clusters.size());
        used_clusters = std::max<std::uint64_t>(used_clusters, plan.dgg->spid_max / kClusterSize);
    }
    // Cluster n holds shape identifiers n * 1024 to n * 1024 + 1023; the
    // drawing group lists clusters from 1 on.
    std::uint64_t next_cluster = used_clusters + 1;
    std::uint64_t next_drawing_id = std::uint64_t{max_drawing_id} + 1;

    for (const SlideSlot& slot : job.slides) {
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
        plan.new_slides.push_back({*content,
                                   persist_id(),
                                   ++max_slide_id,
                                   static_cast<std::uint32_t>(next_drawing_id++),
                                   next_cluster++,
                                   {}});
    }
    for (NewSlide& slide : plan.new_slides) {
        for (const ControlObject& control : slide.content->controls) {
            if (next_object_id == 0) {
                throw FormatError("the template has no object identifiers left for controls");
            }
            slide.controls.push_back(
                {&control, next_object_id++, persist_id(), plan.pictures.AddPreview(control)});
            plan.max_object_id = slide.controls.back().object_id;
        }
    }
}

Plan MakePlan(const SaveJob& job) {
    const SourcePresentation::Parsed& p = job.source->parsed();
    CheckSlots(job, p);
    Plan plan;
    const Record document =
        ReadRecord(p.DocumentStream(), p.document_offset, "the document record");
    plan.document_body = document.body;
    plan.children = Children(document.body);
    plan.object_list = FindRecord(plan.children, RT_ExternalObjectList);
    plan.drawing_group = FindRecord(plan.children, RT_DrawingGroup);
    plan.slide_list = FindRecord(plan.children, RT_SlideListWithText, 0);
    std::size_t blips = 0;
    if (plan.drawing_group != nullptr) {
        plan.dgg = ReadDrawingGroupBlock(plan.drawing_group->body);
        blips = BlipStoreEntries(plan.drawing_group->body);
    }
    // The controls' pictures join those of the template.
    const StorageEntry* pictures = p.root.Find(kPicturesStream);
    plan.pictures = PictureStore(pictures != nullptr ? pictures->data.size() : 0, blips);
    PlanNewSlides(job, p, plan);
    return plan;
}

// A main master's own colour scheme, for slides that follow it.
std::optional<Bytes> MasterScheme(Bytes doc, const ListedSlide& main_master) {
    const auto master = TryReadRecord(doc, main_master.offset);
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

class TemplateWriter {
  public:
    TemplateWriter(const SaveJob& job, const Plan& plan)
        : job_(job), p_(job.source->parsed()), doc_(p_.DocumentStream()), plan_(plan) {}

    StorageEntry Write() {
        for (const NewSlide& slide : plan_.new_slides) {
            // CheckSlots made sure the slide's master is there.
            const SlideContent& content = *slide.content;
            const ListedSlide& master = content.master_id == 0
                                            ? p_.main_masters.front().listed
                                            : p_.FindMainMaster(content.master_id)->listed;
            RecordWriter w;
            // The slide follows the master's colours, so it carries the
            // master's scheme as its own.
            shapes_.push_back(WriteTitleOnlySlide(
                w, content, slide.controls, master.slide_id,
                {slide.drawing_id, static_cast<std::uint32_t>(slide.cluster * kClusterSize)},
                MasterScheme(doc_, master)));
            containers_.push_back(w.Take());
        }
        return Assemble(NewDocument());
    }

  private:
    std::uint32_t LastSlideId() const {
        if (job_.slides.empty()) {
            return 0;
        }
        if (const auto* index = std::get_if<std::size_t>(&job_.slides.back())) {
            return p_.slides[*index].slide_id;
        }
        return plan_.new_slides.back().slide_id;
    }

    bool AddsControls() const { return plan_.max_object_id != 0; }

    void WriteObjectList(RecordWriter& w, const Record* existing) const {
        std::vector<Record> children;
        if (existing != nullptr) {
            children = Children(existing->body);
        }
        const auto is_atom = [](const Record& r) { return r.type() == RT_ExternalObjectListAtom; };
        const auto write_seed = [&](std::uint32_t old_seed) {
            w.U32Atom(RT_ExternalObjectListAtom, std::max(old_seed, plan_.max_object_id));
        };
        const auto list = w.BeginContainer(RT_ExternalObjectList);
        // The atom comes first; a list without one gets it in front.
        if (std::none_of(children.begin(), children.end(), is_atom)) {
            write_seed(0);
        }
        bool seeded = false;
        for (const Record& child : children) {
            if (is_atom(child) && !seeded) {
                write_seed(child.body.size() >= 4 ? FieldReader(child.body, "").U32() : 0);
                seeded = true;
            } else {
                w.Bytes(Whole(child, existing->body));
            }
        }
        WriteControlEntries(w, plan_.new_slides);
        w.End(list);
    }

    void WriteBlock(RecordWriter& w) const {
        DrawingGroupBlock b = plan_.dgg.value_or(DrawingGroupBlock{});
        for (std::size_t i = 0; i < plan_.new_slides.size(); ++i) {
            const NewSlide& slide = plan_.new_slides[i];
            // Clusters nobody listed but whose identifiers are in use go to
            // the new drawing, marked full, so no shape is numbered twice.
            while (b.clusters.size() + 1 < slide.cluster) {
                b.clusters.emplace_back(slide.drawing_id, kClusterFull);
            }
            b.clusters.emplace_back(slide.drawing_id, shapes_[i]);
            b.spid_max = std::max(
                b.spid_max, static_cast<std::uint32_t>(slide.cluster * kClusterSize) + shapes_[i]);
            b.shapes_saved += shapes_[i];
            b.drawings_saved += 1;
        }
        WriteDrawingGroupBlock(w, b);
    }

    // The BLIP store with the new pictures after the entries it had.
    void WriteBlipStore(RecordWriter& w, const Record* existing) const {
        if (existing != nullptr || !plan_.pictures.empty()) {
            plan_.pictures.WriteStore(w, existing != nullptr ? existing->body : Bytes{});
        }
    }

    void WriteDrawingGroup(RecordWriter& w, const Record* existing) const {
        const auto group = w.BeginContainer(RT_DrawingGroup);
        bool wrote_dgg = false;
        for (const Record& child :
             existing != nullptr ? Children(existing->body) : std::vector<Record>{}) {
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
            const Record* store = FindRecord(parts, RT_OfficeArtBStoreContainer);
            if (store == nullptr) {
                WriteBlipStore(w, nullptr);
            }
            for (const Record& part : parts) {
                if (&part == store) {
                    WriteBlipStore(w, &part);
                } else if (part.type() != RT_OfficeArtFDGGBlock) {
                    w.Bytes(Whole(part, child.body));
                }
            }
            w.End(dgg);
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
        // Each SlidePersistAtom with the text records that follow it.
        std::vector<std::uint8_t> leading;  // records before the first entry
        std::vector<std::vector<std::uint8_t>> entries;
        for (const Record& r :
             existing != nullptr ? Children(existing->body) : std::vector<Record>{}) {
            if (r.type() == RT_SlidePersistAtom) {
                entries.emplace_back();
            }
            auto& target = entries.empty() ? leading : entries.back();
            const Bytes whole = Whole(r, existing->body);
            target.insert(target.end(), whole.begin(), whole.end());
        }
        // The reader listed the source's slides from these same entries.
        if (entries.size() != p_.slides.size()) {
            throw FormatError("the template's slide list does not match its slides");
        }
        const auto list = w.BeginContainer(RT_SlideListWithText, 0);
        w.Bytes(leading);
        std::size_t next_new = 0;
        for (const SlideSlot& slot : job_.slides) {
            if (const auto* index = std::get_if<std::size_t>(&slot)) {
                w.Bytes(entries[*index]);
            } else {
                const NewSlide& slide = plan_.new_slides[next_new++];
                WriteSlideListEntry(w, *slide.content, slide.persist_id, slide.slide_id);
            }
        }
        w.End(list);
    }

    std::vector<std::uint8_t> NewDocument() const {
        const bool adds_slides = !plan_.new_slides.empty();
        bool need_object_list = plan_.object_list == nullptr && AddsControls();
        bool need_drawing_group = plan_.drawing_group == nullptr && adds_slides;
        bool need_slide_list = plan_.slide_list == nullptr && !job_.slides.empty();

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
        for (const Record& child : plan_.children) {
            const int rank = DocumentRank(child);
            if (rank >= 0) {
                insert_missing(rank);
            }
            if (&child == plan_.object_list && AddsControls()) {
                WriteObjectList(w, &child);
            } else if (&child == plan_.drawing_group && adds_slides) {
                WriteDrawingGroup(w, &child);
            } else if (&child == plan_.slide_list) {
                WriteSlideList(w, &child);
            } else {
                w.Bytes(Whole(child, plan_.document_body));
            }
        }
        insert_missing(std::numeric_limits<int>::max());
        w.End(doc);
        return w.Take();
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

    // The new edit's records, after the old bytes of the document stream;
    // returns the "Current User" stream pointing at the edit.
    std::vector<std::uint8_t> WriteEdit(RecordWriter& added,
                                        const std::vector<std::uint8_t>& document) const {
        const std::size_t old_size = doc_.size();
        PersistDirectory directory;
        // A source whose chain of edits was broken gets a directory naming
        // every live object, so the new edit stands on its own and no reader
        // has to follow the broken links.
        if (p_.recovered) {
            directory = p_.persist_directory;
        }
        const auto append = [&](std::uint32_t persist_id, const std::vector<std::uint8_t>& bytes) {
            const std::size_t at = old_size + added.Size();
            if (at > std::numeric_limits<std::uint32_t>::max() - bytes.size()) {
                throw FormatError("the presentation is too large to save");
            }
            directory.Set(persist_id, static_cast<std::uint32_t>(at));
            added.Bytes(bytes);
        };
        append(p_.last_edit.doc_persist_id, document);
        for (std::size_t i = 0; i < plan_.new_slides.size(); ++i) {
            append(plan_.new_slides[i].persist_id, containers_[i]);
        }
        for (const NewSlide& slide : plan_.new_slides) {
            for (const PlacedControl& control : slide.controls) {
                append(control.storage_persist_id, ControlStorageRecord(control));
            }
        }
        UserEdit edit;
        edit.last_slide_viewed = LastSlideId();
        edit.previous_edit_offset =
            p_.recovered ? 0 : static_cast<std::uint32_t>(p_.last_edit.offset);
        edit.document_persist_id = p_.last_edit.doc_persist_id;
        edit.max_persist_id = std::max(p_.max_persist_id, directory.MaxId());
        edit.last_view = p_.last_edit.last_view;
        const StorageEntry* user = FindStream(p_.root, kCurrentUserStream);
        return CloseSave(added, old_size, directory, edit,
                         p_.current_user_valid && user != nullptr ? &user->data : nullptr);
    }

    StorageEntry Assemble(const std::vector<std::uint8_t>& document) const {
        // The new records are written apart and follow the old bytes, which
        // are written out from the template as they are: the old stream can
        // be most of a large template.
        RecordWriter added;
        std::vector<std::uint8_t> current_user = WriteEdit(added, document);

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
            StorageEntry& stream = root.children.emplace_back();
            stream.name = child.name;
            stream.head = doc_;
            stream.data = added.Take();
        }
        UpdateDocumentProperties(root);
        if (!plan_.pictures.empty()) {
            StorageEntry* pictures = root.Find(kPicturesStream);
            if (pictures != nullptr && pictures->is_storage) {
                throw FormatError("the template's \"Pictures\" entry is not a stream of pictures");
            }
            if (pictures == nullptr) {
                pictures = &root.children.emplace_back();
                pictures->name = kPicturesStream;
            }
            const std::vector<std::uint8_t>& blips = plan_.pictures.Blips();
            pictures->data.insert(pictures->data.end(), blips.begin(), blips.end());
        }
        StorageEntry* user = root.Find(kCurrentUserStream);
        if (user == nullptr) {
            user = &root.children.emplace_back();
            user->name = kCurrentUserStream;
        }
        user->is_storage = false;
        user->children.clear();
        user->data = std::move(current_user);
        return root;
    }

    const SaveJob& job_;
    const SourcePresentation::Parsed& p_;
    Bytes doc_;
    const Plan& plan_;
    std::vector<std::uint32_t> shapes_;  // of each new slide's drawing
    std::vector<std::vector<std::uint8_t>> containers_;
};

}  // namespace

StorageEntry WriteOntoTemplate(const SaveJob& job) {
    if (job.source == nullptr) {
        throw FormatError("no source presentation to save onto");
    }
    const Plan plan = MakePlan(job);
    return TemplateWriter(job, plan).Write();
}

}  // namespace pptfile
