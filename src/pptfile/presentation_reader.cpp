// Reads the structure of a PowerPoint 97-2003 file. Every offset, length and count
// comes from the file and is checked before use; loops are bounded by the bytes they walk.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pptfile/compound_file_format.h"
#include "pptfile/errors.h"
#include "pptfile/presentation.h"
#include "pptfile/presentation_parsed.h"
#include "pptfile/record_reader.h"
#include "pptfile/record_types.h"

namespace pptfile {

namespace {

// Shape groups nest; real files go a few levels deep.
constexpr int kMaxGroupDepth = 32;
// Containers in the document record nest a few levels deep; deeper ones are
// not walked.
constexpr int kMaxDocumentDepth = 32;

// Master units per point.
constexpr float kUnitsPerPoint = 8.0f;
// PowerPoint's largest slide side is 56 inches.
constexpr std::int32_t kMaxSlideSide = 56 * 576;

// What a control storage may expand to is bounded by the size of the file.
constexpr std::size_t kInflateAllowanceBase = 1u << 20;
constexpr std::size_t kInflateAllowanceFactor = 8;

constexpr std::uint32_t kShapeDeleted = 0x0008;

bool IsTitlePlaceholder(std::uint8_t kind) {
    return kind == kPlaceholderTitle || kind == kPlaceholderCenterTitle ||
           kind == kPlaceholderVerticalTitle;
}

// The record persist object `persist_id` starts with, of `expected_type` if given.
Record ReadPersistObject(const SourcePresentation::Parsed& p, Bytes doc, std::uint32_t persist_id,
                         std::optional<std::uint16_t> expected_type, std::string_view what) {
    const auto offset = p.persist_directory.Find(persist_id);
    if (!offset) {
        ThrowDamaged(std::string(what) + " is missing from the persist directory");
    }
    const Record r = ReadRecord(doc, *offset, what);
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
        } else if (r->type() == RT_TextCharsAtom) {
            entries.back().texts.emplace_back(text_type, DecodeUtf16(r->body));
        } else if (r->type() == RT_TextBytesAtom) {
            entries.back().texts.emplace_back(text_type, DecodeLatin1(r->body));
        }
    }
    return entries;
}

struct ControlRef {
    std::u16string prog_id;
    std::uint32_t persist_id = 0;
};

struct ShapeInfo {
    std::optional<std::uint8_t> placeholder;
    std::optional<std::uint32_t> ex_obj_id;
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
    // Sides are subtracted in 64 bits: 32-bit corners from a file may be
    // anything.
    const auto width = static_cast<std::int64_t>(right) - left;
    const auto height = static_cast<std::int64_t>(bottom) - top;
    return Rect{static_cast<float>(left) / kUnitsPerPoint, static_cast<float>(top) / kUnitsPerPoint,
                static_cast<float>(width) / kUnitsPerPoint,
                static_cast<float>(height) / kUnitsPerPoint};
}

