// Reads the structure of a PowerPoint 97-2003 file. Every offset, length and count
// comes from the file and is checked before use; loops are bounded by the bytes they walk.
#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cfb/bytes.h"
#include "pptfile/errors.h"
#include "pptfile/presentation.h"
#include "pptfile/presentation_parsed.h"
#include "pptfile/record_reader.h"
#include "pptfile/record_types.h"

namespace pptfile {

namespace {

// Shape groups nest; real files go a few levels deep.
constexpr int kMaxGroupDepth = 32;
// Containers in the document record nest a few levels deep; deeper ones are not walked.
constexpr int kMaxDocumentDepth = 32;

// Master units per point.
constexpr float kMasterUnitsPerPoint = 8.0f;
// PowerPoint's largest slide side is 56 inches.
constexpr std::int32_t kMaxSlideSide = 56 * 576;

constexpr std::uint32_t kShapeDeleted = 0x0008;

// The record persist object `persist_id` starts with, of `expected_type` if given.
Record ReadPersistObject(const SourcePresentation::Parsed& p, std::uint32_t persist_id,
                         std::optional<std::uint16_t> expected_type, std::string_view what) {
    const auto offset = p.persist_directory.Find(persist_id);
    if (!offset) {
        ThrowDamaged(std::string(what) + " is missing from the persist directory");
    }
    const Record r = p.doc->ReadRecord(*offset, what);
    if (expected_type && r.type() != *expected_type) {
        ThrowDamaged(std::string(what) + " is not where the persist directory says");
    }
    return r;
}

struct ListEntry {
    ListedSlide slide;
    std::vector<std::pair<std::uint32_t, std::u16string>> texts;  // text type, text
};

std::vector<ListEntry> ReadSlideList(Bytes body) {
    std::vector<ListEntry> entries;
    std::uint32_t text_type = std::numeric_limits<std::uint32_t>::max();
    RecordCursor cursor(body);
    while (auto r = cursor.Next()) {
        if (r->type() == RT_SlidePersistAtom) {
            FieldReader f(r->body, "a slide list entry");
            ListEntry e;
            e.slide.persist_id = f.U32();
            f.Skip(8);  // flags, number of texts
            e.slide.slide_id = f.U32();
            entries.push_back(std::move(e));
            text_type = std::numeric_limits<std::uint32_t>::max();
        } else if (entries.empty()) {
            continue;
        } else if (r->type() == RT_TextHeaderAtom) {
            text_type = FieldReader(r->body, "a text header").U32();
        } else if (auto text = AtomText(*r)) {
            entries.back().texts.emplace_back(text_type, std::move(*text));
        }
    }
    return entries;
}

struct ShapeInfo {
    std::uint32_t id = 0;
    std::optional<std::uint8_t> placeholder;
    std::optional<Rect> anchor;
    std::optional<std::u16string> text;
    std::optional<std::uint32_t> outline_text_index;
};

Rect ReadAnchor(Bytes body) {
    FieldReader f(body, "a shape anchor");
    const bool wide = body.size() >= 16;  // else the short form
    const auto side = [&]() -> std::int32_t { return wide ? f.I32() : f.I16(); };
    const std::int32_t top = side();
    const std::int32_t left = side();
    const std::int32_t right = side();
    const std::int32_t bottom = side();
    const auto points = [](std::int64_t units) {
        return static_cast<float>(units) / kMasterUnitsPerPoint;
    };
    // Sides are subtracted in 64 bits: 32-bit corners from a file may be
    // anything.
    return Rect{points(left), points(top), points(std::int64_t{right} - left),
                points(std::int64_t{bottom} - top)};
}

ShapeInfo ReadShape(Bytes body) {
    ShapeInfo shape;
    RecordCursor cursor(body);
    while (auto r = cursor.Next()) {
        switch (r->type()) {
            case RT_OfficeArtFSP: {
                FieldReader f(r->body, "a shape record");
                shape.id = f.U32();
                if ((f.U32() & kShapeDeleted) != 0) {
                    return {shape.id, {}, {}, {}, {}};
                }
                break;
            }
            case RT_OfficeArtClientAnchor:
                shape.anchor = ReadAnchor(r->body);
                break;
            case RT_OfficeArtClientData: {
                RecordCursor data(r->body);
                while (auto d = data.Next()) {
                    if (d->type() == RT_PlaceholderAtom) {
                        FieldReader f(d->body, "a placeholder record");
                        f.Skip(4);  // position
                        shape.placeholder = f.U8();
                    }
                }
                break;
            }
            case RT_OfficeArtClientTextbox: {
                RecordCursor text(r->body);
                while (auto t = text.Next()) {
                    if (t->type() == RT_OutlineTextRefAtom) {
                        shape.outline_text_index = FieldReader(t->body, "a text reference").U32();
                    } else if (!shape.text) {
                        shape.text = AtomText(*t);
                    }
                }
                break;
            }
            default:
                break;
        }
    }
    return shape;
}

void CollectShapes(Bytes body, int depth, std::vector<ShapeInfo>& out) {
    DamagedIf(depth > kMaxGroupDepth, "shape groups are nested too deeply");
    RecordCursor cursor(body);
    while (auto r = cursor.Next()) {
        if (r->type() == RT_OfficeArtSpgrContainer) {
            CollectShapes(r->body, depth + 1, out);
        } else if (r->type() == RT_OfficeArtSpContainer) {
            out.push_back(ReadShape(r->body));
        }
    }
}

// The drawing of a slide, master, notes page or handout container.
std::optional<Record> DrawingOf(Bytes container_body) {
    const auto drawing = FindChild(container_body, RT_Drawing);
    return drawing ? FindChild(drawing->body, RT_OfficeArtDgContainer) : std::nullopt;
}

// The shapes of a drawing, groups flattened.
std::vector<ShapeInfo> ReadShapes(const std::optional<Record>& dg) {
    std::vector<ShapeInfo> shapes;
    if (dg) {
        CollectShapes(dg->body, 0, shapes);
    }
    return shapes;
}

// The master a slide's (or title master's) slide atom names.
std::optional<std::uint32_t> SlideAtomMasterRef(Bytes container_body) {
    const auto atom = FindChild(container_body, RT_SlideAtom);
    if (!atom || atom->body.size() < 16) {
        return std::nullopt;
    }
    return cfb::Get32(atom->body, 12);  // after the layout and placeholder kinds
}

// A "PowerPoint 95 & 97" file keeps its 97-2003 presentation in a storage of
// its own; the property sets the two versions share may be only at the root.
void TakeDualStorage(cfb::StorageEntry& root) {
    constexpr std::u16string_view kDualStorage = u"PP97_DUALSTORAGE";
    cfb::StorageEntry* dual = root.Find(kDualStorage);
    if (dual != nullptr && dual->is_storage && FindStream(*dual, kDocumentStream) != nullptr) {
        cfb::StorageEntry presentation = std::move(*dual);
        for (cfb::StorageEntry& e : root.children) {
            if (!e.is_storage && e.name.starts_with(u'\x05') &&
                presentation.Find(e.name) == nullptr) {
                presentation.children.push_back(std::move(e));
            }
        }
        presentation.name = root.name;
        root = std::move(presentation);
    }
    // Readers open the presentation in a PP97_DUALSTORAGE at the root whenever
    // there is one: one kept there (nested in the one taken, or beside the
    // root's own presentation) would hide what a save adds.
    while (cfb::StorageEntry* stale = root.Find(kDualStorage)) {
        root.children.erase(root.children.begin() + (stale - root.children.data()));
    }
}

bool LooksLikeOldPowerPoint(const cfb::StorageEntry& root) {
    return root.Find(u"PP40") != nullptr || root.Find(u"PersistentStorage Directory") != nullptr ||
           FindStream(root, u"Header") != nullptr;
}

// The document stream of an unencrypted PowerPoint 97-2003 presentation.
const cfb::StorageEntry& DocumentStreamOf(const cfb::StorageEntry& root) {
    const cfb::StorageEntry* doc_stream = FindStream(root, kDocumentStream);
    if (doc_stream == nullptr) {
        throw FormatError(LooksLikeOldPowerPoint(root) ? kTooOld : kNotPowerPoint);
    }
    RefuseIf(root.Find(u"EncryptedSummary") != nullptr, kEncrypted);
    return *doc_stream;
}

// Every record inside the document fits in its container. Apache POI reads one
// that runs past its container's end from the bytes that follow it; a save
// writes the document anew, where those bytes are others, and the output
// would not open.
void CheckNesting(Bytes body, int depth) {
    RecordCursor cursor(body);
    while (auto r = cursor.Next()) {
        if (r->IsContainer() && depth < kMaxDocumentDepth) {
            CheckNesting(r->body, depth + 1);
        }
    }
}

// The slide size and the notes and handout masters.
void ReadDocumentAtom(SourcePresentation::Parsed& p, Bytes document_body) {
    const auto atom = FindChild(document_body, RT_DocumentAtom);
    DamagedIf(!atom, "the document record has no document atom");
    FieldReader f(atom->body, "the document atom");
    const std::int32_t width = f.I32();
    const std::int32_t height = f.I32();
    DamagedIf(width <= 0 || height <= 0 || width > kMaxSlideSide || height > kMaxSlideSide,
              "the slide size is out of range");
    p.slide_width = static_cast<float>(width) / kMasterUnitsPerPoint;
    f.Skip(16);  // notes size, server zoom
    p.notes_master = f.U32();
    p.handout_master = f.U32();
}

// Every id the object list uses, for new objects to be numbered past them.
void ReadObjectIds(SourcePresentation::Parsed& p, Bytes list_body) {
    RecordCursor objects(list_body);
    while (auto o = objects.Next()) {
        if (o->type() == RT_ExternalObjectListAtom) {
            p.max_object_id =
                std::max(p.max_object_id, FieldReader(o->body, "the object list atom").U32());
        } else if (o->IsContainer()) {
            try {
                RecordCursor atoms(o->body);
                while (auto atom = atoms.Next()) {
                    // An embedded object's atom holds its identifier after
                    // two fields; a hyperlink's or a medium's, first.
                    const bool ole = atom->type() == RT_ExternalOleObjectAtom;
                    const std::size_t at = ole ? 8 : 0;
                    if ((ole || atom->type() == RT_ExternalHyperlinkAtom ||
                         atom->type() == RT_ExternalMediaAtom) &&
                        atom->body.size() >= at + 4) {
                        p.max_object_id = std::max(p.max_object_id, cfb::Get32(atom->body, at));
                    }
                }
            } catch (const FormatError&) {
                // The seed covers what a damaged entry would name.
            }
        }
    }
}

// The notes pages, in order; they are numbered like slides, so new slides
// keep clear of them.
void ReadNotesList(SourcePresentation::Parsed& p, Bytes list_body) {
    try {
        RecordCursor cursor(list_body);
        while (auto r = cursor.Next()) {
            if (r->type() == RT_SlidePersistAtom && r->body.size() >= 16) {
                p.notes.push_back(cfb::Get32(r->body, 0));
                // After the flags and the number of texts, the notes id.
                p.max_slide_id = std::max(p.max_slide_id, cfb::Get32(r->body, 12));
            }
        }
    } catch (const FormatError&) {
    }
}

// The slides and the masters (the first lists of instances 0 and 1), with
// their outline texts; the notes list and the object lists go into `p`.
std::array<std::vector<ListEntry>, 2> ReadDocumentLists(SourcePresentation::Parsed& p,
                                                        Bytes document_body) {
    std::array<std::vector<ListEntry>, 2> lists;
    std::array<bool, 3> read{};  // by instance
    RecordCursor children(document_body);
    while (auto r = children.Next()) {
        if (r->type() == RT_SlideListWithText) {
            if (r->instance() < 2 && !std::exchange(read[r->instance()], true)) {
                lists[r->instance()] = ReadSlideList(r->body);
            } else if (r->instance() == 2 && !std::exchange(read[2], true)) {
                ReadNotesList(p, r->body);
            }
        } else if (r->type() == RT_ExternalObjectList) {
            ReadObjectIds(p, r->body);
        }
    }
    return lists;
}

// A main master's title placeholder places new slides' titles.
void ReadMasters(SourcePresentation::Parsed& p, const std::vector<ListEntry>& masters) {
    std::set<std::size_t> read_masters;  // offsets
    for (const ListEntry& e : masters) {
        const Record r = ReadPersistObject(p, e.slide.persist_id, std::nullopt, "a master");
        const ListedSlide listed{e.slide.persist_id, e.slide.slide_id, r.offset};
        p.masters.push_back(listed);
        // A master listed again, or under another persist id, is not read
        // again: a small file could list one large master many times.
        if (!read_masters.insert(r.offset).second) {
            continue;
        }
        if (r.type() == RT_Slide) {
            // A title master no slide can reach is no loss: slides naming it
            // follow the first main master instead.
            try {
                if (const auto ref = SlideAtomMasterRef(r.body)) {
                    p.title_masters.emplace(listed.slide_id, *ref);
                }
            } catch (const FormatError&) {
            }
            continue;
        }
        if (r.type() != RT_MainMaster) {
            continue;
        }
        const bool first = p.main_masters.empty();
        MainMasterInfo master{listed, kDefaultTitleRect};
        try {
            const std::vector<ShapeInfo> shapes = ReadShapes(DrawingOf(r.body));
            const auto title = std::find_if(shapes.begin(), shapes.end(), [](const ShapeInfo& s) {
                return s.placeholder == kPlaceholderMasterTitle && s.anchor;
            });
            if (title != shapes.end()) {
                master.title_rect = *title->anchor;
            }
        } catch (const FormatError&) {
            // The first main master has always been read whole; a damaged
            // later one leaves new slides on it where the first puts titles.
            if (first) {
                throw;
            }
            master.title_rect = p.main_masters.front().title_rect;
        }
        p.main_master_index.emplace(listed.slide_id, p.main_masters.size());
        p.main_masters.push_back(master);
    }
}

// The title placeholder's text, its own or the slide list's, else the list's first title.
std::u16string SlideTitle(const std::vector<ShapeInfo>& shapes, const ListEntry& e) {
    for (const ShapeInfo& s : shapes) {
        const std::uint8_t kind = s.placeholder.value_or(0);
        if (kind != kPlaceholderTitle && kind != kPlaceholderCenterTitle &&
            kind != kPlaceholderVerticalTitle) {
            continue;
        }
        if (s.text) {
            return *s.text;
        }
        if (s.outline_text_index && *s.outline_text_index < e.texts.size()) {
            return e.texts[*s.outline_text_index].second;
        }
    }
    const auto title = std::ranges::find_if(e.texts, [](const auto& text) {
        return text.first == kTextTypeTitle || text.first == kTextTypeCenterTitle;
    });
    return title != e.texts.end() ? title->second : std::u16string();
}

void ReadSlides(SourcePresentation::Parsed& p, const std::vector<ListEntry>& slides) {
    std::set<std::size_t> read_slides;  // offsets
    for (const ListEntry& e : slides) {
        const Record r = ReadPersistObject(p, e.slide.persist_id, RT_Slide, "a slide");
        // A slide listed twice, or two sharing one record, are refused: Apache
        // POI shows them as one, and reading the record again for each would
        // let a small file cost a large one's work many times.
        DamagedIf(!read_slides.insert(r.offset).second, "a slide is listed twice");
        const ListedSlide listed{e.slide.persist_id, e.slide.slide_id, r.offset};
        p.slides.push_back(listed);
        p.max_slide_id = std::max(p.max_slide_id, listed.slide_id);
        const MainMasterInfo* master = p.MasterOf(SlideAtomMasterRef(r.body));
        p.summaries.push_back({SlideTitle(ReadShapes(DrawingOf(r.body)), e),
                               master != nullptr ? master->listed.slide_id : 0});
    }
}

// What the drawing of a slide, master, notes page or handout takes of the
// identifiers: its drawing id, the shapes it counts, the clusters its
// shapes' identifiers lie in.
void RecordDrawing(DrawingUse& use, Bytes container_body) {
    try {
        const auto dg = DrawingOf(container_body);
        const auto fdg = dg ? FindChild(dg->body, RT_OfficeArtFDG) : std::nullopt;
        if (!fdg || fdg->body.size() < 8) {
            return;
        }
        const std::uint32_t shapes = cfb::Get32(fdg->body, 0);
        std::vector<std::uint32_t> ids{cfb::Get32(fdg->body, 4)};  // the last one it gave out
        for (const ShapeInfo& shape : ReadShapes(dg)) {
            ids.push_back(shape.id);
        }
        const std::uint32_t drawing_id = fdg->instance();
        use.max_drawing_id = std::max(use.max_drawing_id, drawing_id);
        use.shapes += shapes;
        use.drawings += 1;
        for (const std::uint32_t id : ids) {
            if (id < kClusterSize) {
                continue;  // no cluster holds these
            }
            DrawingUse::Cluster& cluster = use.clusters[id / kClusterSize];
            if (cluster.largest == 0) {
                cluster.drawing_id = drawing_id;
            }
            cluster.largest = std::max(cluster.largest, id);
        }
    } catch (const FormatError&) {
        // A drawing this program cannot read takes no identifiers it knows of.
    }
}

// Where each record the persist directory names lies. Many names may share
// one record, which is then read once; records must not overlap, since each
// is copied whole. A document record other than the document is an older
// document: Apache POI takes the one with the highest persist id for the
// document, and could show a save without what it adds.
void ReadPersistObjects(SourcePresentation::Parsed& p) {
    std::vector<std::uint32_t> offsets;
    p.persist_directory.ForEach(
        [&](std::uint32_t, std::uint32_t offset) { offsets.push_back(offset); });
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    std::uint64_t end_of_last = 0;
    for (const std::uint32_t offset : offsets) {
        const auto header = p.doc->Header(offset);
        DamagedIf(!header || header->length > p.doc->size() - offset - kRecordHeaderSize,
                  "the persist directory names a record outside the document stream");
        DamagedIf(offset < end_of_last, "two records that the persist directory names overlap");
        const std::uint32_t size = kRecordHeaderSize + header->length;
        end_of_last = std::uint64_t{offset} + size;
        p.objects.push_back({offset, size});
        DamagedIf(header->type == RT_Document && offset != p.document_offset,
                  "the persist directory names a second document record");
        if (header->type == RT_Slide || header->type == RT_MainMaster || header->type == RT_Notes ||
            header->type == RT_Handout) {
            RecordDrawing(p.drawing_use, p.doc->ReadRecord(offset, "a slide").body);
        }
    }
}

void ReadStructure(SourcePresentation::Parsed& p) {
    ReadEditHistory(p, LooksLikeOldPowerPoint(p.root));
    const Record document =
        ReadPersistObject(p, p.last_edit.doc_persist_id, RT_Document, "the document record");
    p.document_offset = document.offset;
    CheckNesting(document.body, 0);
    ReadDocumentAtom(p, document.body);
    const auto [slides, masters] = ReadDocumentLists(p, document.body);
    ReadMasters(p, masters);
    ReadSlides(p, slides);
    ReadPersistObjects(p);
}

std::unique_ptr<SourcePresentation::Parsed> Parse(std::unique_ptr<const cfb::ByteSource> source) {
    std::array<std::uint8_t, 8> start{};
    if (source->Size() < start.size() || source->ReadAt(0, start) < start.size() ||
        start != std::array<std::uint8_t, 8>{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}) {
        throw FormatError(kNotPowerPoint);
    }
    auto p = std::make_unique<SourcePresentation::Parsed>();
    p->source = std::move(source);
    try {
        p->file = std::make_unique<cfb::CompoundFile>(*p->source);
    } catch (const FormatError& e) {
        // The signature said compound file, so whatever is wrong is damage.
        std::string_view what = e.what();
        for (std::string_view prefix : {"damaged compound file", "not a compound file"}) {
            if (what.substr(0, prefix.size()) == prefix) {
                what.remove_prefix(prefix.size());
            }
        }
        ThrowDamaged("broken compound file" + std::string(what));
    }
    p->root = p->file->root();
    TakeDualStorage(p->root);
    p->doc = std::make_unique<DocumentStream>(DocumentStreamOf(p->root).content);
    ReadStructure(*p);
    return p;
}

}  // namespace

const MainMasterInfo* SourcePresentation::Parsed::MasterOf(
    std::optional<std::uint32_t> master_id) const noexcept {
    if (master_id) {
        if (const MainMasterInfo* m = FindMainMaster(*master_id)) {
            return m;
        }
        // A title master names a main master; only one step, so a title
        // master naming another cannot loop.
        const auto title = title_masters.find(*master_id);
        const MainMasterInfo* m =
            title != title_masters.end() ? FindMainMaster(title->second) : nullptr;
        if (m != nullptr) {
            return m;
        }
    }
    return main_masters.empty() ? nullptr : &main_masters.front();
}

SourcePresentation SourcePresentation::Read(std::unique_ptr<const cfb::ByteSource> source) {
    return SourcePresentation(Parse(std::move(source)));
}

SourcePresentation::SourcePresentation(std::unique_ptr<Parsed> parsed)
    : parsed_(std::move(parsed)) {}
SourcePresentation::SourcePresentation(SourcePresentation&&) noexcept = default;
SourcePresentation& SourcePresentation::operator=(SourcePresentation&&) noexcept = default;
SourcePresentation::~SourcePresentation() = default;

float SourcePresentation::SlideWidth() const noexcept {
    return parsed_->slide_width;
}

Rect SourcePresentation::MasterTitleRect(std::uint32_t master_id) const noexcept {
    const MainMasterInfo* m =
        parsed_->MasterOf(master_id != 0 ? std::optional(master_id) : std::nullopt);
    return m != nullptr ? m->title_rect : kDefaultTitleRect;
}

const std::vector<SlideSummary>& SourcePresentation::Slides() const noexcept {
    return parsed_->summaries;
}

}  // namespace pptfile
