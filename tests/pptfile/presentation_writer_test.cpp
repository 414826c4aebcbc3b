// The writer: slides read back as written, in one sound edit.
#include <gtest/gtest.h>
#include <zlib.h>

#include <limits>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/errors.h"
#include "pptfile/md4.h"
#include "pptfile/presentation.h"
#include "record_scan.h"

namespace pptfile {
namespace {

using test::Append;
using Ids = std::vector<std::uint32_t>;
using test::Bytes;
using test::Corpus;
using test::Le32;
using test::NewSlide;
using test::Titles;

const ClassId kClsid{0xE9, 0x71, 0xD1, 0x56};

ControlObject Viewer(Rect anchor, std::string state = "C:\\data\\bracket_multiple.zbn") {
    ControlObject c{u"TRELVO.TrelvoCtrl.1", kClsid, {}, anchor, {u"Trelvo viewer", u"x.zbn"}};
    c.state.assign(state.begin(), state.end());
    return c;
}

SlideContent TitleSlide(std::u16string title, std::vector<ControlObject> controls = {}) {
    return {std::move(title), kDefaultTitleRect, std::move(controls)};
}

TEST(PresentationWriter, SlidesReadBackAsWrittenInOneSoundEdit) {
    const SlideContent a = TitleSlide(u"first");
    // Line breaks stay in the one title paragraph ([MS-PPT] 2.9.43: vertical tab).
    const SlideContent b = TitleSlide(
        u"Größe\r数据\né",
        {Viewer({60, 113.625f, 600, 400}, "C:\\Größe 数据.zbn"), Viewer({-30, 82, 600, 400})});
    const SlideContent c = TitleSlide(u"");
    const Bytes written = WritePresentation({nullptr, {&a, &b, &c}});
    test::ExpectOneSoundEdit({}, written, 0);

    const SourcePresentation source = SourcePresentation::FromBytes(written);
    EXPECT_EQ(source.SlideWidth(), 720.0f);
    EXPECT_EQ(source.MasterTitleRect(), kDefaultTitleRect);
    ASSERT_EQ(source.Slides().size(), 3u);
    EXPECT_EQ(source.Slides()[0].title, u"first");
    EXPECT_EQ(source.Slides()[1].title, u"Größe\v数据\vé");
    EXPECT_EQ(source.Slides()[2].title, u"");
    EXPECT_TRUE(source.Slides()[0].controls.empty());
    ASSERT_EQ(source.Slides()[1].controls.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const ControlObject& got = source.Slides()[1].controls[i];
        EXPECT_EQ(got.prog_id, b.controls[i].prog_id);
        EXPECT_EQ(got.clsid, kClsid);
        EXPECT_EQ(got.state, b.controls[i].state);
        EXPECT_EQ(got.anchor, b.controls[i].anchor);
    }

    // Title-only slides ([MS-PPT] 2.4.10: SL_TitleOnly, the title placeholder).
    const Bytes doc = test::Stream(written, "PowerPoint Document");
    std::size_t slides = 0;
    for (const test::Record& slide : test::Find(doc, 0x03EE)) {
        const std::size_t atom = test::Find(doc, 0x03EF, slide.at).at(0).Body();
        EXPECT_EQ(Le32(doc, atom), 7u);
        EXPECT_EQ(Le32(doc, atom + 4), 0x0Du);
        EXPECT_GE(Le32(doc, atom + 12), 0x80000000u) << "follows a main master";
        ++slides;
    }
    EXPECT_EQ(slides, 3u);
}

// The control's storage as Office writes one: its class, its ProgID in
// CompObj, its persisted state as "contents" and its name in OCXNAME.
TEST(PresentationWriter, ControlStorageIsWhatOfficeWrites) {
    const SlideContent a = TitleSlide(u"t", {Viewer({60, 113.625f, 600, 400}, "C:\\b.zbn")});
    const Bytes doc = test::Stream(WritePresentation({nullptr, {&a}}), "PowerPoint Document");
    const auto stgs = test::Find(doc, 0x1011);  // ExOleObjStg
    ASSERT_EQ(stgs.size(), 1u);
    EXPECT_EQ(stgs[0].instance, 1) << "compressed";
    Bytes raw(Le32(doc, stgs[0].Body()));
    uLongf size = static_cast<uLongf>(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &size, doc.data() + stgs[0].Body() + 4, stgs[0].length - 4),
              Z_OK);
    EXPECT_EQ(size, raw.size());
    const StorageEntry storage = ReadCompoundFile(raw);
    EXPECT_EQ(storage.clsid, kClsid);
    EXPECT_EQ(storage.Find("contents")->data, (Bytes{'C', ':', '\\', 'b', '.', 'z', 'b', 'n'}));
    const Bytes comp_obj = storage.Find("\001CompObj")->data;
    EXPECT_NE(std::string(comp_obj.begin(), comp_obj.end()).find("TRELVO.TrelvoCtrl.1"),
              std::string::npos);
    const Bytes name{'T', 0,   'r', 0,   'e', 0,   'l', 0,   'v', 0, 'o', 0, 'C',
                     0,   't', 0,   'r', 0,   'l', 0,   '1', 0,   0, 0,   0, 0};
    EXPECT_EQ(storage.Find("\x03OCXNAME")->data, name);
}

// Points become master units ([MS-PPT] 2.12.6: 8 a point), rounded halves
// away from zero; what no anchor holds is refused.
TEST(PresentationWriter, AnchorsAreRoundedToMasterUnits) {
    const float kNaN = std::numeric_limits<float>::quiet_NaN();
    const std::pair<Rect, std::optional<Rect>> kRows[] = {
        {{0.06f, 0.0624f, 0.19f, 0.2f}, Rect{0, 0, 0.25f, 0.25f}},
        {{10.0625f, 10.1875f, 1, 1}, Rect{10.125f, 10.25f, 1, 1}},
        {{-10.0625f, 0, 1, 1}, Rect{-10.125f, 0, 1, 1}},
        {{5000, 100, 600, 400}, Rect{5000, 100, 600, 400}},  // beyond the 16-bit anchor
        {{kNaN, 0, 1, 1}, {}},
        {{0, std::numeric_limits<float>::infinity(), 1, 1}, {}},
        {{1e30f, 0, 1, 1}, {}},
        {{2.6e8f, 0, 2.6e8f, 1}, {}},
    };
    for (const auto& [written, read] : kRows) {
        const SlideContent a = TitleSlide(u"t", {Viewer(written)});
        if (!read) {
            EXPECT_THROW(WritePresentation({nullptr, {&a}}), FormatError) << written.left;
            continue;
        }
        const SourcePresentation p =
            SourcePresentation::FromBytes(WritePresentation({nullptr, {&a}}));
        EXPECT_EQ(p.Slides().at(0).controls.at(0).anchor, *read) << written.left;
    }
    SaveJob job;
    job.slides.push_back(std::size_t{0});  // a source slide without a source
    EXPECT_THROW(WritePresentation(job), FormatError);
}

Ids Masters(const SourcePresentation& p) {
    Ids ids;
    for (const SlideSummary& s : p.Slides()) {
        ids.push_back(s.master_id);
    }
    return ids;
}

// A new slide reads back on the master it names (0: the first main master),
// the others on theirs; an unknown master or a title master is refused.
TEST(PresentationWriter, SlidesFollowTheirMainMasterAndANewOneTheMasterItNames) {
    constexpr std::uint32_t kFirst = 0x80000000u;
    // WithMaster.ppt: two main masters, both slides on the second.
    // slide_master.ppt: slides on 0x80000001, on 0x80000002, and on title
    // master 0x80000003, which follows 0x80000002.
    const Ids kWithMaster{0x8000000Cu, 0x8000000Cu},
        kSlideMaster{kFirst + 1, kFirst + 2, kFirst + 2};
    const struct {
        const char* file;  // null: a blank presentation
        Ids masters;
        std::size_t position;
        std::uint32_t master;
        bool refused = false;
    } kRows[] = {
        {"WithMaster.ppt", kWithMaster, 2, 0x8000000Cu},
        {"WithMaster.ppt", kWithMaster, 0, kFirst},
        {"WithMaster.ppt", kWithMaster, 0, kFirst + 1, true},
        {"slide_master.ppt", kSlideMaster, 3, kFirst + 2},
        {"slide_master.ppt", kSlideMaster, 1, kFirst + 1},
        {"slide_master.ppt", kSlideMaster, 0, kFirst + 3, true},
        {"SampleShow.ppt", {kFirst, kFirst}, 2, 0},
        {"empty.ppt", {}, 0, 0},
        {nullptr, {}, 0, kFirst},
        {nullptr, {}, 0, 0x8000000Cu, true},
    };
    for (const auto& row : kRows) {
        std::optional<SourcePresentation> source;
        SaveJob job;
        if (row.file != nullptr) {
            source.emplace(
                SourcePresentation::FromBytes(test::Corpus("good/" + std::string(row.file))));
            job.source = &*source;
            EXPECT_EQ(Masters(*source), row.masters) << row.file;
            for (std::size_t i = 0; i < row.masters.size(); ++i) {
                job.slides.emplace_back(i);
            }
        }
        const SlideContent added{u"bracket_multiple", kDefaultTitleRect, {}, row.master};
        job.slides.insert(job.slides.begin() + static_cast<std::ptrdiff_t>(row.position), &added);
        Ids expected = row.masters;
        expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(row.position),
                        row.master == 0 ? kFirst : row.master);
        try {
            const SourcePresentation saved = SourcePresentation::FromBytes(WritePresentation(job));
            EXPECT_FALSE(row.refused) << std::hex << row.master;
            EXPECT_EQ(Masters(saved), expected) << std::hex << row.master;
        } catch (const FormatError& e) {
            EXPECT_TRUE(row.refused) << e.what();
            EXPECT_NE(std::string(e.what()).find("slide master"), std::string::npos) << e.what();
        }
    }
}

