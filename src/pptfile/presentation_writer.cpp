// Saves a presentation whole, as PowerPoint's Save As does: every live persist
// object of the source byte for byte under its own id, the document written
// anew with the new slides, their controls and pictures, then one persist
// directory and one user edit. Nothing of the source's edit history remains.
#include <algorithm>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "cfb/compound_file.h"
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
constexpr std::uint32_t kMaxSlideId = 0x7FFFFFFF;
constexpr std::uint32_t kMaxDrawingId = 0xFFE;
constexpr std::uint32_t kSpidLimit = 0x03FFD7FF;  // shape identifiers stay below

std::vector<Record> Children(Bytes body) {
    std::vector<Record> out;
    RecordCursor cursor(body);
    while (auto r = cursor.Next()) {
        out.push_back(*r);
    }
    return out;
}

const Record* FindRecord(const std::vector<Record>& records, std::uint16_t type,
                         std::optional<std::uint16_t> instance = {}) {
    const auto it = std::ranges::find_if(records, [&](const Record& r) {
        return r.type() == type && (!instance || r.instance() == *instance);
    });
    return it != records.end() ? &*it : nullptr;
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
    const auto it = std::ranges::find(kRanks, r.type(), &std::pair<std::uint16_t, int>::first);
    return it != std::end(kRanks) ? it->second : -1;
}
constexpr int kRankObjectList = 1;
constexpr int kRankDrawingGroup = 4;
constexpr int kRankSlideList = 9;

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

// A main master's own colour scheme, for slides that follow it.
std::optional<Bytes> MasterScheme(DocumentStream& doc, const ListedSlide& main_master) {
    try {
        const Record master = doc.ReadRecord(main_master.offset, "a main master");
        const auto scheme = FindChild(master.body, RT_ColorSchemeAtom, 1);
        if (scheme && scheme->body.size() == 32) {
            return scheme->Whole();
        }
    } catch (const FormatError&) {
    }
    return std::nullopt;
}

// The source's document, what of it is rewritten, and what a save adds.
struct Additions {
    std::vector<Record> children;  // of the source's document
    const Record* object_list = nullptr;
    const Record* drawing_group = nullptr;
    const Record* slide_list = nullptr;
    std::vector<NewSlide> slides;
    std::uint32_t max_object_id = 0;  // of the controls added, 0 for none
    PictureStore pictures{0, 0};
};

// Counted in 64 bits: one past the largest a file may hold never wraps.
void NumberNewSlides(const SaveJob& job, const SourcePresentation::Parsed& p, Additions& add) {
    std::uint64_t next_persist_id = std::uint64_t{p.max_persist_id} + 1;
    const auto persist_id = [&] {
        RefuseIf(next_persist_id > kMaxPersistId,
                 "the template has no persist identifiers left for new slides");
        return static_cast<std::uint32_t>(next_persist_id++);
    };
    std::uint32_t max_slide_id = std::max(p.max_slide_id, kFirstSlideId - 1);
    RefuseIf(p.max_object_id == std::numeric_limits<std::uint32_t>::max(),
             "the template has no object identifiers left for controls");
    std::uint32_t next_object_id = p.max_object_id + 1;
    // Past every drawing and shape identifier that a drawing of the file uses.
    std::uint64_t next_drawing_id = std::uint64_t{p.drawing_use.max_drawing_id} + 1;
    std::uint64_t next_cluster =
        p.drawing_use.clusters.empty() ? 1 : p.drawing_use.clusters.rbegin()->first + 1;

    for (const SlideSlot& slot : job.slides) {
        const auto* content = std::get_if<const SlideContent*>(&slot);
        if (content == nullptr) {
            continue;
        }
        RefuseIf(max_slide_id >= kMaxSlideId,
                 "the template has no slide identifiers left for new slides");
        RefuseIf(next_drawing_id > kMaxDrawingId,
                 "the template has no drawing identifiers left for new slides");
        RefuseIf((next_cluster + 1) * kClusterSize >= kSpidLimit,
                 "the template has no shape identifiers left for new slides");
        add.slides.push_back({*content,
                              persist_id(),
                              ++max_slide_id,
                              static_cast<std::uint32_t>(next_drawing_id++),
                              next_cluster++,
                              {},
                              {},
                              0});
    }
    for (NewSlide& slide : add.slides) {
        for (const ControlObject& control : slide.content->controls) {
            RefuseIf(next_object_id == 0,
                     "the template has no object identifiers left for controls");
            slide.controls.push_back(
                {&control, next_object_id++, persist_id(), add.pictures.AddPreview(control)});
            add.max_object_id = slide.controls.back().object_id;
        }
    }
}

