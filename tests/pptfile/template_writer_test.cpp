// Saving onto files PowerPoint and other programs wrote: every file of the
// corpus takes new slides with a control, keeps its bytes and its other
// streams, and gains one sound user edit.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/errors.h"
#include "pptfile/presentation.h"
#include "record_scan.h"

namespace pptfile {
namespace {

using test::Bytes;
using test::Corpus;

std::vector<std::string> GoodFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "good")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A slide as the application adds one after the last: the master of the
// slide before it, that master's title, the viewer holding `state`.
SlideContent NewSlide(const SourcePresentation& source, std::u16string title, std::string state) {
    SlideContent slide{std::move(title), {}, {}, 0};
    if (!source.Slides().empty()) {
        slide.master_id = source.Slides().back().master_id;
    }
    slide.title_rect = source.MasterTitleRect(slide.master_id);
    ControlObject control{u"TRELVO.TrelvoCtrl.1", {0xE9, 0x71}, {}, {}, {u"Trelvo viewer"}};
    control.state.assign(state.begin(), state.end());
    const Rect t = slide.title_rect;
    control.anchor = {t.left + 24.0f, t.top + t.height + 2.0f, 600.0f, 400.0f};
    slide.controls.push_back(control);
    return slide;
}

// The source's slides in their order, then `added`.
Bytes Append(const SourcePresentation& source, const SlideContent& added) {
    SaveJob job{&source, {}};
    for (std::size_t i = 0; i < source.Slides().size(); ++i) {
        job.slides.emplace_back(i);
    }
    job.slides.emplace_back(&added);
    return WritePresentation(job);
}

std::vector<std::u16string> Titles(const SourcePresentation& p) {
    std::vector<std::u16string> titles;
    for (const SlideSummary& s : p.Slides()) {
        titles.push_back(s.title);
    }
    return titles;
}

// Everything but the streams a save rewrites or appends to.
StorageEntry Untouched(StorageEntry root) {
    std::erase_if(root.children, [](const StorageEntry& e) {
        return e.name == "PowerPoint Document" || e.name == "Current User" ||
               e.name == "Pictures" || e.name.ends_with("SummaryInformation");
    });
    return root;
}

void ExpectSameTree(const StorageEntry& a, const StorageEntry& b, const std::string& path) {
    EXPECT_EQ(a.clsid, b.clsid) << path;
    EXPECT_TRUE(a.data == b.data) << path << " changed";
    ASSERT_EQ(a.children.size(), b.children.size()) << path;
    for (const StorageEntry& child : a.children) {
        const StorageEntry* other = b.Find(child.name);
        ASSERT_NE(other, nullptr) << path << "/" << child.name << " is missing";
        ExpectSameTree(child, *other, path + "/" + child.name);
    }
}

// Whether the source's chain of edits is sound, so that the new edit links
// to its current one: 57272_corrupted_usereditatom.ppt's is not, and a save
// onto it stands on its own.
std::uint32_t PreviousEdit(const std::string& file, const Bytes& bytes) {
    return file.starts_with("57272") ? 0 : test::CurrentEdit(bytes);
}

class TemplateCorpusTest : public ::testing::TestWithParam<std::string> {};

TEST_P(TemplateCorpusTest, NewLastSlideIsOneSoundEditAndTheRestIsKept) {
    const Bytes bytes = Corpus("good/" + GetParam());
    const SourcePresentation source = SourcePresentation::FromBytes(bytes);
    const SlideContent added =
        NewSlide(source, u"Messdaten Gr\u00f6\u00dfe \u6570\u636e", "C:\\x.zbn");
    const Bytes written = Append(source, added);
    const SourcePresentation saved = SourcePresentation::FromBytes(written);

    std::vector<std::u16string> titles = Titles(source);
    titles.push_back(added.title);
    EXPECT_EQ(Titles(saved), titles);
    const SlideSummary& last = saved.Slides().back();
    EXPECT_EQ(last.master_id, added.master_id != 0 ? added.master_id : 0x80000000u);
    ASSERT_EQ(last.controls.size(), 1u);
    EXPECT_EQ(last.controls[0].prog_id, u"TRELVO.TrelvoCtrl.1");
    EXPECT_EQ(last.controls[0].clsid, added.controls[0].clsid);
    EXPECT_EQ(last.controls[0].state, added.controls[0].state);
    EXPECT_EQ(last.controls[0].anchor, added.controls[0].anchor);
    EXPECT_EQ(saved.MasterTitleRect(), source.MasterTitleRect());
    EXPECT_EQ(saved.SlideWidth(), source.SlideWidth());

    const Bytes old_pictures = test::Stream(bytes, "Pictures");
    const Bytes new_pictures = test::Stream(written, "Pictures");
    ASSERT_GT(new_pictures.size(), old_pictures.size());
    EXPECT_TRUE(std::equal(old_pictures.begin(), old_pictures.end(), new_pictures.begin()));
    ExpectSameTree(Untouched(ReadCompoundFile(bytes)), Untouched(ReadCompoundFile(written)), "");
    test::ExpectOneSoundEdit(bytes, written, PreviousEdit(GetParam(), bytes));

    // Saved again, the second edit links to the first.
    const SlideContent again = NewSlide(saved, u"again", "2");
    const Bytes twice = Append(saved, again);
    test::ExpectOneSoundEdit(written, twice, test::CurrentEdit(written));
    const SourcePresentation reread = SourcePresentation::FromBytes(twice);
    ASSERT_EQ(reread.Slides().size(), titles.size() + 1);
    EXPECT_EQ(reread.Slides()[titles.size() - 1].controls.at(0).state, added.controls[0].state);
    EXPECT_EQ(reread.Slides().back().controls.at(0).state, Bytes{'2'});
}

// The source's slides backwards, two new ones among them.
TEST_P(TemplateCorpusTest, SlotsOrderTheSlides) {
    const Bytes bytes = Corpus("good/" + GetParam());
    const SourcePresentation source = SourcePresentation::FromBytes(bytes);
    const std::size_t n = source.Slides().size();
    const SlideContent first = NewSlide(source, u"first new", "a");
    const SlideContent second = NewSlide(source, u"second new", "b");
    SaveJob job{&source, {&second}};
    std::vector<std::u16string> expected{second.title};
    for (std::size_t k = 0; k < n; ++k) {
        if (k == n / 2) {
            job.slides.emplace_back(&first);
            expected.push_back(first.title);
        }
        job.slides.emplace_back(n - 1 - k);
        expected.push_back(source.Slides()[n - 1 - k].title);
    }
    const Bytes written = WritePresentation(job);
    const SourcePresentation saved = SourcePresentation::FromBytes(written);
    EXPECT_EQ(Titles(saved), expected);
    for (const SlideSummary& s : saved.Slides()) {
        if (s.title == first.title || s.title == second.title) {
            ASSERT_EQ(s.controls.size(), 1u);
            EXPECT_EQ(s.controls[0].state, Bytes(1, s.title == first.title ? 'a' : 'b'));
        }
    }
    test::ExpectOneSoundEdit(bytes, written, PreviousEdit(GetParam(), bytes));
}

INSTANTIATE_TEST_SUITE_P(Corpus, TemplateCorpusTest, ::testing::ValuesIn(GoodFiles()),
                         [](const ::testing::TestParamInfo<std::string>& param_info) {
                             std::string name =
                                 param_info.param.substr(0, param_info.param.rfind('.'));
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) {
                                     return !std::isalnum(static_cast<unsigned char>(c));
                                 },
                                 '_');
                             return name;
                         });

