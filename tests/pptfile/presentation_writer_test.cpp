// The written presentation, taken apart with our own bounded record walker:
// nesting and lengths, the persist directory and the user edit, what each
// record holds, and the reader's view of the same bytes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/errors.h"
#include "pptfile/md4.h"
#include "pptfile/presentation.h"
#include "pptfile/presentation_parsed.h"
#include "pptfile/property_sets.h"
#include "pptfile/record_types.h"
#include "pptfile/record_walker.h"

namespace pptfile {
namespace {

using testing::FindAll;
using testing::Le16;
using testing::Le32;
using testing::WalkedRecord;
using testing::WalkRecords;

using Bytes = std::vector<std::uint8_t>;

const ClassId kViewerClsid{0x3F, 0x2B, 0x8E, 0x51, 0x0C, 0x7D, 0x4A, 0x43,
                           0x9E, 0x61, 0x5A, 0x17, 0xC2, 0x40, 0x8B, 0x11};

ControlObject Viewer(Rect anchor, std::string state = "C:\\data\\bracket_multiple.zbn") {
    ControlObject c;
    c.prog_id = u"TRELVO.TrelvoCtrl.1";
    c.clsid = kViewerClsid;
    c.state.assign(state.begin(), state.end());
    c.anchor = anchor;
    c.preview_lines = {u"Trelvo viewer", u"bracket_multiple.zbn"};
    return c;
}

SlideContent TitleSlide(std::u16string title, std::vector<ControlObject> controls = {}) {
    return {std::move(title), kDefaultTitleRect, std::move(controls)};
}

std::u16string Utf16(std::span<const std::uint8_t> body) {
    std::u16string s;
    for (std::size_t i = 0; i + 1 < body.size(); i += 2) {
        s += static_cast<char16_t>(Le16(body, i));
    }
    return s;
}

// The file taken apart; every step checks what it relies on.
struct WrittenFile {
    StorageEntry root;
    Bytes stream;
    std::vector<WalkedRecord> top;
    std::map<std::uint32_t, const WalkedRecord*> persist;  // id -> top-level record
    std::uint32_t persist_seed = 0;

    explicit WrittenFile(const Bytes& file) {
        root = ReadCompoundFile(file);
        const StorageEntry* doc = root.Find("PowerPoint Document");
        const StorageEntry* user = root.Find("Current User");
        if (doc == nullptr || user == nullptr) {
            throw std::runtime_error("missing stream");
        }
        stream = doc->data;
        top = WalkRecords(stream, 0, stream.size());

        // Current User -> the last user edit -> its persist directory. The
        // Unicode copy of the user's name follows the record.
        const std::size_t record_end = kRecordHeaderSize + Le32(user->data, 4);
        const std::vector<WalkedRecord> cu = WalkRecords(user->data, 0, record_end);
        EXPECT_EQ(cu.size(), 1u);
        EXPECT_EQ(cu.at(0).type, RT_CurrentUserAtom);
        const auto cub = cu.at(0).Body(user->data);
        EXPECT_EQ(Le32(cub, 0), 0x14u);
        EXPECT_EQ(Le32(cub, 4), 0xE391C05Fu);
        const std::uint16_t name_length = Le16(cub, 12);
        EXPECT_EQ(Le16(cub, 14), 0x03F4);
        EXPECT_EQ(cub[16], 3);
        EXPECT_EQ(cub[17], 0);
        EXPECT_EQ(Le32(cub, 20u + name_length), 8u);
        EXPECT_EQ(cub.size(), 0x14u + name_length + 4u);
        EXPECT_EQ(user->data.size(), record_end + 2u * name_length);

        const WalkedRecord& edit = AtOffset(Le32(cub, 8));
        EXPECT_EQ(edit.type, RT_UserEditAtom);
        EXPECT_EQ(edit.length, 0x1Cu);
        EXPECT_EQ(&edit, &top.back()) << "the last edit ends the stream";
        const auto eb = edit.Body(stream);
        EXPECT_EQ(eb[6], 0);
        EXPECT_EQ(eb[7], 3);
        EXPECT_EQ(Le32(eb, 8), 0u) << "one edit, no earlier one";
        EXPECT_EQ(Le32(eb, 16), 1u) << "the document is persist object 1";
        persist_seed = Le32(eb, 20);
        const WalkedRecord& dir = AtOffset(Le32(eb, 12));
        EXPECT_EQ(dir.type, RT_PersistDirectoryAtom);
        EXPECT_LT(dir.offset, edit.offset);

        const auto db = dir.Body(stream);
        for (std::size_t at = 0; at < db.size();) {
            const std::uint32_t head = Le32(db, at);
            const std::uint32_t first = head & 0xFFFFF;
            const std::uint32_t count = head >> 20;
            at += 4;
            for (std::uint32_t i = 0; i < count; ++i, at += 4) {
                persist[first + i] = &AtOffset(Le32(db, at));
            }
        }
    }

