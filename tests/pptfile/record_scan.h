// What the file-layer tests share: the corpus, a record scan, and what makes
// a file one whole save.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "pptfile/presentation.h"
#include "support/compound.h"
#include "support/helpers.h"
#include "support/ppt_records.h"

namespace pptfile::test {

using namespace test_support;

inline Bytes Corpus(const std::string& relative) {
    return test_support::ReadFile(test_support::kTestData / relative);
}

// A drawing group's block and the live drawings hold ([MS-ODRAW]
// 2.2.46-2.2.49) the same record of the identifiers in use, as PowerPoint
// keeps it: an entry for each cluster up to the last one a drawing's shape or
// last given identifier lies in, owned by that drawing and counting up to its
// largest identifier there (no owner: unused); spidMax one past the largest
// identifier; the shapes and drawings counted. The drawings of `fresh`
// persist ids have drawing ids of their own.
inline void ExpectDrawingGroupOfTheDrawings(const Bytes& file,
                                            const std::set<std::uint32_t>& fresh = {}) {
    const Bytes doc = StreamOf(file, u"PowerPoint Document");
    const auto live = Live(file);
    const std::uint32_t document =
        live.at(Le32(doc, Le32(StreamOf(file, u"Current User"), 16) + 24));
    ASSERT_EQ(Find(doc, kFdggBlock, document).size(), 1u);
    const std::size_t block = Find(doc, kFdggBlock, document).at(0).Body();
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>>
        used;  // cluster -> dg, largest
    std::multiset<std::uint32_t> drawing_ids;
    std::set<std::uint32_t> offsets, fresh_ids;
    std::uint32_t shapes = 0, largest = 0;
    for (const auto& [id, offset] : live) {
        const auto type = static_cast<std::uint16_t>(Le32(doc, offset) >> 16);
        if ((type != kSlide && type != kMainMaster && type != kNotes && type != kHandout) ||
            !offsets.insert(offset).second) {
            continue;
        }
        for (const Record& dg : Find(doc, kDgContainer, offset)) {
            const Record fdg = Find(doc, kFdg, dg.at).at(0);
            drawing_ids.insert(fdg.instance);
            if (fresh.contains(id)) {
                fresh_ids.insert(fdg.instance);
            }
            shapes += Le32(doc, fdg.Body());
            std::vector<std::uint32_t> ids{Le32(doc, fdg.Body() + 4)};
            for (const Record& fsp : Find(doc, kFsp, dg.at)) {
                ids.push_back(Le32(doc, fsp.Body()));
            }
            for (const std::uint32_t spid : ids) {
                auto& [owner, last] = used[spid / 1024];
                EXPECT_TRUE(last == 0 || owner == fdg.instance) << "shape " << spid;
                owner = fdg.instance;
                last = std::max(last, spid);
                largest = std::max(largest, spid);
            }
        }
    }
    for (const std::uint32_t id : fresh_ids) {
        EXPECT_EQ(drawing_ids.count(id), 1u) << "drawing id " << id << " taken twice";
    }
    const std::uint32_t clusters = Le32(doc, block + 4) - 1;
    ASSERT_EQ(clusters, used.empty() ? 0 : used.rbegin()->first);
    for (std::uint32_t n = 1; n <= clusters; ++n) {
        const auto it = used.find(n);
        const std::uint32_t dgid = Le32(doc, block + 8 + 8 * n),
                            count = Le32(doc, block + 12 + 8 * n);
        EXPECT_EQ(dgid, it == used.end() ? 0 : it->second.first) << "cluster " << n;
        EXPECT_EQ(count, it == used.end() ? 0 : it->second.second - n * 1024 + 1)
            << "cluster " << n;
    }
    EXPECT_EQ(Le32(doc, block), largest + 1) << "spidMax";
    EXPECT_EQ(Le32(doc, block + 8), shapes) << "cspSaved";
    EXPECT_EQ(Le32(doc, block + 12), drawing_ids.size()) << "cdgSaved";
}

// `after` is one whole save of `before` (empty: the blank presentation) as
// PowerPoint's Save As writes one: "Current User" names its one user edit,
// which ends the stream, links to no earlier edit and names the persist
// directory before it; every top-level record is one that the directory
// names, or the directory, or the edit; the seed is the largest id; every
// object of `before` but its document comes through under its id with its
// bytes; new slides take new slide ids; the drawing group records the
// drawings' identifiers.
inline void ExpectWholeSave(const Bytes& before, const Bytes& after) {
    const Bytes doc = StreamOf(after, u"PowerPoint Document");
    const Bytes user = StreamOf(after, u"Current User");
    EXPECT_EQ(Le32(user, 8), 0x14u);
    EXPECT_EQ(Le32(user, 12), 0xE391C05Fu) << "not encrypted";
    const std::uint32_t edit = Le32(user, 16);
    ASSERT_EQ(Find(doc, kUserEditAtom, edit).size(), 1u);
    EXPECT_EQ(Find(doc, kUserEditAtom).size(), 1u);
    EXPECT_EQ(edit + 8 + Le32(doc, edit + 4), doc.size()) << "the edit ends the stream";
    EXPECT_EQ(Le32(doc, edit + 16), 0u) << "offsetLastEdit";
    EXPECT_EQ(doc[edit + 8 + 6], 0) << "minor version";
    EXPECT_EQ(doc[edit + 8 + 7], 3) << "major version";
    const std::uint32_t directory = Le32(doc, edit + 20);
    const std::uint32_t doc_id = Le32(doc, edit + 24), seed = Le32(doc, edit + 28);
    ASSERT_EQ(Find(doc, kPersistDirectoryAtom, directory).size(), 1u);
    const auto live = Live(after);
    ASSERT_TRUE(live.contains(doc_id));
    // As in PowerPoint's whole saves ([MS-PPT] 2.3.3).
    EXPECT_EQ(live.rbegin()->first, seed) << "persistIdSeed";
    std::set<std::uint32_t> named;
    for (const auto& [id, offset] : live) {
        named.insert(offset);
    }
    for (std::size_t at = 0; at < doc.size(); at += 8 + Le32(doc, at + 4)) {
        EXPECT_TRUE(named.contains(static_cast<std::uint32_t>(at)) || at == directory || at == edit)
            << "a record at " << at << " that no directory names";
    }

    const Bytes old_doc = before.empty() ? Bytes{} : StreamOf(before, u"PowerPoint Document");
    const auto old_live = before.empty() ? decltype(live){} : Live(before);
    for (const auto& [id, offset] : old_live) {
        if (id != doc_id) {
            ASSERT_TRUE(live.contains(id)) << "persist id " << id << " lost";
            EXPECT_EQ(RecordBytes(doc, live.at(id)), RecordBytes(old_doc, offset))
                << "persist id " << id << " changed";
        }
    }
    std::set<std::uint32_t> old_slide_ids, new_slide_ids, new_slides;
    for (const Record& list : Find(doc, kSlideListWithText, live.at(doc_id))) {
        for (const Record& atom : Find(doc, kSlidePersistAtom, list.at)) {
            const bool fresh = list.instance == 0 && !old_live.contains(Le32(doc, atom.Body()));
            (fresh ? new_slide_ids : old_slide_ids).insert(Le32(doc, atom.Body() + 12));
            if (fresh) {
                new_slides.insert(Le32(doc, atom.Body()));
            }
        }
    }
    for (const std::uint32_t id : new_slide_ids) {
        EXPECT_FALSE(old_slide_ids.contains(id)) << "slide id " << id << " reused";
        EXPECT_GE(id, 0x100u);
    }
    ExpectDrawingGroupOfTheDrawings(after, new_slides);
    // The new controls' pictures are BLIPs of the store ([MS-ODRAW] 2.3.23: pib, 1-based),
    // each entry as PowerPoint writes one (2.2.32): tag 0xFF, one reference, and foDelay
    // at an OfficeArtBlipEMF of `size` bytes in "Pictures".
    const auto store = Find(doc, 0xF007, live.at(doc_id));  // OfficeArtFBSE
    const Bytes pictures = StreamOf(after, u"Pictures");
    for (const std::uint32_t id : new_slides) {
        // Every slide holds its colour scheme ([MS-PPT] 2.5.1: slideSchemeColorSchemeAtom).
        const auto schemes = Find(doc, 0x07F0, live.at(id));  // ColorSchemeAtom
        EXPECT_EQ(std::ranges::count(schemes, std::uint16_t{1}, &Record::instance), 1) << id;
        for (const Record& opt : Find(doc, 0xF00B, live.at(id))) {  // OfficeArtFOPT
            // The complex properties' data, as long as their table says,
            // follows the table ([MS-ODRAW] 2.2.9).
            std::size_t complex = 0;
            for (std::size_t at = opt.Body(); at < opt.Body() + 6u * opt.instance; at += 6) {
                const int property = doc[at] | doc[at + 1] << 8;
                complex += (property & 0x8000) != 0 ? Le32(doc, at + 2) : 0;
                if (property != 0x4104) {
                    continue;
                }
                const std::uint32_t pib = Le32(doc, at + 2);
                ASSERT_TRUE(pib >= 1 && pib <= store.size()) << pib;
                const std::size_t fbse = store[pib - 1].Body();
                EXPECT_EQ(doc[fbse + 18] | doc[fbse + 19] << 8, 0xFF) << "tag";
                EXPECT_EQ(Le32(doc, fbse + 24), 1u) << "cRef";
                const std::uint32_t delay = Le32(doc, fbse + 28);
                ASSERT_LE(std::size_t{delay} + 8, pictures.size());
                EXPECT_EQ(Le32(pictures, delay) >> 16, 0xF01Au);
                EXPECT_EQ(Le32(pictures, delay + 4) + 8, Le32(doc, fbse + 20)) << "size";
            }
            EXPECT_EQ(opt.length, 6u * opt.instance + complex) << "complex data";
        }
    }

    // [MS-PPT] 2.4.1: the document's children in their order (type, instance).
    const std::pair<int, int> kOrder[] = {
        {0x03E9, 0}, {0x0409, 0}, {0x03F2, 0}, {0x07E4, 0}, {0x040B, 0}, {0x0FF0, 1},
        {0x07D0, 0}, {0x0FD9, 3}, {0x0FD9, 4}, {0x0FF0, 0}, {0x0FF0, 2}, {0x0401, 0},
        {0x0410, 0}, {0x0402, 0}, {0x0406, 0}, {0x0403, 0}, {0x0428, 0}, {0x03EA, 0}};
    const std::size_t document = live.at(doc_id);
    std::ptrdiff_t rank = 0;
    for (std::size_t at = document + 8; at < document + 8 + Le32(doc, document + 4);
         at += 8 + Le32(doc, at + 4)) {
        const std::pair<int, int> child{static_cast<int>(Le32(doc, at) >> 16),
                                        (doc[at] | doc[at + 1] << 8) >> 4};
        const auto found = std::ranges::find(kOrder, child);
        EXPECT_GE(found - std::begin(kOrder), rank) << std::hex << child.first << " out of order";
        rank = std::max(rank, found == std::end(kOrder) ? rank : found - std::begin(kOrder));
    }

    // [MS-PPT] 2.9.44: the runs of the new slides' texts' styles cover their
    // characters and the end mark; the masks written add a 2-byte alignment
    // (paragraphs) and a 2-byte size (characters).
    for (const Record& list : Find(doc, kSlideListWithText, live.at(doc_id))) {
        std::vector<Record> entries;
        Scan(doc, list.Body(), list.End(), entries);
        bool fresh = false;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].type == kSlidePersistAtom) {
                fresh = list.instance == 0 && !old_live.contains(Le32(doc, entries[i].Body()));
            }
            if (!fresh || i == 0 || entries[i].type != 0x0FA1 || entries[i - 1].type != 0x0FA0) {
                continue;
            }
            const std::uint32_t marks = entries[i - 1].length / 2 + 1;
            std::size_t at = entries[i].Body();
            // Paragraph runs: count, indent, mask; then character runs: count, mask.
            for (const auto& [mask_at, known] : {std::pair{6u, 0x800u}, std::pair{4u, 0x20000u}}) {
                for (std::uint32_t covered = 0;
                     covered < marks && at + mask_at + 4 <= entries[i].End();) {
                    covered += Le32(doc, at);
                    const std::uint32_t mask = Le32(doc, at + mask_at);
                    EXPECT_EQ(mask & ~known, 0u) << "a style mask this check cannot follow";
                    at += mask_at + 4 + ((mask & known) != 0 ? 2 : 0);
                    EXPECT_LE(covered, marks) << "a style run past the end of its text";
                }
            }
            EXPECT_EQ(at, entries[i].End()) << "style runs do not fill the atom";
        }
    }
}

