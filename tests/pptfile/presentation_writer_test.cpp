// A new presentation as the writer makes it: one sound edit, slides that read
// back as written, controls stored as Office stores them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/errors.h"
#include "pptfile/md4.h"
#include "pptfile/presentation.h"
#include "record_scan.h"

namespace pptfile {
namespace {

using test::Bytes;
using test::Le32;

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
    const Bytes comp_obj = storage
                               .Find(
                                   "\x01"
                                   "CompObj")
                               ->data;
    EXPECT_NE(std::string(comp_obj.begin(), comp_obj.end()).find("TRELVO.TrelvoCtrl.1"),
              std::string::npos);
    const Bytes name{'T', 0,   'r', 0,   'e', 0,   'l', 0,   'v', 0, 'o', 0, 'C',
                     0,   't', 0,   'r', 0,   'l', 0,   '1', 0,   0, 0,   0, 0};
    EXPECT_EQ(storage.Find("\x03OCXNAME")->data, name);
}

// Points become master units ([MS-PPT] 2.12.6: 576 an inch, 8 a point),
// rounded to the nearest, halves away from zero, and read back as points;
// what no anchor holds is refused.
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

// RFC 1320's test suite: the pictures' unique ids are MD4 digests.
TEST(PresentationWriter, PictureUidsAreMd4Digests) {
    const std::pair<std::string, std::string> kSuite[] = {
        {"", "31d6cfe0d16ae931b73c59d7e0c089c0"},
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

}  // namespace
}  // namespace pptfile