    const WalkedRecord& AtOffset(std::uint32_t offset) const {
        for (const WalkedRecord& r : top) {
            if (r.offset == offset) {
                return r;
            }
        }
        throw std::runtime_error("no record starts at " + std::to_string(offset));
    }
    const WalkedRecord& Persist(std::uint32_t id) const {
        auto it = persist.find(id);
        if (it == persist.end()) {
            throw std::runtime_error("no persist object " + std::to_string(id));
        }
        return *it->second;
    }
    const WalkedRecord& Document() const { return Persist(1); }

    struct SlideView {
        std::u16string title;
        const WalkedRecord* slide;
        std::uint32_t slide_id;
    };
    std::vector<SlideView> Slides() const {
        std::vector<SlideView> out;
        for (const WalkedRecord* list : Document().All(RT_SlideListWithText)) {
            if (list->instance != 0) {
                continue;
            }
            for (std::size_t i = 0; i < list->children.size(); ++i) {
                const WalkedRecord& atom = list->children[i];
                if (atom.type != RT_SlidePersistAtom) {
                    continue;
                }
                const auto b = atom.Body(stream);
                SlideView view{u"", &Persist(Le32(b, 0)), Le32(b, 12)};
                EXPECT_EQ(view.slide->type, RT_Slide);
                EXPECT_EQ(Le32(b, 8), 1u) << "one text placeholder";
                EXPECT_EQ(list->children.at(i + 1).type, RT_TextHeaderAtom);
                EXPECT_EQ(Le32(list->children.at(i + 1).Body(stream), 0), 0u) << "title text";
                view.title = Utf16(list->children.at(i + 2).Body(stream));
                out.push_back(view);
            }
        }
        return out;
    }

    struct ControlView {
        std::u16string prog_id;
        std::int32_t top, left, right, bottom;
        StorageEntry storage;
        std::uint32_t slide_id;
        std::uint32_t object_id, picture_id;
        std::u16string name;
        Bytes picture;  // the metafile, uncompressed
    };