ShapeInfo ReadShape(Bytes body) {
    ShapeInfo shape;
    RecordCursor cursor(body);
    while (auto r = cursor.Next()) {
        switch (r->type()) {
            case RT_OfficeArtFSP: {
                FieldReader f(r->body, "a shape record");
                f.Skip(4);  // shape id
                if ((f.U32() & kShapeDeleted) != 0) {
                    return ShapeInfo{};
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
                    } else if (d->type() == RT_ExternalObjectRefAtom) {
                        shape.ex_obj_id = FieldReader(d->body, "an object reference").U32();
                    }
                }
                break;
            }
            case RT_OfficeArtClientTextbox: {
                RecordCursor text(r->body);
                while (auto t = text.Next()) {
                    if (t->type() == RT_TextCharsAtom && !shape.text) {
                        shape.text = DecodeUtf16(t->body);
                    } else if (t->type() == RT_TextBytesAtom && !shape.text) {
                        shape.text = DecodeLatin1(t->body);
                    } else if (t->type() == RT_OutlineTextRefAtom) {
                        shape.outline_text_index = FieldReader(t->body, "a text reference").U32();
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
    if (depth > kMaxGroupDepth) {
        ThrowDamaged("shape groups are nested too deeply");
    }
    RecordCursor cursor(body);
    while (auto r = cursor.Next()) {
        if (r->type() == RT_OfficeArtSpgrContainer) {
            CollectShapes(r->body, depth + 1, out);
        } else if (r->type() == RT_OfficeArtSpContainer) {
            out.push_back(ReadShape(r->body));
        }
    }
}

// The shapes of a slide or master container, groups flattened.
std::vector<ShapeInfo> ReadShapes(Bytes container_body) {
    std::vector<ShapeInfo> shapes;
    const auto drawing = FindChild(container_body, RT_Drawing);
    if (const auto dg =
            drawing ? FindChild(drawing->body, RT_OfficeArtDgContainer) : std::nullopt) {
        CollectShapes(dg->body, 0, shapes);
    }
    return shapes;
}

// The title placeholder of a main master's drawing, if it has one.
std::optional<Rect> MasterTitle(Bytes master_body) {
    for (const ShapeInfo& s : ReadShapes(master_body)) {
        if (s.placeholder == kPlaceholderMasterTitle && s.anchor) {
            return s.anchor;
        }
    }
    return std::nullopt;
}

// The master a slide's (or title master's) slide atom names.
std::optional<std::uint32_t> SlideAtomMasterRef(Bytes container_body) {
    const auto atom = FindChild(container_body, RT_SlideAtom);
    if (!atom || atom->body.size() < 16) {
        return std::nullopt;
    }
    FieldReader f(atom->body, "a slide atom");
    f.Skip(12);  // layout, placeholder kinds
    return f.U32();
}

std::vector<std::uint8_t> Inflate(Bytes compressed, std::size_t limit) {
    std::vector<std::uint8_t> out;
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) {
        throw FormatError("cannot start decompression");
    }
    struct Guard {
        z_stream* zs;
        ~Guard() { inflateEnd(zs); }
    } guard{&zs};

    zs.next_in = const_cast<Bytef*>(compressed.data());
    zs.avail_in = static_cast<uInt>(std::min<std::size_t>(compressed.size(), 0xFFFFFFFFu));
    std::array<std::uint8_t, 16384> chunk{};
    for (;;) {
        zs.next_out = chunk.data();
        zs.avail_out = static_cast<uInt>(chunk.size());
        const int rc = inflate(&zs, Z_NO_FLUSH);
        const std::size_t produced = chunk.size() - zs.avail_out;
        if (produced > limit - out.size()) {
            ThrowDamaged("a control's storage expands beyond its stated size");
        }
        out.insert(out.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(produced));
        if (rc == Z_STREAM_END) {
            return out;
        }
        if (rc != Z_OK || (produced == 0 && zs.avail_in == 0)) {
            ThrowDamaged("a control's storage does not decompress");
        }
    }
}

class ControlReader {
  public:
    ControlReader(const SourcePresentation::Parsed& p, Bytes doc, std::size_t file_size)
        : p_(p),
          doc_(doc),
          allowance_(kInflateAllowanceBase + kInflateAllowanceFactor * file_size) {}

    void Read(std::uint32_t persist_id, ControlObject& control) {
        const Record r =
            ReadPersistObject(p_, doc_, persist_id, RT_ExternalOleObjectStg, "a control's storage");
        std::vector<std::uint8_t> storage;
        Bytes raw = r.body;
        if (r.instance() == 1) {
            FieldReader f(r.body, "a control's storage");
            const std::uint32_t stated = f.U32();
            if (stated > allowance_) {
                ThrowDamaged("a control's storage is larger than the file allows");
            }
            storage = Inflate(f.Take(f.Remaining()), stated);
            allowance_ -= storage.size();
            raw = storage;
        } else {
            // Shapes may share a storage; reading it again is charged again.
            if (raw.size() > allowance_) {
                ThrowDamaged("the controls' storages are larger than the file allows");
            }
            allowance_ -= raw.size();
        }
        StorageEntry root;
        try {
            root = ReadCompoundFile(raw);
        } catch (const FormatError&) {
            ThrowDamaged("a control's storage is not a compound file");
        }
        control.clsid = root.clsid;
        if (const StorageEntry* contents = FindStream(root, kContentsStream)) {
            control.state = contents->data;
        }
    }

  private:
    const SourcePresentation::Parsed& p_;
    Bytes doc_;
    std::size_t allowance_;
};

// A "PowerPoint 95 & 97" file keeps its 97-2003 presentation in a storage of its own;
// the property sets the two versions share may be only at the root.
void TakeDualStorage(StorageEntry& root) {
    constexpr std::string_view kDualStorage = "PP97_DUALSTORAGE";
    StorageEntry* dual = root.Find(kDualStorage);
    if (dual != nullptr && dual->is_storage && FindStream(*dual, kDocumentStream) != nullptr) {
        StorageEntry presentation = std::move(*dual);
        for (StorageEntry& e : root.children) {
            if (!e.is_storage && e.name.starts_with('\x05') &&
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
    while (StorageEntry* stale = root.Find(kDualStorage)) {
        root.children.erase(root.children.begin() + (stale - root.children.data()));
    }
}

bool LooksLikeOldPowerPoint(const StorageEntry& root) {
    return root.Find("PP40") != nullptr || root.Find("PersistentStorage Directory") != nullptr ||
           FindStream(root, "Header") != nullptr;
}

// The document stream of an unencrypted PowerPoint 97-2003 presentation.
Bytes DocumentStreamOf(const StorageEntry& root) {
    const StorageEntry* doc_stream = FindStream(root, kDocumentStream);
    if (doc_stream == nullptr) {
        throw FormatError(LooksLikeOldPowerPoint(root) ? kTooOld : kNotPowerPoint);
    }
    if (root.Find("EncryptedSummary") != nullptr) {
        throw FormatError(kEncrypted);
    }
    return doc_stream->data;
}

// Every record inside the document fits in its container. Apache POI reads one
// that runs past its container's end from the bytes that follow it; a save
// copies the record into a new document at the end of the stream, where
// those bytes are others, or none, and the output would not open.
void CheckNesting(Bytes body, int depth) {
    RecordCursor cursor(body);
    while (auto r = cursor.Next()) {
        if (r->IsContainer() && depth < kMaxDocumentDepth) {
            CheckNesting(r->body, depth + 1);
        }
    }
}

void ReadSlideSize(SourcePresentation::Parsed& p, Bytes document_body) {
    const auto atom = FindChild(document_body, RT_DocumentAtom);
    if (!atom) {
        ThrowDamaged("the document record has no document atom");
    }
    FieldReader f(atom->body, "the document atom");
    const std::int32_t width = f.I32();
    const std::int32_t height = f.I32();
    if (width <= 0 || height <= 0 || width > kMaxSlideSide || height > kMaxSlideSide) {
        ThrowDamaged("the slide size is out of range");
    }
    p.slide_width = static_cast<float>(width) / kUnitsPerPoint;
}

// Controls by object id; every id the list used is recorded for new objects.
void ReadObjectList(SourcePresentation::Parsed& p, Bytes list_body,
                    std::map<std::uint32_t, ControlRef>& controls) {
    RecordCursor objects(list_body);
    while (auto o = objects.Next()) {
        if (o->type() == RT_ExternalObjectListAtom) {
            const std::uint32_t seed = FieldReader(o->body, "the object list atom").U32();
            p.max_object_id = std::max(p.max_object_id, seed);
            continue;
        }
        if (!o->IsContainer()) {
            continue;
        }
        try {
            RecordCursor atoms(o->body);
            while (auto atom = atoms.Next()) {
                // An embedded object's atom holds its identifier after two
                // fields; a hyperlink's or a medium's, first.
                const bool ole = atom->type() == RT_ExternalOleObjectAtom;
                const std::size_t at = ole ? 8 : 0;
                if (!ole && atom->type() != RT_ExternalHyperlinkAtom &&
                    atom->type() != RT_ExternalMediaAtom) {
                    continue;
                }
                if (atom->body.size() >= at + 4) {
                    const std::uint32_t id = FieldReader(atom->body.subspan(at), "an object").U32();
                    p.max_object_id = std::max(p.max_object_id, id);
                }
            }
        } catch (const FormatError&) {
            // The seed covers what a damaged entry would name.
        }
        if (o->type() != RT_ExternalOleControl) {
            continue;
        }
        const auto ole = FindChild(o->body, RT_ExternalOleObjectAtom);
        if (!ole) {
            continue;
        }
        FieldReader f(ole->body, "an object atom");
        f.Skip(8);  // draw aspect, type
        const std::uint32_t id = f.U32();
        f.Skip(4);  // subtype
        ControlRef ref;
        ref.persist_id = f.U32();
        if (const auto prog_id = FindChild(o->body, RT_CString, 2)) {
            ref.prog_id = DecodeUtf16(prog_id->body);
        }
        controls.emplace(id, std::move(ref));
    }
}

// Notes are numbered like slides: new slides keep clear of them.
void RecordNotesIds(SourcePresentation::Parsed& p, Bytes list_body) {
    try {
        std::uint32_t max_id = 0;
        RecordCursor cursor(list_body);
        while (auto r = cursor.Next()) {
            if (r->type() == RT_SlidePersistAtom && r->body.size() >= 16) {
                max_id = std::max(max_id, FieldReader(r->body.subspan(12), "a notes entry").U32());
            }
        }
        p.max_slide_id = std::max(p.max_slide_id, max_id);
    } catch (const FormatError&) {
    }
}

// The slides, masters and outline texts, and the object list's controls.
struct DocumentLists {
    std::vector<ListEntry> slides;
    std::vector<ListEntry> masters;
    std::map<std::uint32_t, ControlRef> controls;
};

DocumentLists ReadDocumentLists(SourcePresentation::Parsed& p, Bytes document_body) {
    DocumentLists lists;
    bool slides_read = false;
    bool masters_read = false;
    bool notes_read = false;
    RecordCursor children(document_body);
    while (auto r = children.Next()) {
        if (r->type() == RT_SlideListWithText) {
            if (r->instance() == 0 && !std::exchange(slides_read, true)) {
                lists.slides = ReadSlideList(r->body);
            } else if (r->instance() == 1 && !std::exchange(masters_read, true)) {
                lists.masters = ReadSlideList(r->body);
            } else if (r->instance() == 2 && !std::exchange(notes_read, true)) {
                RecordNotesIds(p, r->body);
            }
        } else if (r->type() == RT_ExternalObjectList) {
            ReadObjectList(p, r->body, lists.controls);
        }
    }
    return lists;
}

// A main master's title placeholder places new slides' titles.
void ReadMasters(SourcePresentation::Parsed& p, Bytes doc, const std::vector<ListEntry>& masters) {
    std::set<std::size_t> read_masters;  // offsets
    for (const ListEntry& e : masters) {
        const Record r = ReadPersistObject(p, doc, e.slide.persist_id, std::nullopt, "a master");
        ListedSlide listed = e.slide;
        listed.offset = r.offset;
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
            if (const auto title = MasterTitle(r.body)) {
                master.title_rect = *title;
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
        if (!s.placeholder || !IsTitlePlaceholder(*s.placeholder)) {
            continue;
        }
        if (s.text) {
            return *s.text;
        }
        if (s.outline_text_index && *s.outline_text_index < e.texts.size()) {
            return e.texts[*s.outline_text_index].second;
        }
    }
    for (const auto& [type, text] : e.texts) {
        if (type == kTextTypeTitle || type == kTextTypeCenterTitle) {
            return text;
        }
    }
    return {};
}

void ReadSlides(SourcePresentation::Parsed& p, Bytes doc, const DocumentLists& lists,
                std::size_t file_size, SlideDetail detail) {
    ControlReader control_reader(p, doc, file_size);
    std::set<std::uint32_t> listed_slides;
    std::set<std::size_t> read_slides;  // offsets
    for (const ListEntry& e : lists.slides) {
        // A slide listed twice would be read twice, and a small file could
        // list one large slide many times.
        if (!listed_slides.insert(e.slide.persist_id).second) {
            ThrowDamaged("a slide is listed twice");
        }
        const Record r = ReadPersistObject(p, doc, e.slide.persist_id, RT_Slide, "a slide");
        ListedSlide listed = e.slide;
        listed.offset = r.offset;
        p.slides.push_back(listed);
        p.max_slide_id = std::max(p.max_slide_id, listed.slide_id);

        // Slides that share one record are refused as Apache POI shows them
        // as one; reading it again for each would let a small file cost a
        // large one's work many times.
        if (!read_slides.insert(r.offset).second) {
            ThrowDamaged("two listed slides share one slide record");
        }
        SlideSummary summary;
        const MainMasterInfo* master = nullptr;
        if (const auto ref = SlideAtomMasterRef(r.body)) {
            master = p.FollowMaster(*ref);
        }
        if (master == nullptr) {
            master = p.FirstMainMaster();
        }
        summary.master_id = master != nullptr ? master->listed.slide_id : 0;
        const std::vector<ShapeInfo> shapes = ReadShapes(r.body);
        summary.title = SlideTitle(shapes, e);
        for (const ShapeInfo& s : shapes) {
            const auto c = s.ex_obj_id && detail == SlideDetail::kWithControls
                               ? lists.controls.find(*s.ex_obj_id)
                               : lists.controls.end();
            if (c == lists.controls.end()) {
                continue;
            }
            ControlObject control;
            control.prog_id = c->second.prog_id;
            control.anchor = s.anchor.value_or(Rect{});
            control_reader.Read(c->second.persist_id, control);
            summary.controls.push_back(std::move(control));
        }
        p.summaries.push_back(std::move(summary));
    }
}

// The highest drawing and shape ids a slide, master, notes or handout record
// uses: the drawing group's counts may lag.
void RecordDrawingIds(SourcePresentation::Parsed& p, const Record& r) {
    if (r.type() != RT_Slide && r.type() != RT_MainMaster && r.type() != RT_Notes &&
        r.type() != RT_Handout) {
        return;
    }
    try {
        const auto drawing = FindChild(r.body, RT_Drawing);
        const auto dg = drawing ? FindChild(drawing->body, RT_OfficeArtDgContainer) : std::nullopt;
        const auto fdg = dg ? FindChild(dg->body, RT_OfficeArtFDG) : std::nullopt;
        if (!fdg || fdg->body.size() < 8) {
            return;
        }
        FieldReader f(fdg->body, "a drawing");
        f.Skip(4);  // shapes
        p.max_drawing_id = std::max<std::uint32_t>(p.max_drawing_id, fdg->instance());
        p.max_shape_id = std::max(p.max_shape_id, f.U32());
    } catch (const FormatError&) {
        // An object this program never reads may be damaged; the
        // identifiers it would use are covered by the drawing group's.
    }
}

// Every persist object's drawing ids. A persist object other than the
// document that is a document record is an older document: Apache POI takes
// the one with the highest persist id for the document, and could show a
// save without what it adds.
void ReadPersistObjects(SourcePresentation::Parsed& p, Bytes doc) {
    // Many persist ids may name one large record: each record is read once.
    std::vector<bool> read(doc.size());
    p.persist_directory.ForEach([&](std::uint32_t, std::uint32_t offset) {
        if (offset >= doc.size() || read[offset]) {
            return;
        }
        read[offset] = true;
        const auto r = TryReadRecord(doc, offset);
        if (r && r->type() == RT_Document && offset != p.document_offset) {
            ThrowDamaged("the persist directory names a second document record");
        }
        if (r) {
            RecordDrawingIds(p, *r);
        }
    });
}

void ReadStructure(SourcePresentation::Parsed& p, std::size_t file_size, SlideDetail detail) {
    const Bytes doc = DocumentStreamOf(p.root);
    ReadEditHistory(p, doc, LooksLikeOldPowerPoint(p.root));
    const Record document =
        ReadPersistObject(p, doc, p.last_edit.doc_persist_id, RT_Document, "the document record");
    p.document_offset = document.offset;
    CheckNesting(document.body, 0);
    ReadSlideSize(p, document.body);
    const DocumentLists lists = ReadDocumentLists(p, document.body);
    ReadMasters(p, doc, lists.masters);
    ReadSlides(p, doc, lists, file_size, detail);
    ReadPersistObjects(p, doc);
}

std::unique_ptr<SourcePresentation::Parsed> Parse(const ByteSource& file, SlideDetail detail) {
    std::array<std::uint8_t, cfb::kSignature.size()> start{};
    if (file.size < start.size() || file.read(0, start) < start.size() ||
        start != cfb::kSignature) {
        throw FormatError(kNotPowerPoint);
    }
    auto p = std::make_unique<SourcePresentation::Parsed>();
    try {
        p->root = ReadCompoundFile(file);
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
    TakeDualStorage(p->root);
    ReadStructure(*p, static_cast<std::size_t>(file.size), detail);
    return p;
}

}  // namespace

const StorageEntry* FindStream(const StorageEntry& storage, std::string_view name) {
    const StorageEntry* e = storage.Find(name);
    return e != nullptr && !e->is_storage ? e : nullptr;
}

const std::vector<std::uint8_t>& SourcePresentation::Parsed::DocumentStream() const {
    const StorageEntry* e = FindStream(root, kDocumentStream);
    if (e == nullptr) {
        throw FormatError(kNotPowerPoint);
    }
    return e->data;
}

const MainMasterInfo* SourcePresentation::Parsed::FindMainMaster(
    std::uint32_t master_id) const noexcept {
    const auto it = main_master_index.find(master_id);
    return it != main_master_index.end() ? &main_masters[it->second] : nullptr;
}

const MainMasterInfo* SourcePresentation::Parsed::FollowMaster(
    std::uint32_t master_id) const noexcept {
    if (const MainMasterInfo* m = FindMainMaster(master_id)) {
        return m;
    }
    // A title master names a main master; only one step, so a title master
    // naming another cannot loop.
    const auto title = title_masters.find(master_id);
    return title != title_masters.end() ? FindMainMaster(title->second) : nullptr;
}

SourcePresentation SourcePresentation::Read(const ByteSource& source, SlideDetail detail) {
    return SourcePresentation(Parse(source, detail));
}

SourcePresentation::SourcePresentation(std::unique_ptr<Parsed> parsed)
    : parsed_(std::move(parsed)) {}
SourcePresentation::SourcePresentation(SourcePresentation&&) noexcept = default;
SourcePresentation& SourcePresentation::operator=(SourcePresentation&&) noexcept = default;
SourcePresentation::~SourcePresentation() = default;

float SourcePresentation::SlideWidth() const noexcept {
    return parsed_->slide_width;
}

Rect SourcePresentation::MasterTitleRect() const noexcept {
    const MainMasterInfo* first = parsed_->FirstMainMaster();
    return first != nullptr ? first->title_rect : kDefaultTitleRect;
}

Rect SourcePresentation::MasterTitleRect(std::uint32_t master_id) const noexcept {
    const MainMasterInfo* m = master_id != 0 ? parsed_->FollowMaster(master_id) : nullptr;
    return m != nullptr ? m->title_rect : MasterTitleRect();
}

const std::vector<SlideSummary>& SourcePresentation::Slides() const noexcept {
    return parsed_->summaries;
}

}  // namespace pptfile
