// Saving onto real files written by PowerPoint and other programs: every file
// of the corpus takes new slides with a control, keeps what it had, and reads
// back soundly (no repair needed) with the slides in the order asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/errors.h"
#include "pptfile/file_io.h"
#include "pptfile/presentation.h"
#include "pptfile/presentation_parsed.h"
#include "pptfile/reader_test_builder.h"
#include "pptfile/record_types.h"
#include "pptfile/record_walker.h"

namespace pptfile {
namespace {

using testing::FindAll;
using testing::Le32;
using testing::WalkedRecord;
using testing::WalkRecords;

using Bytes = std::vector<std::uint8_t>;

const std::filesystem::path kGoodDir =
    std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "good";

const ClassId kViewerClsid{0x3F, 0x2B, 0x8E, 0x51, 0x0C, 0x7D, 0x4A, 0x43,
                           0x9E, 0x61, 0x5A, 0x17, 0xC2, 0x40, 0x8B, 0x11};

std::vector<std::string> GoodFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kGoodDir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A slide as the application adds one: the master's title rect, the viewer
// under it.
SlideContent NewSlide(const SourcePresentation& source, std::u16string title, std::string state) {
    SlideContent slide;
    slide.title = std::move(title);
    slide.title_rect = source.MasterTitleRect();
    ControlObject control;
    control.prog_id = u"TRELVO.TrelvoCtrl.1";
    control.clsid = kViewerClsid;
    control.state.assign(state.begin(), state.end());
    const Rect t = slide.title_rect;
    control.anchor = {t.left + 24.0f, t.top + t.height + 2.0f, 600.0f, 400.0f};
    slide.controls.push_back(control);
    return slide;
}

// Every slide of `source` in its order, then `added`, read back.
SourcePresentation AppendSlide(const SourcePresentation& source, const SlideContent& added) {
    SaveJob job;
    job.source = &source;
    for (std::size_t i = 0; i < source.Slides().size(); ++i) {
        job.slides.emplace_back(i);
    }
    job.slides.emplace_back(&added);
    return SourcePresentation::FromBytes(WritePresentation(job));
}

// Streams and storages, compared by name, kind, class and bytes.
void ExpectSameTree(const StorageEntry& a, const StorageEntry& b, const std::string& path) {
    EXPECT_EQ(a.is_storage, b.is_storage) << path;
    EXPECT_EQ(a.clsid, b.clsid) << path;
    EXPECT_TRUE(a.data == b.data) << path << " changed";
    ASSERT_EQ(a.children.size(), b.children.size()) << path;
    for (const StorageEntry& child : a.children) {
        const StorageEntry* other = b.Find(child.name);
        ASSERT_NE(other, nullptr) << path << "/" << child.name << " is missing";
        ExpectSameTree(child, *other, path + "/" + child.name);
    }
}

struct DrawingIds {
    std::uint32_t drawing_id = 0;
    std::set<std::uint32_t> shape_ids;
};

// The drawing of a slide, master or notes container at `offset`, or nothing
// when it has none or cannot be walked.
std::optional<DrawingIds> ReadDrawing(const Bytes& stream, std::size_t offset) {
    try {
        const std::uint32_t length = Le32(stream, offset + 4);
        const std::vector<WalkedRecord> top = WalkRecords(stream, offset, offset + 8 + length);
        std::vector<const WalkedRecord*> fdg, fsp;
        FindAll(top, RT_OfficeArtFDG, fdg);
        FindAll(top, RT_OfficeArtFSP, fsp);
        if (fdg.size() != 1) {
            return std::nullopt;
        }
        DrawingIds ids;
        ids.drawing_id = fdg[0]->instance;
        for (const WalkedRecord* s : fsp) {
            ids.shape_ids.insert(Le32(s->Body(stream), 0));
        }
        return ids;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The records of the saved file's current document container.
std::vector<WalkedRecord> WalkDocument(const SourcePresentation::Parsed& p) {
    const Bytes& stream = p.DocumentStream();
    return WalkRecords(stream, p.document_offset,
                       p.document_offset + 8 + Le32(stream, p.document_offset + 4));
}

struct ClusterTable {
    std::uint32_t spid_max = 0;
    std::uint32_t drawings_saved = 0;
    std::vector<std::uint32_t> owners;  // cluster n's drawing at n - 1
};

ClusterTable ReadClusters(const SourcePresentation::Parsed& p) {
    const Bytes& stream = p.DocumentStream();
    const std::vector<WalkedRecord> doc = WalkDocument(p);
    std::vector<const WalkedRecord*> blocks;
    FindAll(doc, RT_OfficeArtFDGGBlock, blocks);
    ClusterTable t;
    if (blocks.size() != 1) {
        ADD_FAILURE() << blocks.size() << " drawing group blocks";
        return t;
    }
    const auto body = blocks[0]->Body(stream);
    t.spid_max = Le32(body, 0);
    const std::uint32_t cidcl = Le32(body, 4);
    t.drawings_saved = Le32(body, 12);
    EXPECT_EQ(body.size(), 16 + 8 * (std::size_t{cidcl} - 1));
    for (std::uint32_t i = 0; i + 1 < cidcl; ++i) {
        t.owners.push_back(Le32(body, 16 + 8 * i));
    }
    return t;
}

// The output is sound without repair, and what was appended is one edit on
// top of the source's: new identifiers clear of every one in use.
void ExpectSoundEdit(const SourcePresentation& source, const SourcePresentation& saved,
                     std::size_t new_slides) {
    const auto& before = source.parsed();
    const auto& after = saved.parsed();
    EXPECT_FALSE(after.recovered);
    EXPECT_EQ(after.last_edit.offset_last_edit, before.recovered ? 0u : before.last_edit.offset);
    EXPECT_EQ(after.last_edit.doc_persist_id, before.last_edit.doc_persist_id);
    EXPECT_EQ(after.last_edit.minor_version, 0);
    EXPECT_EQ(after.last_edit.major_version, 3);
    ASSERT_FALSE(after.persist_directory.empty());
    EXPECT_GE(after.last_edit.persist_id_seed, after.persist_directory.rbegin()->first);
    ASSERT_FALSE(before.main_masters.empty());
    ASSERT_FALSE(after.main_masters.empty());
    EXPECT_EQ(after.main_masters.front().listed.persist_id,
              before.main_masters.front().listed.persist_id);

    // Every object the source had is still where it was.
    for (const auto& [id, offset] : before.persist_directory) {
        if (id == before.last_edit.doc_persist_id) {
            continue;
        }
        EXPECT_EQ(after.persist_directory.at(id), offset) << "persist id " << id;
    }

    // New slides: fresh persist and slide ids, a drawing of their own whose
    // shape ids sit in clusters the drawing group gives to that drawing.
    std::set<std::uint32_t> old_slide_ids;
    for (const ListedSlide& s : before.slides) {
        old_slide_ids.insert(s.slide_id);
    }
    std::map<std::uint32_t, std::uint32_t> shape_owner;  // of every drawing not new
    std::set<std::uint32_t> old_drawings;
    const Bytes& stream = after.DocumentStream();
    for (const auto& [id, offset] : before.persist_directory) {
        if (const auto d = ReadDrawing(stream, offset)) {
            old_drawings.insert(d->drawing_id);
            for (std::uint32_t s : d->shape_ids) {
                shape_owner[s] = d->drawing_id;
            }
        }
    }
    const ClusterTable clusters = ReadClusters(after);
    std::size_t fresh = 0;
    std::set<std::uint32_t> new_drawings;
    for (const ListedSlide& s : after.slides) {
        if (s.persist_id <= before.max_persist_id) {
            continue;
        }
        ++fresh;
        EXPECT_EQ(old_slide_ids.count(s.slide_id), 0u);
        EXPECT_GE(s.slide_id, 0x100u);
        const auto d = ReadDrawing(stream, s.offset);
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(old_drawings.count(d->drawing_id), 0u) << "drawing id reused";
        EXPECT_TRUE(new_drawings.insert(d->drawing_id).second) << "drawing id given twice";
        EXPECT_LE(d->drawing_id, 0xFFEu);
        for (std::uint32_t spid : d->shape_ids) {
            EXPECT_EQ(shape_owner.count(spid), 0u) << "shape id " << spid << " reused";
            shape_owner[spid] = d->drawing_id;
            const std::size_t cluster = spid / 1024;
            ASSERT_GE(cluster, 1u);
            ASSERT_LE(cluster, clusters.owners.size());
            EXPECT_EQ(clusters.owners[cluster - 1], d->drawing_id);
            EXPECT_LT(spid, clusters.spid_max);
        }
    }
    EXPECT_EQ(fresh, new_slides);
}

class TemplateCorpusTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        bytes_ = ReadWholeFile(kGoodDir / GetParam());
        source_.emplace(SourcePresentation::FromBytes(bytes_));
    }
    const SourcePresentation& source() const { return *source_; }

    Bytes bytes_;
    std::optional<SourcePresentation> source_;
};

TEST_P(TemplateCorpusTest, NewLastSlideReadsBackAndTheRestIsKept) {
    const std::size_t n = source().Slides().size();
    const SlideContent added =
        NewSlide(source(), u"Messdaten Gr\u00f6\u00dfe \u6570\u636e", "C:\\data\\x.zbn");
    const SourcePresentation saved = AppendSlide(source(), added);
    ASSERT_EQ(saved.Slides().size(), n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_EQ(saved.Slides()[i].title, source().Slides()[i].title) << "slide " << i + 1;
    }
    const SlideSummary& last = saved.Slides().back();
    EXPECT_EQ(last.title, added.title);
    ASSERT_EQ(last.controls.size(), 1u);
    EXPECT_EQ(last.controls[0].prog_id, u"TRELVO.TrelvoCtrl.1");
    EXPECT_EQ(last.controls[0].clsid, kViewerClsid);
    EXPECT_EQ(last.controls[0].state, added.controls[0].state);
    EXPECT_EQ(last.controls[0].anchor, added.controls[0].anchor);
    EXPECT_EQ(saved.MasterTitleRect(), source().MasterTitleRect());
    EXPECT_EQ(saved.SlideWidth(), source().SlideWidth());

    // The document stream and the pictures only grew; every other stream is
    // untouched but the document properties a save changes (which POI reads
    // in interop).
    for (const char* name : {"PowerPoint Document", "Pictures"}) {
        const StorageEntry* old_stream = source().parsed().root.Find(name);
        const StorageEntry* new_stream = saved.parsed().root.Find(name);
        ASSERT_NE(new_stream, nullptr) << name;
        const Bytes& before = old_stream != nullptr ? old_stream->data : Bytes{};
        ASSERT_GT(new_stream->data.size(), before.size()) << name;
        EXPECT_TRUE(std::equal(before.begin(), before.end(), new_stream->data.begin())) << name;
    }
    StorageEntry a = source().parsed().root;
    StorageEntry b = saved.parsed().root;
    for (StorageEntry* root : {&a, &b}) {
        std::erase_if(root->children, [](const StorageEntry& e) {
            return e.name == "PowerPoint Document" || e.name == "Current User" ||
                   e.name == "Pictures" || e.name.ends_with("SummaryInformation");
        });
    }
    ExpectSameTree(a, b, "");

    ExpectSoundEdit(source(), saved, 1);
}

TEST_P(TemplateCorpusTest, SlotsOrderTheSlides) {
    // The source's slides backwards, two new ones inserted among them.
    const std::size_t n = source().Slides().size();
    const SlideContent first = NewSlide(source(), u"first new", "a");
    const SlideContent second = NewSlide(source(), u"second new", "b");
    SaveJob job;
    job.source = &source();
    std::vector<std::u16string> expected;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = n - 1 - k;
        if (k == n / 2) {
            job.slides.emplace_back(&first);
            expected.push_back(first.title);
        }
        job.slides.emplace_back(i);
        expected.push_back(source().Slides()[i].title);
    }
    job.slides.insert(job.slides.begin(), &second);
    expected.insert(expected.begin(), second.title);
    if (n == 0) {
        job.slides.emplace_back(&first);
        expected.push_back(first.title);
    }

