// Reads a PowerPoint 97-2003 file: the edit chain and persist directory, the
// document's slide list, each slide's title, controls and master, and the
// title placeholder of each main master. Every offset, length and count comes from the
// file and is checked before use; loops are bounded by the bytes they walk.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "pptfile/edit_records.h"
#include "pptfile/errors.h"
#include "pptfile/file_io.h"
#include "pptfile/presentation.h"
#include "pptfile/presentation_parsed.h"
#include "pptfile/record_reader.h"
#include "pptfile/record_types.h"

namespace pptfile {

namespace {

constexpr char kNotPowerPoint[] = "not a PowerPoint 97-2003 file";
constexpr char kEncrypted[] = "the template is encrypted";
constexpr char kTooOld[] = "a PowerPoint 95 or older file, not 97-2003";

constexpr char kDocumentStream[] = "PowerPoint Document";
constexpr char kCurrentUserStream[] = "Current User";

constexpr std::uint32_t kEncryptedHeaderToken = 0xF3D1C4DFu;
constexpr std::size_t kCurrentUserFixedSize = 0x14;
constexpr std::size_t kUserEditShortLength = 0x1C;
constexpr std::size_t kUserEditLongLength = 0x20;

// Shape groups nest; real files go a few levels deep.
constexpr int kMaxGroupDepth = 32;

// Master units per point.
constexpr float kUnitsPerPoint = 8.0f;
// PowerPoint's largest slide side is 56 inches.
constexpr std::int32_t kMaxSlideSide = 56 * 576;

// Control storages are zlib streams; what they may expand to is bounded by the
// size of the file, so a small file cannot claim gigabytes.
constexpr std::size_t kInflateAllowanceBase = 1u << 20;
constexpr std::size_t kInflateAllowanceFactor = 8;

constexpr std::array<std::uint8_t, 8> kCompoundSignature = {0xD0, 0xCF, 0x11, 0xE0,
                                                            0xA1, 0xB1, 0x1A, 0xE1};

// Placeholder kinds (PlaceholderAtom.placementId) and text kinds
// (TextHeaderAtom.textType) that mean "title".
constexpr std::uint8_t kPlaceholderMasterTitle = 0x01;
constexpr std::uint8_t kPlaceholderTitle = 0x0D;
constexpr std::uint8_t kPlaceholderCenterTitle = 0x0F;
constexpr std::uint8_t kPlaceholderVerticalTitle = 0x11;
constexpr std::uint32_t kTextTypeTitle = 0;
constexpr std::uint32_t kTextTypeCenterTitle = 6;

constexpr std::uint32_t kShapeDeleted = 0x0008;

bool IsTitlePlaceholder(std::uint8_t kind) {
    return kind == kPlaceholderTitle || kind == kPlaceholderCenterTitle ||
           kind == kPlaceholderVerticalTitle;
}

bool IsTitleText(std::uint32_t text_type) {
    return text_type == kTextTypeTitle || text_type == kTextTypeCenterTitle;
}

const StorageEntry* FindStream(const StorageEntry& storage, std::string_view name) {
    const StorageEntry* e = storage.Find(name);
    return e != nullptr && !e->is_storage ? e : nullptr;
}

// --- the edit chain ---------------------------------------------------------

struct CurrentUser {
    bool valid = false;
    std::uint32_t header_token = 0;
    std::uint32_t offset_to_current_edit = 0;
};

CurrentUser ReadCurrentUser(const StorageEntry* stream) {
    CurrentUser cu;
    if (stream == nullptr || stream->data.size() < kRecordHeaderSize + 12) {
        return cu;
    }
    // Writers disagree on the header's length field, so only the type and the
    // fixed part are trusted.
    const Bytes data(stream->data);
    const std::uint16_t type = static_cast<std::uint16_t>(data[2] | (data[3] << 8));
    if (type != RT_CurrentUserAtom) {
        return cu;
    }
    FieldReader f(data.subspan(kRecordHeaderSize), "the current user record");
    const std::uint32_t size = f.U32();
    cu.header_token = f.U32();
    cu.offset_to_current_edit = f.U32();
    cu.valid = size == kCurrentUserFixedSize &&
               (cu.header_token == kPlainHeaderToken || cu.header_token == kEncryptedHeaderToken);
    return cu;
}

std::optional<UserEditFields> TryReadUserEdit(Bytes doc, std::size_t offset) {
    const auto r = TryReadRecord(doc, offset);
    if (!r || r->type() != RT_UserEditAtom || r->body.size() < kUserEditShortLength) {
        return std::nullopt;
    }
    FieldReader f(r->body, "a user edit record");
    UserEditFields e;
    e.offset = offset;
    e.last_slide_id = f.U32();
    e.version = f.U16();
    e.minor_version = f.U8();
    e.major_version = f.U8();
    e.offset_last_edit = f.U32();
    e.offset_persist_directory = f.U32();
    e.doc_persist_id = f.U32();
    e.persist_id_seed = f.U32();
    e.last_view = f.U16();
    f.Skip(2);
    if (r->body.size() >= kUserEditLongLength) {
        e.has_encrypt_session = true;
        e.encrypt_session_persist_id = f.U32();
    }
    // An edit must come after the directory it wrote.
    if (e.offset_persist_directory >= doc.size()) {
        return std::nullopt;
    }
    return e;
}

// A user edit record that is there but cannot be read holds changes that
// every other reader shows; falling back to an earlier edit would drop them.
bool IsDamagedUserEdit(Bytes doc, std::size_t offset) {
    if (offset > doc.size() || doc.size() - offset < kRecordHeaderSize) {
        return false;
    }
    const auto type = static_cast<std::uint16_t>(doc[offset + 2] | (doc[offset + 3] << 8));
    return type == RT_UserEditAtom && !TryReadUserEdit(doc, offset);
}

[[noreturn]] void ThrowLostEdit() {
    ThrowDamaged(
        "a user edit record is broken, and reading the file without it would lose "
        "the changes it holds");
}

// Offsets of the user edits found by walking the stream's top-level records
// from its start, in stream order. The walk stops at the first record that
// does not fit; a damaged user edit there or before is refused.
std::vector<std::size_t> ScanUserEdits(Bytes doc) {
    std::vector<std::size_t> found;
    std::size_t at = 0;
    while (auto r = TryReadRecord(doc, at)) {
        if (r->type() == RT_UserEditAtom) {
            if (!TryReadUserEdit(doc, at)) {
                ThrowLostEdit();
            }
            found.push_back(at);
        }
        at = r->End();
    }
    if (IsDamagedUserEdit(doc, at)) {
        ThrowLostEdit();
    }
    return found;
}

// The chain of user edits, newest first. A link that points nowhere useful (out
// of the stream, at something that is not a user edit, back into the chain)
// is repaired with the nearest earlier user edit found in the stream: edits
// are appended, so that is the one the broken link meant. A link to a user
// edit that is itself damaged is not repaired: its changes would be lost.
std::vector<UserEditFields> ReadEditChain(Bytes doc, const CurrentUser& cu, bool& recovered) {
    std::optional<std::vector<std::size_t>> scanned;
    auto scan = [&]() -> const std::vector<std::size_t>& {
        if (!scanned) {
            scanned = ScanUserEdits(doc);
        }
        return *scanned;
    };

    std::optional<UserEditFields> edit;
    if (cu.valid) {
        if (IsDamagedUserEdit(doc, cu.offset_to_current_edit)) {
            ThrowLostEdit();
        }
        edit = TryReadUserEdit(doc, cu.offset_to_current_edit);
    }
    if (!edit) {
        recovered = true;
        if (!scan().empty()) {
            edit = TryReadUserEdit(doc, scan().back());
        }
        if (!edit) {
            ThrowDamaged("no valid user edit record");
        }
    }

    std::vector<UserEditFields> chain;
    std::set<std::size_t> visited;
    const std::size_t max_edits = doc.size() / (kRecordHeaderSize + kUserEditShortLength) + 1;
    while (edit) {
        if (chain.size() >= max_edits) {
            ThrowDamaged("the user edits form a loop");
        }
        visited.insert(edit->offset);
        chain.push_back(*edit);
        const std::uint32_t link = edit->offset_last_edit;
        if (link == 0) {
            break;
        }
        std::optional<UserEditFields> previous;
        if (visited.count(link) == 0) {
            if (IsDamagedUserEdit(doc, link)) {
                ThrowLostEdit();
            }
            previous = TryReadUserEdit(doc, link);
        }
        if (!previous) {
            recovered = true;
            const auto& offsets = scan();
            auto it = std::lower_bound(offsets.begin(), offsets.end(), edit->offset);
            while (it != offsets.begin()) {
                --it;
                if (visited.count(*it) == 0) {
                    previous = TryReadUserEdit(doc, *it);
                    break;
                }
            }
        }
        edit = previous;
    }
    return chain;
}

void ApplyPersistDirectory(Bytes doc, std::size_t offset,
                           std::map<std::uint32_t, std::uint32_t>& directory) {
    const Record r = ReadRecord(doc, offset, "a persist directory");
    if (r.type() != RT_PersistDirectoryAtom) {
        ThrowDamaged("a user edit points at something that is not a persist directory");
    }
    FieldReader f(r.body, "a persist directory");
    while (f.Remaining() >= 4) {
        const std::uint32_t word = f.U32();
        const std::uint32_t first = word & 0xFFFFFu;
        const std::uint32_t count = word >> 20;
        for (std::uint32_t i = 0; i < count; ++i) {
            directory[first + i] = f.U32();
        }
    }
}

// --- records of the document ------------------------------------------------

Record ReadPersistObject(const SourcePresentation::Parsed& p, Bytes doc, std::uint32_t persist_id,
                         std::uint16_t expected_type, std::string_view what) {
    const auto it = p.persist_directory.find(persist_id);
    if (it == p.persist_directory.end()) {
        ThrowDamaged(std::string(what) + " is missing from the persist directory");
    }
    const Record r = ReadRecord(doc, it->second, what);
    if (r.type() != expected_type) {
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

// --- shapes -----------------------------------------------------------------

struct ShapeInfo {
    std::optional<std::uint8_t> placeholder;
    std::optional<std::uint32_t> ex_obj_id;
    std::optional<Rect> anchor;
    std::optional<std::u16string> text;
    std::optional<std::uint32_t> outline_text_index;
};

Rect ReadAnchor(Bytes body) {
    FieldReader f(body, "a shape anchor");
    std::int32_t top, left, right, bottom;
    if (body.size() >= 16) {
        top = f.I32();
        left = f.I32();
        right = f.I32();
        bottom = f.I32();
    } else {
        top = f.I16();
        left = f.I16();
        right = f.I16();
        bottom = f.I16();
    }
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
    if (!drawing) {
        return shapes;
    }
    const auto dg = FindChild(drawing->body, RT_OfficeArtDgContainer);
    if (!dg) {
        return shapes;
    }
    CollectShapes(dg->body, 0, shapes);
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

// --- control storages ---------------------------------------------------------

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
        if (const StorageEntry* contents = FindStream(root, "contents")) {
            control.state = contents->data;
        }
    }

  private:
    const SourcePresentation::Parsed& p_;
    Bytes doc_;
    std::size_t allowance_;
};

// --- the whole file -----------------------------------------------------------

// A "PowerPoint 95 & 97" file keeps its 97-2003 presentation in a storage of
// its own, with a PowerPoint 95 one at the root. That storage is the
// presentation, as a 97-2003 file holds it at its root; the property sets
// the two versions share come from the root where it has none of its own.
void TakeDualStorage(StorageEntry& root) {
    StorageEntry* dual = root.Find("PP97_DUALSTORAGE");
    if (dual == nullptr || !dual->is_storage || FindStream(*dual, kDocumentStream) == nullptr) {
        return;
    }
    StorageEntry presentation = std::move(*dual);
    for (StorageEntry& e : root.children) {
        if (!e.is_storage && e.name.starts_with('\x05') && presentation.Find(e.name) == nullptr) {
            presentation.children.push_back(std::move(e));
        }
    }
    presentation.name = root.name;
    root = std::move(presentation);
}

bool LooksLikeOldPowerPoint(const StorageEntry& root) {
    return root.Find("PP40") != nullptr || root.Find("PersistentStorage Directory") != nullptr ||
           FindStream(root, "Header") != nullptr;
}

void ReadStructure(SourcePresentation::Parsed& p, std::size_t file_size, SlideDetail detail) {
    const StorageEntry* doc_stream = FindStream(p.root, kDocumentStream);
    if (doc_stream == nullptr) {
        throw FormatError(LooksLikeOldPowerPoint(p.root) ? kTooOld : kNotPowerPoint);
    }
    if (p.root.Find("EncryptedSummary") != nullptr) {
        throw FormatError(kEncrypted);
    }
    const CurrentUser cu = ReadCurrentUser(FindStream(p.root, kCurrentUserStream));
    if (cu.valid && cu.header_token == kEncryptedHeaderToken) {
        throw FormatError(kEncrypted);
    }
    if (!cu.valid && LooksLikeOldPowerPoint(p.root)) {
        throw FormatError(kTooOld);
    }
    p.current_user_valid = cu.valid;

    const Bytes doc(doc_stream->data);
    const std::vector<UserEditFields> chain = ReadEditChain(doc, cu, p.recovered);
    p.last_edit = chain.front();
    // Each edit writes its own directory; a shared one would also let a small
    // file make the reader apply one large directory again and again.
    std::set<std::uint32_t> directories;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!directories.insert(it->offset_persist_directory).second) {
            ThrowDamaged("two user edits share a persist directory");
        }
        ApplyPersistDirectory(doc, it->offset_persist_directory, p.persist_directory);
    }
    p.max_persist_id = p.last_edit.persist_id_seed;
    if (!p.persist_directory.empty()) {
        p.max_persist_id = std::max(p.max_persist_id, p.persist_directory.rbegin()->first);
    }