Additions Add(const SaveJob& job, const SourcePresentation::Parsed& p) {
    CheckSlots(job, p);
    Additions add;
    add.children = Children(p.doc->ReadRecord(p.document_offset, "the document record").body);
    add.object_list = FindRecord(add.children, RT_ExternalObjectList);
    add.drawing_group = FindRecord(add.children, RT_DrawingGroup);
    add.slide_list = FindRecord(add.children, RT_SlideListWithText, 0);
    // The controls' pictures join those of the template.
    const cfb::StorageEntry* pictures = p.root.Find(kPicturesStream);
    add.pictures = PictureStore(pictures != nullptr ? pictures->Size() : 0,
                                add.drawing_group ? BlipStoreEntries(add.drawing_group->body) : 0);
    NumberNewSlides(job, p, add);
    for (NewSlide& slide : add.slides) {
        // CheckSlots made sure the slide's master is there. The slide follows
        // the master's colours, so it carries the master's scheme as its own.
        const ListedSlide& master = slide.content->master_id == 0
                                        ? p.main_masters.front().listed
                                        : p.FindMainMaster(slide.content->master_id)->listed;
        RecordWriter w;
        slide.shapes = WriteTitleOnlySlide(w, slide, master.slide_id, MasterScheme(*p.doc, master));
        slide.records = w.Take();
    }
    return add;
}

// The new document: the source's, with the object list, the drawing group
// and the slide list written anew for what is added.
class DocumentWriter {
  public:
    DocumentWriter(const SaveJob& job, const SourcePresentation::Parsed& p, const Additions& add)
        : job_(job), p_(p), add_(add) {}

    std::vector<std::uint8_t> Write() const {
        bool need_object_list = add_.object_list == nullptr && AddsControls();
        bool need_drawing_group = add_.drawing_group == nullptr && !add_.slides.empty();
        bool need_slide_list = add_.slide_list == nullptr && !job_.slides.empty();

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
        for (const Record& child : add_.children) {
            const int rank = DocumentRank(child);
            if (rank >= 0) {
                insert_missing(rank);
            }
            if (&child == add_.object_list && AddsControls()) {
                WriteObjectList(w, &child);
            } else if (&child == add_.drawing_group) {
                WriteDrawingGroup(w, &child);
            } else if (&child == add_.slide_list) {
                WriteSlideList(w, &child);
            } else {
                w.Bytes(child.Whole());
            }
        }
        insert_missing(std::numeric_limits<int>::max());
        w.End(doc);
        return w.Take();
    }

  private:
    bool AddsControls() const { return add_.max_object_id != 0; }

    void WriteObjectList(RecordWriter& w, const Record* existing) const {
        const std::vector<Record> children = Children(existing ? existing->body : Bytes{});
        const Record* atom = FindRecord(children, RT_ExternalObjectListAtom);
        const auto write_seed = [&](std::uint32_t old_seed) {
            w.U32Atom(RT_ExternalObjectListAtom, std::max(old_seed, add_.max_object_id));
        };
        const auto list = w.BeginContainer(RT_ExternalObjectList);
        // The atom comes first; a list without one gets it in front.
        if (atom == nullptr) {
            write_seed(0);
        }
        for (const Record& child : children) {
            if (&child == atom) {
                write_seed(child.body.size() >= 4 ? cfb::Get32(child.body, 0) : 0);
            } else {
                w.Bytes(child.Whole());
            }
        }
        WriteControlEntries(w, add_.slides);
        w.End(list);
    }

    // The drawing group's record of the identifiers in use ([MS-ODRAW]
    // 2.2.48), made from the drawings themselves.
    void WriteBlock(RecordWriter& w) const {
        std::map<std::uint32_t, DrawingUse::Cluster> clusters = p_.drawing_use.clusters;
        DrawingGroupBlock b{0, p_.drawing_use.shapes, p_.drawing_use.drawings, {}};
        for (const NewSlide& slide : add_.slides) {
            const auto cluster = static_cast<std::uint32_t>(slide.cluster);
            clusters[cluster] = {slide.drawing_id, cluster * kClusterSize + slide.shapes - 1};
            b.shapes_saved += slide.shapes;
            b.drawings_saved += 1;
        }
        for (const auto& [n, cluster] : clusters) {
            b.clusters.resize(n - 1);  // clusters that no drawing uses, as (0, 0)
            b.clusters.emplace_back(cluster.drawing_id, cluster.largest - n * kClusterSize + 1);
            b.spid_max = std::max(b.spid_max, cluster.largest + 1);
        }
        WriteDrawingGroupBlock(w, b);
    }

    // The BLIP store with the new pictures after the entries it had.
    void WriteBlipStore(RecordWriter& w, const Record* existing) const {
        if (existing != nullptr || !add_.pictures.empty()) {
            add_.pictures.WriteStore(w, existing != nullptr ? existing->body : Bytes{});
        }
    }