    // The BLIP store entry `pib` names, through the "Pictures" stream to the
    // metafile; every field [MS-ODRAW] fixes is checked on the way.
    Bytes Picture(std::uint32_t pib) const {
        std::vector<const WalkedRecord*> stores;
        FindAll(Document().children, RT_OfficeArtBStoreContainer, stores);
        EXPECT_EQ(stores.size(), 1u);
        const WalkedRecord& store = *stores.at(0);
        EXPECT_EQ(store.instance, store.children.size());
        const WalkedRecord& fbse = store.children.at(pib - 1);
        EXPECT_EQ(fbse.type, RT_OfficeArtFBSE);
        EXPECT_EQ(fbse.version, 2);
        const auto entry = fbse.Body(stream);
        EXPECT_EQ(entry.size(), 36u);
        EXPECT_EQ(fbse.instance, entry[0]);
        EXPECT_EQ(entry[0], 2) << "EMF";
        const StorageEntry* pictures = root.Find("Pictures");
        EXPECT_NE(pictures, nullptr);
        const std::vector<WalkedRecord> blips =
            WalkRecords(pictures->data, Le32(entry, 28), Le32(entry, 28) + Le32(entry, 20));
        EXPECT_EQ(blips.size(), 1u);
        const WalkedRecord& blip = blips.at(0);
        EXPECT_EQ(blip.type, 0xF01A);
        EXPECT_EQ(blip.instance, 0x3D4);
        const auto b = blip.Body(pictures->data);
        EXPECT_TRUE(std::equal(b.begin(), b.begin() + 16, entry.begin() + 2)) << "one uid";
        EXPECT_EQ(Le32(b, 44), b.size() - 50) << "cbSave";
        EXPECT_EQ(b[48], 0) << "deflate";
        EXPECT_EQ(b[49], 0xFE);
        Bytes emf(Le32(b, 16));
        uLongf size = static_cast<uLongf>(emf.size());
        EXPECT_EQ(uncompress(emf.data(), &size, b.data() + 50, static_cast<uLong>(b.size() - 50)),
                  Z_OK);
        EXPECT_EQ(size, emf.size());
        const std::array<std::uint8_t, 16> uid = Md4(emf);
        EXPECT_TRUE(std::equal(uid.begin(), uid.end(), b.begin())) << "the uid is the MD4";
        return emf;
    }
    // The controls of a slide, through the object list to their storages.
    std::vector<ControlView> Controls(const WalkedRecord& slide) const {
        std::vector<ControlView> out;
        std::vector<const WalkedRecord*> shapes;
        FindAll(slide.children, RT_OfficeArtSpContainer, shapes);
        for (const WalkedRecord* shape : shapes) {
            const WalkedRecord* data = shape->Child(RT_OfficeArtClientData);
            const WalkedRecord* ref = data ? data->Child(RT_ExternalObjectRefAtom) : nullptr;
            if (ref == nullptr) {
                continue;
            }
            EXPECT_EQ(shape->Child(RT_OfficeArtFSP)->instance, 201) << "a host control shape";
            const std::uint32_t object_id = Le32(ref->Body(stream), 0);
            ControlView view{};
            view.object_id = object_id;
            const WalkedRecord* fopt = shape->Child(RT_OfficeArtFOPT);
            const auto options = fopt->Body(stream);
            std::map<std::uint16_t, std::uint32_t> props;
            for (std::size_t i = 0; i < fopt->instance; ++i) {
                props[Le16(options, 6 * i)] = Le32(options, 6 * i + 2);
            }
            view.picture_id = props[0x010B];
            // wzName, the one complex property, ends the record with its terminator.
            const std::uint32_t name_size = props.at(0x8380);
            view.name = Utf16(options.subspan(options.size() - name_size, name_size - 2));
            view.picture = Picture(props.at(0x4104));
            const auto anchor = shape->Child(RT_OfficeArtClientAnchor)->Body(stream);
            if (anchor.size() == 8) {
                view.top = static_cast<std::int16_t>(Le16(anchor, 0));
                view.left = static_cast<std::int16_t>(Le16(anchor, 2));
                view.right = static_cast<std::int16_t>(Le16(anchor, 4));
                view.bottom = static_cast<std::int16_t>(Le16(anchor, 6));
            } else {
                EXPECT_EQ(anchor.size(), 16u);
                view.top = static_cast<std::int32_t>(Le32(anchor, 0));
                view.left = static_cast<std::int32_t>(Le32(anchor, 4));
                view.right = static_cast<std::int32_t>(Le32(anchor, 8));
                view.bottom = static_cast<std::int32_t>(Le32(anchor, 12));
            }
            int matches = 0;
            for (const WalkedRecord& control : Document().Child(RT_ExternalObjectList)->children) {
                if (control.type != RT_ExternalOleControl) {
                    continue;
                }
                const auto ole = control.Child(RT_ExternalOleObjectAtom)->Body(stream);
                if (Le32(ole, 8) != object_id) {
                    continue;
                }
                ++matches;
                EXPECT_EQ(Le32(ole, 4), 2u) << "an ActiveX control";
                view.slide_id = Le32(control.Child(RT_ExternalOleControlAtom)->Body(stream), 0);
                for (const WalkedRecord& s : control.children) {
                    if (s.type == RT_CString && s.instance == 2) {
                        view.prog_id = Utf16(s.Body(stream));
                    }
                }
                const WalkedRecord& stg = Persist(Le32(ole, 16));
                EXPECT_EQ(stg.type, RT_ExternalOleObjectStg);
                EXPECT_EQ(stg.instance, 1) << "compressed";
                const auto body = stg.Body(stream);
                Bytes raw(Le32(body, 0));
                uLongf size = static_cast<uLongf>(raw.size());
                EXPECT_EQ(uncompress(raw.data(), &size, body.data() + 4,
                                     static_cast<uLong>(body.size() - 4)),
                          Z_OK);
                EXPECT_EQ(size, raw.size());
                view.storage = ReadCompoundFile(raw);
            }
            EXPECT_EQ(matches, 1) << "object " << object_id;
            out.push_back(std::move(view));
        }
        return out;
    }
};

TEST(PresentationWriter, BlankPresentationHasTheDefaultsAndNoSlides) {
    const WrittenFile file(WritePresentation({}));
    const auto atom = file.Document().Child(RT_DocumentAtom)->Body(file.stream);
    EXPECT_EQ(Le32(atom, 0), 5760u);
    EXPECT_EQ(Le32(atom, 4), 4320u);
    const WalkedRecord& notes_master = file.Persist(Le32(atom, 24));
    EXPECT_EQ(notes_master.type, RT_Notes);
    std::vector<const WalkedRecord*> placeholders;
    FindAll(notes_master.children, RT_PlaceholderAtom, placeholders);
    std::multiset<std::uint8_t> kinds;
    for (const WalkedRecord* p : placeholders) {
        kinds.insert(p->Body(file.stream)[4]);
    }
    // Header, date, slide image, notes body, footer and slide number.
    EXPECT_EQ(kinds, (std::multiset<std::uint8_t>{0x0A, 0x07, 0x05, 0x06, 0x09, 0x08}));
    EXPECT_EQ(file.Slides().size(), 0u);
    EXPECT_EQ(file.Document().Child(RT_ExternalObjectList), nullptr);
    EXPECT_EQ(file.Document().children.back().type, RT_EndDocumentAtom);
}

TEST(PresentationWriter, PersistObjectsAreTheRightRecordsAndTheSeedCoversThem) {
    const SlideContent a = TitleSlide(u"first", {Viewer({60, 113.625f, 600, 400})});
    const SlideContent b = TitleSlide(u"second", {Viewer({1, 2, 3, 4}), Viewer({5, 6, 7, 8})});
    const WrittenFile file(WritePresentation({nullptr, {&a, &b}}));
    std::map<std::uint16_t, int> types;
    for (const auto& [id, record] : file.persist) {
        EXPECT_LE(id, file.persist_seed);
        ++types[record->type];
    }
    EXPECT_EQ(types, (std::map<std::uint16_t, int>{{RT_Document, 1},
                                                   {RT_MainMaster, 1},
                                                   {RT_Notes, 1},
                                                   {RT_Slide, 2},
                                                   {RT_ExternalOleObjectStg, 3}}));
    // Every top-level record is reachable: nothing is written that no one finds.
    EXPECT_EQ(file.top.size(), file.persist.size() + 2);
}

// Header fields that the format fixes for each record this writer produces.
struct HeaderRule {
    std::uint16_t type;
    std::uint8_t version;
    std::int64_t length;  // -1: any
};

TEST(PresentationWriter, EveryRecordHasTheVersionAndLengthItsTypeRequires) {
    const std::vector<HeaderRule> rules{
        {RT_DocumentAtom, 1, 0x28},
        {RT_SlideAtom, 2, 0x18},
        {RT_NotesAtom, 1, 8},
        {RT_SlidePersistAtom, 0, 0x14},
        {RT_ExternalOleObjectAtom, 1, 0x18},
        {RT_ExternalOleControlAtom, 0, 4},
        {RT_ExternalObjectListAtom, 0, 4},
        {RT_ExternalObjectRefAtom, 0, 4},
        {RT_PlaceholderAtom, 0, 8},
        {RT_TextHeaderAtom, 0, 4},
        {RT_OutlineTextRefAtom, 0, 4},
        {RT_ColorSchemeAtom, 0, 0x20},
        {RT_FontEntityAtom, 0, 0x44},
        {RT_EndDocumentAtom, 0, 0},
        {RT_UserEditAtom, 0, 0x1C},
        {RT_PersistDirectoryAtom, 0, -1},
        {RT_OfficeArtFDG, 0, 8},
        {RT_OfficeArtFSP, 2, 8},
        {RT_OfficeArtFSPGR, 1, 16},
        {RT_OfficeArtFOPT, 3, -1},
        {RT_TextCharsAtom, 0, -1},
        {RT_TextMasterStyleAtom, 0, -1},
        {RT_TextSpecialInfoDefaultAtom, 0, -1},
        {RT_GenericDateMetaCharAtom, 0, 4},
        {RT_FooterMetaCharAtom, 0, 4},
        {RT_HeaderMetaCharAtom, 0, 4},
        {RT_SlideNumberMetaCharAtom, 0, 4},
        {RT_OfficeArtSplitMenuColors, 0, 16},
        {RT_CString, 0, -1},
    };
    const SlideContent a = TitleSlide(u"Größe 数据", {Viewer({60, 113.625f, 600, 400})});
    const WrittenFile file(WritePresentation({nullptr, {&a}}));
    for (const HeaderRule& rule : rules) {
        std::vector<const WalkedRecord*> found;
        FindAll(file.top, rule.type, found);
        EXPECT_FALSE(found.empty()) << "no record of type " << rule.type;
        for (const WalkedRecord* r : found) {
            EXPECT_EQ(r->version, rule.version) << "type " << rule.type << " at " << r->offset;
            if (rule.length >= 0) {
                EXPECT_EQ(r->length, rule.length) << "type " << rule.type << " at " << r->offset;
            }
            if (rule.type == RT_TextCharsAtom || rule.type == RT_CString) {
                EXPECT_EQ(r->length % 2, 0u);
            }
        }
    }
    std::vector<const WalkedRecord*> options;
    FindAll(file.top, RT_OfficeArtFOPT, options);
    for (const WalkedRecord* o : options) {
        // One entry per property, then the complex ones' data.
        std::uint32_t complex = 0;
        for (std::size_t i = 0; i < o->instance; ++i) {
            if (Le16(o->Body(file.stream), 6 * i) & 0x8000) {
                complex += Le32(o->Body(file.stream), 6 * i + 2);
            }
        }
        EXPECT_EQ(o->length, 6u * o->instance + complex);
    }
}

TEST(PresentationWriter, SlidesKeepOrderTitlesAndIds) {
    const SlideContent a = TitleSlide(u"one");
    const SlideContent b = TitleSlide(u"Größe 数据 é");
    const SlideContent c = TitleSlide(u"");
    // Line breaks stay in the one title paragraph.
    const SlideContent d = TitleSlide(u"two\rlines\nhere");
    const WrittenFile file(WritePresentation({nullptr, {&a, &b, &c, &d}}));
    const auto slides = file.Slides();
    ASSERT_EQ(slides.size(), 4u);
    EXPECT_EQ(slides[0].title, u"one");
    EXPECT_EQ(slides[1].title, u"Größe 数据 é");
    EXPECT_EQ(slides[2].title, u"");
    EXPECT_EQ(slides[3].title, u"two\vlines\vhere");
    std::set<std::uint32_t> ids;
    for (const auto& s : slides) {
        EXPECT_GE(s.slide_id, 0x100u);
        EXPECT_LT(s.slide_id, 0x80000000u);
        ids.insert(s.slide_id);
        const auto atom = s.slide->Child(RT_SlideAtom)->Body(file.stream);
        EXPECT_EQ(Le32(atom, 0), 7u) << "title only";
        EXPECT_EQ(atom[4], 0x0D) << "the one placeholder is the title";
        for (int i = 5; i < 12; ++i) {
            EXPECT_EQ(atom[static_cast<std::size_t>(i)], 0);
        }
        EXPECT_GE(Le32(atom, 12), 0x80000000u) << "follows the main master";
    }
    EXPECT_EQ(ids.size(), 4u);
}

TEST(PresentationWriter, MainMasterHasTheFivePlaceholdersAndTheTextStyles) {
    const WrittenFile file(WritePresentation({}));
    const WalkedRecord& master = file.Persist(2);
    ASSERT_EQ(master.type, RT_MainMaster);
    std::multiset<std::uint8_t> kinds;
    std::vector<const WalkedRecord*> placeholders;
    FindAll(master.children, RT_PlaceholderAtom, placeholders);
    const WalkedRecord* title = nullptr;
    for (const WalkedRecord* p : placeholders) {
        kinds.insert(p->Body(file.stream)[4]);
    }
    EXPECT_EQ(kinds, (std::multiset<std::uint8_t>{0x01, 0x02, 0x07, 0x08, 0x09}));
    std::vector<const WalkedRecord*> shapes;
    FindAll(master.children, RT_OfficeArtSpContainer, shapes);
    for (const WalkedRecord* s : shapes) {
        const WalkedRecord* data = s->Child(RT_OfficeArtClientData);
        if (data && data->Child(RT_PlaceholderAtom)->Body(file.stream)[4] == 0x01) {
            title = s;
        }
    }
    ASSERT_NE(title, nullptr);
    const auto anchor = title->Child(RT_OfficeArtClientAnchor)->Body(file.stream);
    EXPECT_EQ(Le16(anchor, 0), 173);   // top 21.625 pt
    EXPECT_EQ(Le16(anchor, 2), 288);   // left 36 pt
    EXPECT_EQ(Le16(anchor, 4), 5472);  // right 684 pt
    EXPECT_EQ(Le16(anchor, 6), 893);   // bottom 111.625 pt
    std::set<std::uint16_t> styles;
    for (const WalkedRecord* s : master.All(RT_TextMasterStyleAtom)) {
        styles.insert(s->instance);
    }
    // Title, body, notes, other, centre body and title, half and quarter body.
    EXPECT_EQ(styles, (std::set<std::uint16_t>{0, 1, 2, 4, 5, 6, 7, 8}));
    const auto atom = master.Child(RT_SlideAtom)->Body(file.stream);
    EXPECT_EQ(Le32(atom, 0), 1u) << "title and body";
    EXPECT_EQ(Le32(atom, 12), 0u);
}

TEST(PresentationWriter, ShapeIdsFollowTheDrawingGroupClusters) {
    const SlideContent a = TitleSlide(u"a", {Viewer({60, 113.625f, 600, 400})});
    const SlideContent b = TitleSlide(u"b");
    const WrittenFile file(WritePresentation({nullptr, {&a, &b}}));
    const auto dgg = file.Document().Child(RT_DrawingGroup)->Child(RT_OfficeArtDggContainer);
    const auto block = dgg->Child(RT_OfficeArtFDGGBlock)->Body(file.stream);
    const std::uint32_t spid_max = Le32(block, 0);
    const std::uint32_t clusters = Le32(block, 4) - 1;
    std::map<std::uint32_t, std::uint32_t> used_by_cluster;  // dgid -> cspidCur
    for (std::uint32_t i = 0; i < clusters; ++i) {
        used_by_cluster[Le32(block, 16 + 8 * i)] = Le32(block, 20 + 8 * i);
    }

    std::uint32_t total_shapes = 0;
    std::vector<const WalkedRecord*> drawings;
    FindAll(file.top, RT_OfficeArtDgContainer, drawings);
    EXPECT_EQ(drawings.size(), 4u) << "master, notes master, two slides";
    EXPECT_EQ(Le32(block, 12), drawings.size());
    std::set<std::uint32_t> all_ids;
    for (const WalkedRecord* dg : drawings) {
        const WalkedRecord* fdg = dg->Child(RT_OfficeArtFDG);
        const std::uint32_t dgid = fdg->instance;
        const std::uint32_t csp = Le32(fdg->Body(file.stream), 0);
        const std::uint32_t last = Le32(fdg->Body(file.stream), 4);
        std::vector<const WalkedRecord*> fsps;
        FindAll(dg->children, RT_OfficeArtFSP, fsps);
        std::uint32_t max_id = 0;
        std::size_t backgrounds = 0;
        for (const WalkedRecord* fsp : fsps) {
            const std::uint32_t id = Le32(fsp->Body(file.stream), 0);
            if ((Le32(fsp->Body(file.stream), 4) & 0x400) != 0) {
                ++backgrounds;
            }
            EXPECT_EQ(id / 1024, dgid) << "shape " << id << " outside its drawing's cluster";
            EXPECT_TRUE(all_ids.insert(id).second) << "shape id " << id << " used twice";
            EXPECT_LT(id, spid_max);
            max_id = std::max(max_id, id);
        }
        // As PowerPoint counts: the drawing leaves its background out, the
        // cluster counts every identifier taken.
        EXPECT_EQ(fsps.size() - backgrounds, csp);
        EXPECT_EQ(last, max_id);
        EXPECT_EQ(used_by_cluster.at(dgid), fsps.size());
        total_shapes += csp;
    }
    EXPECT_EQ(Le32(block, 8), total_shapes);
}

TEST(PresentationWriter, ControlsCarryProgIdAnchorStateAndSlide) {
    const SlideContent a = TitleSlide(u"first");
    const SlideContent b = TitleSlide(
        u"bracket_multiple", {Viewer({60, 113.625f, 600, 400}, "C:\\bracket_multiple.zbn")});
    const WrittenFile file(WritePresentation({nullptr, {&a, &b}}));
    const auto slides = file.Slides();
    EXPECT_TRUE(file.Controls(*slides.at(0).slide).empty());
    const auto controls = file.Controls(*slides.at(1).slide);
    ASSERT_EQ(controls.size(), 1u);
    const auto& c = controls[0];
    EXPECT_EQ(c.prog_id, u"TRELVO.TrelvoCtrl.1");
    EXPECT_EQ(c.left, 480);
    EXPECT_EQ(c.top, 909);
    EXPECT_EQ(c.right, 5280);
    EXPECT_EQ(c.bottom, 4109);
    EXPECT_EQ(c.slide_id, slides[1].slide_id);
    EXPECT_EQ(c.storage.clsid, kViewerClsid);
    ASSERT_NE(c.storage.Find("contents"), nullptr);
    const std::string state = "C:\\bracket_multiple.zbn";
    EXPECT_EQ(c.storage.Find("contents")->data, Bytes(state.begin(), state.end()));
    const StorageEntry* comp_obj = c.storage.Find(
        "\x01"
        "CompObj");
    ASSERT_NE(comp_obj, nullptr);
    const std::string text(comp_obj->data.begin(), comp_obj->data.end());
    EXPECT_NE(text.find("TRELVO.TrelvoCtrl.1"), std::string::npos);
    // The control's name as Office names controls, in UTF-16 ended by four
    // zero bytes.
    const StorageEntry* name = c.storage.Find(
        "\x03"
        "OCXNAME");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->data.size(), 2u * 11u + 4u);
    EXPECT_EQ(Utf16(std::span(name->data).first(22)), u"TrelvoCtrl1");
    EXPECT_EQ(Le32(name->data, 22), 0u);
    // The picture shown while the control is not running: an EMF ([MS-EMF]
    // 2.3.4.2: header record, " EMF" signature) holding the lines asked for.
    EXPECT_EQ(c.picture_id, c.object_id);
    EXPECT_EQ(c.name, u"TrelvoCtrl1");
    EXPECT_EQ(Le32(c.picture, 0), 1u);
    EXPECT_EQ(Le32(c.picture, 40), 0x464D4520u);
    EXPECT_EQ(Le32(c.picture, 48), c.picture.size());
    for (std::u16string_view line : {u"Trelvo viewer", u"bracket_multiple.zbn"}) {
        EXPECT_NE(Utf16(c.picture).find(line), std::u16string::npos);
    }
}

// RFC 1320's test suite.
TEST(PresentationWriter, PictureUidsAreMd4Digests) {
    const std::pair<std::string, std::string> kSuite[] = {
        {"", "31d6cfe0d16ae931b73c59d7e0c089c0"},
        {"abc", "a448017aaf21d8525fc10ae87aa6729d"},
        {"message digest", "d9130a8164549fe818874806e1c7014b"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "e33b4ddc9c38f2199c3e7b164fcc0536"},
    };
    for (const auto& [message, digest] : kSuite) {
        std::string hex;
        for (std::uint8_t b : Md4(Bytes(message.begin(), message.end()))) {
            hex += "0123456789abcdef"[b >> 4];
            hex += "0123456789abcdef"[b & 15];
        }
        EXPECT_EQ(hex, digest) << message;
    }
}

// Points to master units (8 a point), rounded to the nearest unit; the width
// and height are rounded on their own.
struct GeometryCase {
    Rect points;
    std::int32_t left, top, right, bottom;
};

class WriterGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(WriterGeometry, AnchorIsRoundedToMasterUnits) {
    const GeometryCase& g = GetParam();
    const SlideContent a = TitleSlide(u"t", {Viewer(g.points)});
    const WrittenFile file(WritePresentation({nullptr, {&a}}));
    const auto c = file.Controls(*file.Slides().at(0).slide).at(0);
    EXPECT_EQ(c.left, g.left);
    EXPECT_EQ(c.top, g.top);
    EXPECT_EQ(c.right, g.right);
    EXPECT_EQ(c.bottom, g.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Points, WriterGeometry,
    ::testing::Values(
        GeometryCase{{60, 113.625f, 600, 400}, 480, 909, 5280, 4109},
        GeometryCase{{-30, 82, 600, 400}, -240, 656, 4560, 3856},
        GeometryCase{{0.06f, 0.0624f, 0.19f, 0.2f}, 0, 0, 2, 2},
        GeometryCase{{10.0625f, 10.1875f, 1, 1}, 81, 82, 89, 90},  // halves round away from zero
        GeometryCase{{-10.0625f, 0, 1, 1}, -81, 0, -73, 8},
        // Beyond the short form: the anchor switches to 32-bit fields.
        GeometryCase{{5000, 100, 600, 400}, 40000, 800, 44800, 4000}));

class WriterBadGeometry : public ::testing::TestWithParam<Rect> {};

TEST_P(WriterBadGeometry, RaisesFormatError) {
    const SlideContent a = TitleSlide(u"t", {Viewer(GetParam())});
    EXPECT_THROW(WritePresentation({nullptr, {&a}}), FormatError);
}

INSTANTIATE_TEST_SUITE_P(Points, WriterBadGeometry,
                         ::testing::Values(Rect{std::numeric_limits<float>::quiet_NaN(), 0, 1, 1},
                                           Rect{0, std::numeric_limits<float>::infinity(), 1, 1},
                                           Rect{1e30f, 0, 1, 1}, Rect{2.6e8f, 0, 2.6e8f, 1}));

TEST(PresentationWriter, SourceSlideWithoutSourceIsRefused) {
    SaveJob job;
    job.slides.push_back(std::size_t{0});
    EXPECT_THROW(WritePresentation(job), FormatError);
    job.slides = {static_cast<const SlideContent*>(nullptr)};
    EXPECT_THROW(WritePresentation(job), FormatError);
}

TEST(PresentationWriter, PropertyStreamsHoldTitleAndSlideCount) {
    const SlideContent a = TitleSlide(u"Größe");
    const SlideContent b = TitleSlide(u"second");
    const StorageEntry root = ReadCompoundFile(WritePresentation({nullptr, {&a, &b}}));
    const StorageEntry* summary = root.Find("\x05SummaryInformation");
    const StorageEntry* doc_summary = root.Find(
        "\x05"
        "DocumentSummaryInformation");
    ASSERT_NE(summary, nullptr);
    ASSERT_NE(doc_summary, nullptr);
    // One property set, then (id, offset) pairs; find a property's value.
    auto value_of = [](const Bytes& s, std::uint32_t pid) -> std::size_t {
        const std::uint32_t set = Le32(s, 44);
        const std::uint32_t count = Le32(s, set + 4);
        for (std::uint32_t i = 0; i < count; ++i) {
            if (Le32(s, set + 8 + 8 * i) == pid) {
                return set + Le32(s, set + 12 + 8 * i);
            }
        }
        throw std::runtime_error("no property " + std::to_string(pid));
    };
    EXPECT_EQ(Le16(summary->data, 0), 0xFFFE);
    EXPECT_EQ(Le16(summary->data, value_of(summary->data, 1) + 4), 1200) << "UTF-16 strings";
    const std::size_t title = value_of(summary->data, 2);
    EXPECT_EQ(Le16(summary->data, title), 0x1E);
    const std::uint32_t bytes = Le32(summary->data, title + 4);
    EXPECT_EQ(Utf16(std::span(summary->data).subspan(title + 8, bytes - 2)), u"Größe");
    const std::size_t count = value_of(doc_summary->data, 7);
    EXPECT_EQ(Le16(doc_summary->data, count), 3);
    EXPECT_EQ(Le32(doc_summary->data, count + 4), 2u);
}

// A template's property stream that cannot be taken apart is kept as it is;
// reading it stays within its bytes.
TEST(PresentationWriter, ResavingPropertiesKeepsWhatItCannotRead) {
    const Bytes good = DocumentSummaryInformationStream(3);
    const auto resaved = ResavedDocumentSummaryInformation(good, 5);
    ASSERT_TRUE(resaved.has_value());
    const std::uint32_t set = Le32(*resaved, 44);
    EXPECT_EQ(Le32(*resaved, set + 16), 7u) << "the slide count, second";
    const std::uint32_t count = set + Le32(*resaved, set + 20);
    EXPECT_EQ(Le16(*resaved, count), 3) << "VT_I4";
    EXPECT_EQ(Le32(*resaved, count + 4), 5u);
    const auto damaged = [&](std::size_t at, std::uint32_t value) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i) {
            b.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(value >> (8 * i));
        }
        return b;
    };
    const std::vector<Bytes> broken{
        Bytes(good.begin(), good.begin() + 30),  // cut inside the section list
        damaged(0, 0xFFFF),                      // byte order
        damaged(24, 0x10000000),                 // more sections than bytes
        damaged(28, 0),                          // another format
        damaged(44, 0xFFFFFF00),                 // section beyond the stream
        damaged(48, 0x7FFFFFFF),                 // section larger than the stream
        damaged(52, 0x20000000),                 // more properties than the section holds
        damaged(60, 0xFFFF),                     // a value beyond the section
        damaged(60, 4),                          // a value inside the property list
    };
    for (std::size_t i = 0; i < broken.size(); ++i) {
        EXPECT_FALSE(ResavedDocumentSummaryInformation(broken[i], 5).has_value()) << "case " << i;
    }
}