// Jobs that cannot be written onto their source say which slide is wrong.
TEST(TemplateWriterTest, BadJobsNameTheSlide) {
    const SourcePresentation source = SourcePresentation::FromBytes(Corpus("good/SampleShow.ppt"));
    const SlideContent added = NewSlide(source, u"new", "x");
    const SlideContent* none = nullptr;
    const struct {
        std::vector<SlideSlot> slots;
        const char* message;
    } kRows[] = {
        {{std::size_t{0}, std::size_t{1}, std::size_t{2}, &added},
         "slide 3 refers to a source slide"},
        {{std::size_t{0}, std::size_t{1}, std::size_t{0}, &added},
         "slide 3 repeats a source slide"},
        {{std::size_t{0}, none}, "slide 2 has no content"},
    };
    for (const auto& row : kRows) {
        try {
            (void)WritePresentation({&source, row.slots});
            ADD_FAILURE() << "written: " << row.message;
        } catch (const FormatError& e) {
            EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
        }
    }
}

// The control joins the object list of a file with an embedded OLE object
// under an id of its own, which the list's seed covers ([MS-PPT] 2.4.13).
TEST(TemplateWriterTest, ControlsJoinAnExistingObjectListWithAFreshId) {
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

// A "PowerPoint 95 & 97" file: PowerPoint 95's streams at the root, the
// 97-2003 presentation in PP97_DUALSTORAGE. It opens from the 97-2003 part,
// and a save is a plain 97-2003 file with the root's property sets.
TEST(TemplateWriterTest, ADualFormatFileOpensFromIts97Part) {
    StorageEntry root = ReadCompoundFile(Corpus("good/SampleShow.ppt"));
    StorageEntry dual = root;
    dual.name = "PP97_DUALSTORAGE";
    std::erase_if(dual.children, [](const StorageEntry& e) { return e.name[0] == '\x05'; });
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

}  // namespace
}  // namespace pptfile