inline std::vector<std::u16string> Titles(const SourcePresentation& p) {
    std::vector<std::u16string> titles;
    std::ranges::transform(p.Slides(), std::back_inserter(titles), &SlideSummary::title);
    return titles;
}

// A slide as the application adds one: the last slide's master, the viewer.
inline SlideContent NewSlide(const SourcePresentation& source, std::u16string title,
                             std::string state) {
    SlideContent slide{std::move(title), {}, {}, 0};
    if (!source.Slides().empty()) {
        slide.master_id = source.Slides().back().master_id;
    }
    const Rect t = slide.title_rect = source.MasterTitleRect(slide.master_id);
    slide.controls.push_back({u"TRELVO.TrelvoCtrl.1",
                              {0xE9, 0x71},
                              {state.begin(), state.end()},
                              {t.left + 24.0f, t.top + t.height + 2.0f, 600.0f, 400.0f},
                              {}});
    return slide;
}

// The source's slides in their order, then `added`.
inline Bytes Append(const SourcePresentation& source, const SlideContent& added) {
    SaveJob job{&source, {}};
    for (std::size_t i = 0; i < source.Slides().size(); ++i) {
        job.slides.emplace_back(i);
    }
    job.slides.emplace_back(&added);
    return Saved(job);
}

}  // namespace pptfile::test