    if (p.last_edit.has_encrypt_session && p.last_edit.encrypt_session_persist_id != 0 &&
        p.persist_directory.count(p.last_edit.encrypt_session_persist_id) != 0) {
        throw FormatError(kEncrypted);
    }

    const Record document =
        ReadPersistObject(p, doc, p.last_edit.doc_persist_id, RT_Document, "the document record");
    p.document_offset = document.offset;

    const auto atom = FindChild(document.body, RT_DocumentAtom);
    if (!atom) {
        ThrowDamaged("the document record has no document atom");
    }
    {
        FieldReader f(atom->body, "the document atom");
        const std::int32_t width = f.I32();
        const std::int32_t height = f.I32();
        if (width <= 0 || height <= 0 || width > kMaxSlideSide || height > kMaxSlideSide) {
            ThrowDamaged("the slide size is out of range");
        }
        p.slide_width = static_cast<float>(width) / kUnitsPerPoint;
        p.slide_height = static_cast<float>(height) / kUnitsPerPoint;
    }

    std::optional<std::vector<ListEntry>> slide_list;
    std::optional<std::vector<ListEntry>> master_list;
    std::map<std::uint32_t, ControlRef> controls;
    RecordCursor children(document.body);
    while (auto r = children.Next()) {
        if (r->type() == RT_SlideListWithText) {
            if (r->instance() == 0 && !slide_list) {
                slide_list = ReadSlideList(r->body);
            } else if (r->instance() == 1 && !master_list) {
                master_list = ReadSlideList(r->body);
            }
        } else if (r->type() == RT_ExternalObjectList) {
            RecordCursor objects(r->body);
            while (auto o = objects.Next()) {
                if (o->type() == RT_ExternalObjectListAtom) {
                    p.ex_obj_id_seed = FieldReader(o->body, "the object list atom").U32();
                } else if (o->type() == RT_ExternalOleControl) {
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
        }
    }

    // Masters: each main master's title placeholder is where the title of a
    // new slide following it goes; title masters lead to a main master.
    std::set<std::size_t> read_masters;  // offsets
    for (const ListEntry& e : master_list ? *master_list : std::vector<ListEntry>{}) {
        const auto it = p.persist_directory.find(e.slide.persist_id);
        if (it == p.persist_directory.end()) {
            ThrowDamaged("a master is missing from the persist directory");
        }
        const Record r = ReadRecord(doc, it->second, "a master");
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

    ControlReader control_reader(p, doc, file_size);
    std::set<std::uint32_t> listed_slides;
    std::set<std::size_t> read_slides;  // offsets
    for (const ListEntry& e : slide_list ? *slide_list : std::vector<ListEntry>{}) {
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
        bool titled = false;
        for (const ShapeInfo& s : ReadShapes(r.body)) {
            if (!titled && s.placeholder && IsTitlePlaceholder(*s.placeholder)) {
                if (s.text) {
                    summary.title = *s.text;
                    titled = true;
                } else if (s.outline_text_index && *s.outline_text_index < e.texts.size()) {
                    summary.title = e.texts[*s.outline_text_index].second;
                    titled = true;
                }
            }
            if (s.ex_obj_id && detail == SlideDetail::kWithControls) {
                const auto c = controls.find(*s.ex_obj_id);
                if (c == controls.end()) {
                    continue;
                }
                ControlObject control;
                control.prog_id = c->second.prog_id;
                control.anchor = s.anchor.value_or(Rect{});
                control_reader.Read(c->second.persist_id, control);
                summary.controls.push_back(std::move(control));
            }
        }
        if (!titled) {
            for (const auto& [type, text] : e.texts) {
                if (IsTitleText(type)) {
                    summary.title = text;
                    break;
                }
            }
        }
        p.summaries.push_back(std::move(summary));
    }
}

std::unique_ptr<SourcePresentation::Parsed> Parse(const ByteSource& file, SlideDetail detail) {
    std::array<std::uint8_t, kCompoundSignature.size()> start{};
    if (file.size < start.size() || file.read(0, start) < start.size() ||
        start != kCompoundSignature) {
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

SourcePresentation SourcePresentation::Open(const std::filesystem::path& path, SlideDetail detail) {
    const InputFile file(path);
    return SourcePresentation(Parse(file.Source(), detail));
}

SourcePresentation SourcePresentation::FromBytes(std::span<const std::uint8_t> bytes,
                                                 SlideDetail detail) {
    return SourcePresentation(Parse(MemorySource(bytes), detail));
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