    // The block is the container's first record, the BLIP store follows it.
    void WriteDggContainer(RecordWriter& w, const Record* existing) const {
        const auto dgg = existing ? w.Begin(RT_OfficeArtDggContainer, existing->instance(),
                                            existing->header.version)
                                  : w.BeginContainer(RT_OfficeArtDggContainer);
        WriteBlock(w);
        const std::vector<Record> parts = Children(existing ? existing->body : Bytes{});
        const Record* store = FindRecord(parts, RT_OfficeArtBStoreContainer);
        if (store == nullptr) {
            WriteBlipStore(w, nullptr);
        }
        for (const Record& part : parts) {
            if (&part == store) {
                WriteBlipStore(w, &part);
            } else if (part.type() != RT_OfficeArtFDGGBlock) {
                w.Bytes(part.Whole());
            }
        }
        w.End(dgg);
    }

    void WriteDrawingGroup(RecordWriter& w, const Record* existing) const {
        const std::vector<Record> children = Children(existing ? existing->body : Bytes{});
        const Record* dgg = FindRecord(children, RT_OfficeArtDggContainer);
        const auto group = w.BeginContainer(RT_DrawingGroup);
        for (const Record& child : children) {
            if (&child == dgg) {
                WriteDggContainer(w, dgg);
            } else {
                w.Bytes(child.Whole());
            }
        }
        if (dgg == nullptr) {
            WriteDggContainer(w, nullptr);
        }
        w.End(group);
    }

    void WriteSlideList(RecordWriter& w, const Record* existing) const {
        // Each SlidePersistAtom with the text records that follow it.
        std::vector<std::uint8_t> leading;  // records before the first entry
        std::vector<std::vector<std::uint8_t>> entries;
        for (const Record& r : Children(existing ? existing->body : Bytes{})) {
            if (r.type() == RT_SlidePersistAtom) {
                entries.emplace_back();
            }
            auto& target = entries.empty() ? leading : entries.back();
            const Bytes whole = r.Whole();
            target.insert(target.end(), whole.begin(), whole.end());
        }
        // The reader listed the source's slides from these same entries.
        RefuseIf(entries.size() != p_.slides.size(),
                 "the template's slide list does not match its slides");
        const auto list = w.BeginContainer(RT_SlideListWithText, 0);
        w.Bytes(leading);
        std::size_t next_new = 0;
        for (const SlideSlot& slot : job_.slides) {
            if (const auto* index = std::get_if<std::size_t>(&slot)) {
                w.Bytes(entries[*index]);
            } else {
                WriteSlideListEntry(w, add_.slides[next_new++]);
            }
        }
        w.End(list);
    }

    const SaveJob& job_;
    const SourcePresentation::Parsed& p_;
    const Additions& add_;
};

// The "PowerPoint Document" stream, and the "Current User" stream naming its
// edit. The objects go in the order of PowerPoint's own whole saves: the
// document, the masters, the notes and handout masters, the slides in show
// order, the notes pages, then every other object by persist id. Each object
// of the source is copied from where it lies, once however many ids name it.
std::pair<std::vector<cfb::Piece>, std::vector<std::uint8_t>> DocumentAndUser(
    const SaveJob& job, const SourcePresentation::Parsed& p, const Additions& add) {
    constexpr std::uint32_t kNotPlaced = 0xFFFFFFFF;
    std::vector<std::uint32_t> moved(p.objects.size(), kNotPlaced);  // by object: where it lies
    PersistDirectory directory;
    std::vector<cfb::Piece> pieces;
    std::uint64_t size = 0;
    // Appends `piece`, as part of the last piece where it continues it in the
    // source; returns where it starts.
    const auto place = [&](cfb::Piece piece) {
        const std::uint64_t piece_size = cfb::SizeOf(piece);
        RefuseIf(size + piece_size > std::numeric_limits<std::uint32_t>::max(),
                 "the presentation is too large to save");
        const auto at = static_cast<std::uint32_t>(size);
        size += piece_size;
        auto* last = pieces.empty() ? nullptr : std::get_if<cfb::StoredBytes>(&pieces.back());
        const auto* next = std::get_if<cfb::StoredBytes>(&piece);
        if (last != nullptr && next != nullptr && last->file == next->file &&
            last->stream == next->stream && last->offset + last->length == next->offset) {
            last->length += next->length;
        } else {
            pieces.push_back(std::move(piece));
        }
        return at;
    };
    const auto place_source = [&](std::uint32_t persist_id) {
        const auto offset = p.persist_directory.Find(persist_id);
        if (!offset) {
            return;
        }
        const std::size_t object = p.ObjectAt(*offset);
        if (moved[object] == kNotPlaced) {
            moved[object] = static_cast<std::uint32_t>(size);
            for (cfb::Piece& piece :
                 cfb::Slice(p.doc->content(), *offset, p.objects[object].size)) {
                place(std::move(piece));
            }
        }
    };
    const auto place_new = [&](std::uint32_t persist_id, cfb::Piece piece) {
        directory.Set(persist_id, place(std::move(piece)));
    };

    moved[p.ObjectAt(static_cast<std::uint32_t>(p.document_offset))] =
        place(DocumentWriter(job, p, add).Write());
    for (const ListedSlide& master : p.masters) {
        place_source(master.persist_id);
    }
    place_source(p.notes_master);
    place_source(p.handout_master);
    std::size_t next_new = 0;
    std::uint32_t last_slide_id = 0;  // in show order, as the user edit names it
    for (const SlideSlot& slot : job.slides) {
        if (const auto* index = std::get_if<std::size_t>(&slot)) {
            place_source(p.slides[*index].persist_id);
            last_slide_id = p.slides[*index].slide_id;
        } else {
            const NewSlide& slide = add.slides[next_new++];
            place_new(slide.persist_id, std::span(slide.records));
            last_slide_id = slide.slide_id;
        }
    }
    for (const std::uint32_t notes : p.notes) {
        place_source(notes);
    }
    p.persist_directory.ForEach([&](std::uint32_t id, std::uint32_t) { place_source(id); });
    // The directory names each source object where it now lies.
    p.persist_directory.ForEach([&](std::uint32_t id, std::uint32_t offset) {
        directory.Set(id, moved[p.ObjectAt(offset)]);
    });
    for (const NewSlide& slide : add.slides) {
        for (const PlacedControl& control : slide.controls) {
            place_new(control.storage_persist_id, ControlStorageRecord(control));
        }
    }

    const UserEdit edit{last_slide_id, p.last_edit.doc_persist_id,
                        std::max(p.max_persist_id, directory.MaxId()), p.last_edit.last_view};
    RecordWriter tail;
    std::vector<std::uint8_t> user =
        CloseSave(tail, size, directory, edit, p.current_user.empty() ? nullptr : &p.current_user);
    pieces.emplace_back(tail.Take());
    return {std::move(pieces), std::move(user)};
}