    const SourcePresentation saved = SourcePresentation::FromBytes(WritePresentation(job));
    std::vector<std::u16string> titles;
    for (const SlideSummary& s : saved.Slides()) {
        titles.push_back(s.title);
    }
    EXPECT_EQ(titles, expected);
    // Each new slide shows its own control.
    for (const SlideSummary& s : saved.Slides()) {
        if (s.title == first.title || s.title == second.title) {
            ASSERT_EQ(s.controls.size(), 1u);
            const std::string state(s.controls[0].state.begin(), s.controls[0].state.end());
            EXPECT_EQ(state, s.title == first.title ? "a" : "b");
        }
    }
    ExpectSoundEdit(source(), saved, 2);
}

TEST_P(TemplateCorpusTest, SavingTheSavedFileAgainChainsTheEdits) {
    const std::size_t n = source().Slides().size();
    const SlideContent one = NewSlide(source(), u"one", "1");
    const SourcePresentation once = AppendSlide(source(), one);
    const SlideContent two = NewSlide(once, u"two", "2");
    const SourcePresentation twice = AppendSlide(once, two);

    ASSERT_EQ(twice.Slides().size(), n + 2);
    EXPECT_EQ(twice.Slides()[n].title, u"one");
    EXPECT_EQ(twice.Slides()[n + 1].title, u"two");
    ASSERT_EQ(twice.Slides()[n].controls.size(), 1u);
    ASSERT_EQ(twice.Slides()[n + 1].controls.size(), 1u);
    EXPECT_EQ(twice.Slides()[n].controls[0].state, Bytes{'1'});
    EXPECT_EQ(twice.Slides()[n + 1].controls[0].state, Bytes{'2'});
    EXPECT_EQ(twice.parsed().last_edit.offset_last_edit, once.parsed().last_edit.offset);
    ExpectSoundEdit(once, twice, 1);
}

INSTANTIATE_TEST_SUITE_P(Corpus, TemplateCorpusTest, ::testing::ValuesIn(GoodFiles()),
                         [](const ::testing::TestParamInfo<std::string>& param_info) {
                             std::string name = param_info.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

// Jobs that cannot be written onto their source say why.
struct BadJobCase {
    const char* name;
    std::vector<int> slots;  // source index, or -1 for the new slide, -2 for a null one
    const char* message;
};

class TemplateBadJobTest : public ::testing::TestWithParam<BadJobCase> {};

TEST_P(TemplateBadJobTest, RaisesAndNamesTheSlide) {
    const SourcePresentation source =
        SourcePresentation::FromBytes(ReadWholeFile(kGoodDir / "SampleShow.ppt"));
    ASSERT_EQ(source.Slides().size(), 2u);
    const SlideContent added = NewSlide(source, u"new", "x");
    SaveJob job;
    job.source = &source;
    for (int slot : GetParam().slots) {
        if (slot >= 0) {
            job.slides.emplace_back(static_cast<std::size_t>(slot));
        } else {
            job.slides.emplace_back(slot == -1 ? &added : nullptr);
        }
    }
    try {
        (void)WritePresentation(job);
        FAIL() << "no error";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, TemplateBadJobTest,
    ::testing::Values(
        BadJobCase{"IndexPastTheEnd", {0, 1, 2, -1}, "slide 3 refers to a source slide"},
        BadJobCase{"SlideTwice", {0, 1, 0, -1}, "slide 3 repeats a source slide"},
        BadJobCase{"NullContent", {0, -2}, "slide 2 has no content"}),
    [](const ::testing::TestParamInfo<BadJobCase>& param_info) {
        return std::string(param_info.param.name);
    });

TEST(TemplateWriterTest, ControlsJoinAnExistingObjectListWithFreshIds) {
    // The embedded OLE object keeps its id; the control gets one past it.
    const SourcePresentation source =
        SourcePresentation::FromBytes(ReadWholeFile(kGoodDir / "ole2-embedding-2003.ppt"));
    ASSERT_EQ(source.Slides().size(), 1u);
    const SourcePresentation saved = AppendSlide(source, NewSlide(source, u"new", "x"));
    const auto& p = saved.parsed();
    const Bytes& stream = p.DocumentStream();
    const std::vector<WalkedRecord> doc = WalkDocument(p);
    ASSERT_EQ(doc.size(), 1u);
    std::vector<const WalkedRecord*> lists, atoms, list_atoms;
    FindAll(doc, RT_ExternalObjectList, lists);
    ASSERT_EQ(lists.size(), 1u);
    FindAll(lists[0]->children, RT_ExternalOleObjectAtom, atoms);
    FindAll(lists[0]->children, RT_ExternalObjectListAtom, list_atoms);
    ASSERT_EQ(list_atoms.size(), 1u);
    ASSERT_EQ(lists[0]->children.front().type, RT_ExternalObjectListAtom);
    std::set<std::uint32_t> ids;
    std::uint32_t max_id = 0;
    for (const WalkedRecord* a : atoms) {
        const std::uint32_t id = Le32(a->Body(stream), 8);
        EXPECT_TRUE(ids.insert(id).second) << "object id " << id << " twice";
        max_id = std::max(max_id, id);
    }
    EXPECT_GE(atoms.size(), 2u);
    EXPECT_GE(Le32(list_atoms[0]->Body(stream), 0), max_id);
    ASSERT_EQ(saved.Slides().back().controls.size(), 1u);
    EXPECT_EQ(saved.Slides().back().controls[0].prog_id, u"TRELVO.TrelvoCtrl.1");
}

TEST(TemplateWriterTest, AnObjectListIsAddedWhereTheDocumentHadNone) {
    const SourcePresentation source =
        SourcePresentation::FromBytes(ReadWholeFile(kGoodDir / "SampleShow.ppt"));
    const SlideContent added = NewSlide(source, u"new", "x");
    SaveJob job;
    job.source = &source;
    job.slides.emplace_back(&added);
    const SourcePresentation saved = SourcePresentation::FromBytes(WritePresentation(job));
    const std::vector<WalkedRecord> doc = WalkDocument(saved.parsed());
    ASSERT_EQ(doc.size(), 1u);
    const auto& children = doc[0].children;
    ASSERT_GE(children.size(), 3u);
    EXPECT_EQ(children[0].type, RT_DocumentAtom);
    EXPECT_EQ(children[1].type, RT_ExternalObjectList);
    EXPECT_EQ(children.back().type, RT_EndDocumentAtom);
    // The source's slides were dropped from the show, not from the file.
    ASSERT_EQ(saved.Slides().size(), 1u);
    EXPECT_EQ(saved.Slides()[0].title, u"new");
}

// A "PowerPoint 95 & 97" file: PowerPoint 95's streams at the root, the
// 97-2003 presentation in PP97_DUALSTORAGE. It opens from the 97-2003 part,
// and a save is a plain 97-2003 file with the root's property sets.
TEST(TemplateWriterTest, ADualFormatFileOpensFromIts97Part) {
    StorageEntry root = ReadCompoundFile(ReadWholeFile(kGoodDir / "SampleShow.ppt"));
    const SourcePresentation plain = SourcePresentation::FromBytes(WriteCompoundFile(root));
    StorageEntry dual = root;
    dual.name = "PP97_DUALSTORAGE";
    std::erase_if(dual.children, [](const StorageEntry& e) { return e.name[0] == '\x05'; });
    std::erase_if(root.children, [](const StorageEntry& e) { return e.name[0] != '\x05'; });
    for (const char* name : {"PowerPoint Document", "Current User", "Header", "PP40"}) {
        StorageEntry old95;  // stand-ins for PowerPoint 95's streams
        old95.name = name;
        old95.data = {0, 0, 0, 0};
        root.children.push_back(old95);
    }
    root.children.push_back(dual);

    const SourcePresentation source = SourcePresentation::FromBytes(WriteCompoundFile(root));
    ASSERT_EQ(source.Slides().size(), plain.Slides().size());
    for (std::size_t i = 0; i < plain.Slides().size(); ++i) {
        EXPECT_EQ(source.Slides()[i].title, plain.Slides()[i].title);
    }
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

// Files built record by record with what real files rarely show: no drawing
// group at all, every drawing numbered 1, controls already in the object
// list, no slides, a missing "Current User", broken edit links.
struct BuiltTemplateCase {
    const char* name;
    testing::BuildOptions options;
};

testing::BuildOptions Built(std::size_t slides, std::size_t controls_per_slide) {
    testing::BuildOptions o;
    for (std::size_t i = 0; i < slides; ++i) {
        testing::BuiltSlide slide;
        slide.title = u"built " + std::u16string(1, static_cast<char16_t>(u'A' + i));
        slide.controls.resize(controls_per_slide);
        o.slides.push_back(slide);
    }
    return o;
}

testing::BuildOptions With(testing::BuildOptions o, void (*change)(testing::BuildOptions&)) {
    change(o);
    return o;
}

using Options = testing::BuildOptions;

class BuiltTemplateTest : public ::testing::TestWithParam<BuiltTemplateCase> {};

TEST_P(BuiltTemplateTest, TakesTheNewSlideSoundly) {
    const SourcePresentation source =
        SourcePresentation::FromBytes(testing::BuildFile(GetParam().options));
    const std::size_t n = source.Slides().size();
    const SourcePresentation saved = AppendSlide(source, NewSlide(source, u"added", "state"));

    ASSERT_EQ(saved.Slides().size(), n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_EQ(saved.Slides()[i].title, source.Slides()[i].title);
        // Controls already there keep theirs: the new one took a fresh id.
        ASSERT_EQ(saved.Slides()[i].controls.size(), source.Slides()[i].controls.size());
        for (std::size_t c = 0; c < source.Slides()[i].controls.size(); ++c) {
            EXPECT_EQ(saved.Slides()[i].controls[c].state, source.Slides()[i].controls[c].state);
        }
    }
    EXPECT_EQ(saved.Slides().back().title, u"added");
    ASSERT_EQ(saved.Slides().back().controls.size(), 1u);
    EXPECT_EQ(saved.Slides().back().controls[0].state, Bytes({'s', 't', 'a', 't', 'e'}));
    ExpectSoundEdit(source, saved, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Built, BuiltTemplateTest,
    ::testing::Values(
        // clang-format off
        BuiltTemplateCase{"NoSlidesNoObjectListNoDrawingGroup", Built(0, 0)},
        BuiltTemplateCase{"SlidesSharingADrawingId", Built(3, 0)},
        BuiltTemplateCase{"ControlsAlreadyListed", Built(2, 2)},
        BuiltTemplateCase{"NoCurrentUser", With(Built(2, 1), [](Options& o) { o.current_user = false; })},
        BuiltTemplateCase{"CurrentUserPointsNowhere",
                          With(Built(2, 1), [](Options& o) { o.current_edit_override = 0x7FFFFFF0u; })},
        BuiltTemplateCase{"SecondEditLinksPastTheEnd",
                          With(Built(2, 1), [](Options& o) { o.second_edit = true; o.second_edit_link = testing::EditLink::kPastEnd; })},
        BuiltTemplateCase{"SecondEditLinksIntoARecord",
                          With(Built(1, 1), [](Options& o) { o.second_edit = true; o.second_edit_link = testing::EditLink::kIntoRecord; })},
        BuiltTemplateCase{"TwoGoodEdits", With(Built(2, 1), [](Options& o) { o.second_edit = true; })}),
    // clang-format on
    [](const ::testing::TestParamInfo<BuiltTemplateCase>& param_info) {
        return std::string(param_info.param.name);
    });

}  // namespace
}  // namespace pptfile