TEST(PresentationWriter, ReaderSeesWhatWasWritten) {
    const SlideContent a = TitleSlide(u"first");
    const SlideContent b = TitleSlide(
        u"Größe 数据",
        {Viewer({60, 113.625f, 600, 400}, "C:\\Größe 数据.zbn"), Viewer({-30, 82, 600, 400})});
    const SourcePresentation source =
        SourcePresentation::FromBytes(WritePresentation({nullptr, {&a, &b}}));
    EXPECT_EQ(source.SlideWidth(), 720.0f);
    EXPECT_EQ(source.parsed().slide_height, 540.0f);
    EXPECT_EQ(source.MasterTitleRect(), kDefaultTitleRect);
    ASSERT_EQ(source.Slides().size(), 2u);
    EXPECT_EQ(source.Slides()[0].title, u"first");
    EXPECT_TRUE(source.Slides()[0].controls.empty());
    EXPECT_EQ(source.Slides()[1].title, u"Größe 数据");
    ASSERT_EQ(source.Slides()[1].controls.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const ControlObject& got = source.Slides()[1].controls[i];
        const ControlObject& want = b.controls[i];
        EXPECT_EQ(got.prog_id, want.prog_id);
        EXPECT_EQ(got.clsid, want.clsid);
        EXPECT_EQ(got.state, want.state);
        EXPECT_EQ(got.anchor, want.anchor);
    }
}

}  // namespace
}  // namespace pptfile