// The stream `name` of `root`, added if there is none. Null where the entry is a storage.
cfb::StorageEntry* StreamOf(cfb::StorageEntry& root, std::u16string_view name) {
    cfb::StorageEntry* stream = root.Find(name);
    if (stream == nullptr) {
        stream = &root.children.emplace_back();
        stream->name = name;
    }
    return stream->is_storage ? nullptr : stream;
}

// What a save changes in the document properties. A stream that cannot be
// read as a property set is kept as it is; a missing one is written new.
void UpdateDocumentProperties(cfb::StorageEntry& root, const SaveJob& job,
                              const SourcePresentation::Parsed& p) {
    std::u16string title;
    if (!job.slides.empty()) {
        const auto* index = std::get_if<std::size_t>(&job.slides.front());
        title = index ? p.summaries[*index].title
                      : std::get<const SlideContent*>(job.slides.front())->title;
    }
    if (cfb::StorageEntry* summary = StreamOf(root, kSummaryStream)) {
        if (auto stream = SummaryInformation(cfb::ReadAll(*summary), title, job.saved_at)) {
            summary->content = {std::move(*stream)};
        }
    }
    if (cfb::StorageEntry* doc_summary = StreamOf(root, kDocSummaryStream)) {
        const auto slides = static_cast<std::int32_t>(job.slides.size());
        if (auto stream = DocumentSummaryInformation(cfb::ReadAll(*doc_summary), slides)) {
            doc_summary->content = {std::move(*stream)};
        }
    }
}

}  // namespace

void WritePresentation(const SaveJob& job, cfb::ByteSink& sink) {
    RefuseIf(job.source == nullptr, "no presentation to save");
    const SourcePresentation::Parsed& p = job.source->parsed();
    const Additions add = Add(job, p);
    auto [document, user] = DocumentAndUser(job, p, add);

    // Every other entry comes through as it is.
    cfb::StorageEntry root = p.root;
    StreamOf(root, kDocumentStream)->content = std::move(document);
    cfb::StorageEntry* current_user = root.Find(kCurrentUserStream);
    if (current_user != nullptr && current_user->is_storage) {
        *current_user = {};  // a stream of that name takes its place
        current_user->name = kCurrentUserStream;
    }
    StreamOf(root, kCurrentUserStream)->content = {std::move(user)};
    if (!add.pictures.empty()) {
        cfb::StorageEntry* pictures = StreamOf(root, kPicturesStream);
        RefuseIf(pictures == nullptr,
                 "the template's \"Pictures\" entry is not a stream of pictures");
        // The old pictures and the new ones, as two pieces.
        pictures->content.emplace_back(std::span(add.pictures.Blips()));
    }
    UpdateDocumentProperties(root, job, p);
    cfb::WriteCompoundFile(root, sink);
}

}  // namespace pptfile