// Jobs that cannot be written onto their source say which slide is wrong.
TEST(PresentationWriter, BadJobsNameTheSlide) {
    const SourcePresentation source = SourcePresentation::FromBytes(Corpus("good/SampleShow.ppt"));
    const SlideContent added = NewSlide(source, u"new", "x");
    const SlideContent* none = nullptr;
    const std::pair<std::vector<SlideSlot>, const char*> kRows[] = {
        {{std::size_t{0}, std::size_t{1}, std::size_t{2}, &added}, "slide 3 refers to a source"},
        {{std::size_t{0}, std::size_t{1}, std::size_t{0}, &added}, "slide 3 repeats a source"},
        {{std::size_t{0}, none}, "slide 2 has no content"},
    };
    for (const auto& [slots, message] : kRows) {
        try {
            (void)WritePresentation({&source, slots});
            ADD_FAILURE() << "written: " << message;
        } catch (const FormatError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

// The control joins the object list of a file with an embedded OLE object
// under an id of its own, which the list's seed covers ([MS-PPT] 2.4.13).
TEST(PresentationWriter, ControlsJoinAnExistingObjectListWithAFreshId) {
    const SourcePresentation source =
        SourcePresentation::FromBytes(Corpus("good/ole2-embedding-2003.ppt"));
    const Bytes written = Append(source, NewSlide(source, u"new", "x"));
    const Bytes doc = test::Stream(written, "PowerPoint Document");
    const std::uint32_t edit = test::CurrentEdit(written);
    const std::uint32_t document =
        test::Directory(doc, test::Le32(doc, edit + 8 + 12)).at(test::Le32(doc, edit + 8 + 16));
    const auto lists = test::Find(doc, 0x0409, document);  // ExObjList
    ASSERT_EQ(lists.size(), 1u);
    std::set<std::uint32_t> ids;
    for (const test::Record& atom : test::Find(doc, 0x0FC3, lists[0].at)) {  // ExOleObjAtom
        EXPECT_TRUE(ids.insert(test::Le32(doc, atom.Body() + 8)).second) << "an object id twice";
    }
    EXPECT_GE(ids.size(), 2u);
    EXPECT_GE(test::Le32(doc, lists[0].Body() + 8), *ids.rbegin()) << "exObjIdSeed";
}

// A "PowerPoint 95 & 97" file opens from PP97_DUALSTORAGE; a save is a plain
// 97-2003 file with the root's property sets.
TEST(PresentationWriter, ADualFormatFileOpensFromIts97Part) {
    StorageEntry root = ReadCompoundFile(Corpus("good/SampleShow.ppt"));
    StorageEntry dual = root;
    dual.name = "PP97_DUALSTORAGE";
    std::erase_if(root.children, [](const StorageEntry& e) { return e.name[0] != '\x05'; });
    for (const char* name : {"PowerPoint Document", "Current User", "Header", "PP40"}) {
        root.children.push_back({name, false, {}, {0, 0, 0, 0}, {}});
    }
    root.children.push_back(dual);

    const SourcePresentation source = SourcePresentation::FromBytes(WriteCompoundFile(root));
    EXPECT_EQ(Titles(source), (std::vector<std::u16string>{u"Title of the first slide",
                                                           u"This is the second slide"}));
    const SlideContent added = NewSlide(source, u"new", "x");
    const Bytes saved = WritePresentation({&source, {std::size_t{0}, &added}});
    EXPECT_EQ(SourcePresentation::FromBytes(saved).Slides().back().title, u"new");
    std::set<std::string> names;
    for (const StorageEntry& e : ReadCompoundFile(saved).children) {
        names.insert(e.name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"Current User", "PowerPoint Document", "Pictures",
                                            "\x05SummaryInformation",
                                            "\x05"
                                            "DocumentSummaryInformation"}));
}

// RFC 1320 A.5's test suite, the last message two blocks long.
TEST(Md4, MatchesTheReferenceDigests) {
    std::string eighty;
    for (int i = 0; i < 8; ++i) {
        eighty += "1234567890";
    }
    const std::pair<std::string, const char*> kRows[] = {
        {"", "31d6cfe0d16ae931b73c59d7e0c089c0"},
        {"abc", "a448017aaf21d8525fc10ae87aa6729d"},
        {"abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9"},
        {eighty, "e33b4ddc9c38f2199c3e7b164fcc0536"},
    };
    for (const auto& [message, digest] : kRows) {
        std::string hex;
        for (const std::uint8_t b : Md4(Bytes(message.begin(), message.end()))) {
            hex += "0123456789abcdef"[b >> 4];
            hex += "0123456789abcdef"[b & 15];
        }
        EXPECT_EQ(hex, digest) << message;
    }
}

}  // namespace
}  // namespace pptfile
