// What the file-layer tests share: the corpus, fields, a record scan.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/presentation.h"
#include "support/file_bytes.h"
#include "support/helpers.h"

namespace pptfile::test {

using Bytes = std::vector<std::uint8_t>;

// The file a save writes, whole.
inline Bytes Written(const SaveJob& job) {
    Bytes out;
    WritePresentation(job, [&out](std::span<const std::uint8_t> piece) {
        out.insert(out.end(), piece.begin(), piece.end());
    });
    return out;
}

inline Bytes Corpus(const std::string& relative) {
    return test_support::ReadFile(test_support::kTestData / relative);
}

inline std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}

inline void Put32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

struct Record {
    std::size_t at;  // of the header
    std::uint16_t instance;
    std::uint16_t type;
    std::uint32_t length;
    std::size_t Body() const { return at + 8; }
};

// Every record in [at, end), in file order, containers' children after them.
inline void Scan(std::span<const std::uint8_t> b, std::size_t at, std::size_t end,
                 std::vector<Record>& out) {
    while (at + 8 <= end) {
        const Record r{at, static_cast<std::uint16_t>((b[at] | b[at + 1] << 8) >> 4),
                       static_cast<std::uint16_t>(b[at + 2] | b[at + 3] << 8), Le32(b, at + 4)};
        out.push_back(r);
        if ((b[at] & 0x0F) == 0x0F) {
            Scan(b, r.Body(), std::min<std::size_t>(end, r.Body() + r.length), out);
        }
        at = r.Body() + r.length;
    }
}

// The records of `type` in the record at `at` (itself included) or, with
// `at` past the end, in all of `b`.
inline std::vector<Record> Find(std::span<const std::uint8_t> b, std::uint16_t type,
                                std::size_t at = SIZE_MAX) {
    std::vector<Record> all;
    Scan(b, at == SIZE_MAX ? 0 : at, at == SIZE_MAX ? b.size() : at + 8 + Le32(b, at + 4), all);
    std::erase_if(all, [&](const Record& r) { return r.type != type; });
    return all;
}

// [MS-PPT] 2.13.24 and 2.3: the record types the checks below look for.
enum : std::uint16_t {
    kSlidePersistAtom = 0x03F3,
    kSlideListWithText = 0x0FF0,
    kUserEditAtom = 0x0FF5,
    kPersistDirectoryAtom = 0x1772,
    kDgContainer = 0xF002,
    kFdggBlock = 0xF006,
    kFdg = 0xF008,
    kFsp = 0xF00A,
};

// The storage a compressed ExOleObjStg record holds ([MS-PPT] 2.10.34).
inline Bytes Inflate(const Bytes& doc, const Record& stg) {
    Bytes raw(Le32(doc, stg.Body()));
    uLongf size = static_cast<uLongf>(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &size, doc.data() + stg.Body() + 4, stg.length - 4), Z_OK);
    EXPECT_EQ(size, raw.size());
    return raw;
}

inline Bytes Stream(const Bytes& file, const char* name) {  // empty when there is none
    const StorageEntry root = ReadCompoundFile(file);
    return root.Find(name) != nullptr ? root.Find(name)->data : Bytes{};
}

// Where "Current User" ([MS-PPT] 2.3.2) says the current user edit starts.
inline std::uint32_t CurrentEdit(const Bytes& file) {
    return Le32(Stream(file, "Current User"), 16);
}

// The persist directories of `doc` from `from` on: persist id -> offset.
inline std::map<std::uint32_t, std::uint32_t> Directory(const Bytes& doc, std::size_t from) {
    std::map<std::uint32_t, std::uint32_t> ids;
    std::vector<Record> all;
    Scan(doc, from, doc.size(), all);
    for (const Record& r : all) {
        for (std::size_t at = r.Body();
             r.type == kPersistDirectoryAtom && at < r.Body() + r.length;) {
            const std::uint32_t head = Le32(doc, at);
            at += 4;
            for (std::uint32_t i = 0; i < head >> 20; ++i, at += 4) {
                ids[(head & 0xFFFFF) + i] = Le32(doc, at);
            }
        }
    }
    return ids;
}

// `after` is `before` (empty: none) and one user edit more, linked to
// `previous_edit`, listing each appended record under a fresh persist id
// and giving new slides fresh slide, drawing and shape ids in their
// drawings' clusters ([MS-ODRAW] 2.2.48).
inline void ExpectOneSoundEdit(const Bytes& before, const Bytes& after,
                               std::uint32_t previous_edit) {
    const Bytes old_doc = before.empty() ? Bytes{} : Stream(before, "PowerPoint Document");
    const Bytes doc = Stream(after, "PowerPoint Document");
    ASSERT_GT(doc.size(), old_doc.size());
    ASSERT_TRUE(std::equal(old_doc.begin(), old_doc.end(), doc.begin())) << "old bytes changed";

    const Bytes user = Stream(after, "Current User");
    EXPECT_EQ(Le32(user, 8), 0x14u);
    EXPECT_EQ(Le32(user, 12), 0xE391C05Fu) << "not encrypted";
    const std::uint32_t edit = Le32(user, 16);
    ASSERT_EQ(Find(doc, kUserEditAtom, edit).size(), 1u);
    EXPECT_EQ(edit + 8 + Le32(doc, edit + 4), doc.size()) << "the edit ends the stream";
    EXPECT_EQ(doc[edit + 8 + 6], 0) << "minor version";
    EXPECT_EQ(doc[edit + 8 + 7], 3) << "major version";
    EXPECT_EQ(Le32(doc, edit + 8 + 8), previous_edit);
    const std::uint32_t doc_id = Le32(doc, edit + 8 + 16);
    const std::uint32_t seed = Le32(doc, edit + 8 + 20);
    const std::uint32_t dir_at = Le32(doc, edit + 8 + 12);
    ASSERT_EQ(Find(doc, kPersistDirectoryAtom, dir_at).size(), 1u);
    const auto listed = Directory(doc, dir_at);
    const auto old_ids = Directory(old_doc, 0);

    // An edit standing on its own also lists the objects it keeps.
    std::size_t appended = 0, listed_appended = 0;
    for (std::size_t at = old_doc.size(); at < doc.size(); at += 8 + Le32(doc, at + 4)) {
        ++appended;
    }
    ASSERT_TRUE(listed.contains(doc_id));
    for (const auto& [id, offset] : listed) {
        EXPECT_LE(id, seed);
        if (offset < old_doc.size()) {
            EXPECT_TRUE(previous_edit == 0 && old_ids.contains(id)) << "persist id " << id;
            continue;
        }
        ++listed_appended;
        EXPECT_TRUE(id == doc_id || !old_ids.contains(id)) << "persist id " << id << " reused";
    }
    EXPECT_EQ(appended, listed_appended + 2) << "a record no directory lists";

    std::set<std::uint32_t> old_slide_ids, new_slide_ids;
    for (const Record& list : Find(doc, kSlideListWithText, listed.at(doc_id))) {
        for (const Record& atom : Find(doc, kSlidePersistAtom, list.at)) {
            const bool fresh = list.instance == 0 && !old_ids.contains(Le32(doc, atom.Body()));
            (fresh ? new_slide_ids : old_slide_ids).insert(Le32(doc, atom.Body() + 12));
        }
    }
    for (const std::uint32_t id : new_slide_ids) {
        EXPECT_FALSE(old_slide_ids.contains(id)) << "slide id " << id << " reused";
        EXPECT_GE(id, 0x100u);
    }

    const std::vector<Record> blocks = Find(doc, kFdggBlock, listed.at(doc_id));
    ASSERT_EQ(blocks.size(), 1u);
    const std::size_t block = blocks[0].Body();
    std::map<std::uint32_t, std::uint32_t> owner;  // cluster -> drawing id
    for (std::uint32_t i = 1; i < Le32(doc, block + 4); ++i) {
        owner[i] = Le32(doc, block + 8 + 8 * i);
    }
    std::set<std::uint32_t> old_drawings, shapes;
    for (const Record& dg : Find(doc, kDgContainer)) {
        const Record fdg = Find(doc, kFdg, dg.at).at(0);
        const std::uint32_t dgid = fdg.instance;
        const bool fresh = dg.at >= old_doc.size();
        EXPECT_TRUE(old_drawings.insert(dgid).second || !fresh)
            << "drawing id " << dgid << " reused";
        // PowerPoint counts every shape but the background, and names the last id.
        std::uint32_t counted = 0, last = 0;
        for (const Record& fsp : Find(doc, kFsp, dg.at)) {
            const std::uint32_t spid = Le32(doc, fsp.Body());
            counted += (Le32(doc, fsp.Body() + 4) & 0x400) == 0 ? 1u : 0u;
            last = std::max(last, spid);
            if (!shapes.insert(spid).second || !fresh) {
                EXPECT_FALSE(fresh) << "shape id " << spid << " reused";
                continue;
            }
            EXPECT_EQ(owner[spid / 1024], dgid) << "shape id " << spid << " in another's cluster";
            EXPECT_LT(spid, Le32(doc, block));
        }
        EXPECT_TRUE(!fresh || Le32(doc, fdg.Body()) == counted) << "drawing " << dgid;
        EXPECT_TRUE(!fresh || Le32(doc, fdg.Body() + 4) == last) << "drawing " << dgid;
    }

    // [MS-PPT] 2.4.1: the document's children in their order (type, instance).
    const std::pair<int, int> kOrder[] = {
        {0x03E9, 0}, {0x0409, 0}, {0x03F2, 0}, {0x07E4, 0}, {0x040B, 0}, {0x0FF0, 1},
        {0x07D0, 0}, {0x0FD9, 3}, {0x0FD9, 4}, {0x0FF0, 0}, {0x0FF0, 2}, {0x0401, 0},
        {0x0410, 0}, {0x0402, 0}, {0x0406, 0}, {0x0403, 0}, {0x0428, 0}, {0x03EA, 0}};
    const std::size_t document = listed.at(doc_id);
    std::ptrdiff_t rank = 0;
    for (std::size_t at = document + 8; at < document + 8 + Le32(doc, document + 4);
         at += 8 + Le32(doc, at + 4)) {
        const std::pair<int, int> child{static_cast<int>(Le32(doc, at) >> 16),
                                        (doc[at] | doc[at + 1] << 8) >> 4};
        const auto found = std::ranges::find(kOrder, child);
        EXPECT_GE(found - std::begin(kOrder), rank) << std::hex << child.first << " out of order";
        rank = std::max(rank, found == std::end(kOrder) ? rank : found - std::begin(kOrder));
    }

    // [MS-PPT] 2.9.44: in a new file, the runs of a text's style cover its
    // characters and the end mark; the masks written add a 2-byte alignment
    // (paragraphs) and a 2-byte size (characters).
    std::vector<Record> added;
    Scan(doc, old_doc.size(), before.empty() ? doc.size() : 0, added);
    for (std::size_t i = 1; i < added.size(); ++i) {
        const Record& text = added[i - 1];
        if (added[i].type != 0x0FA1 || (text.type != 0x0FA0 && text.type != 0x0FA8)) {
            continue;
        }
        const std::uint32_t marks = (text.type == 0x0FA0 ? text.length / 2 : text.length) + 1;
        const std::size_t at_end = added[i].Body() + added[i].length;
        std::size_t at = added[i].Body();
        // Paragraph runs: count, indent, mask; then character runs: count, mask.
        for (const auto& [mask_at, known] : {std::pair{6u, 0x800u}, std::pair{4u, 0x20000u}}) {
            for (std::uint32_t covered = 0; covered < marks && at + mask_at + 4 <= at_end;) {
                covered += Le32(doc, at);
                const std::uint32_t mask = Le32(doc, at + mask_at);
                EXPECT_EQ(mask & ~known, 0u) << "a style mask this check cannot follow";
                at += mask_at + 4 + ((mask & known) != 0 ? 2 : 0);
                EXPECT_LE(covered, marks) << "a style run past the end of its text";
            }
        }
        EXPECT_EQ(at, at_end) << "style runs do not fill the atom";
    }
}

// A control as it reads back: its picture's lines stay in the picture.
inline auto Seen(const ControlObject& c) {
    return std::tie(c.prog_id, c.clsid, c.state, c.anchor);
}

inline std::vector<std::u16string> Titles(const SourcePresentation& p) {
    std::vector<std::u16string> titles;
    std::ranges::transform(p.Slides(), std::back_inserter(titles), &SlideSummary::title);
    return titles;
}

inline std::uint32_t Fnv1a(const Bytes& bytes) {
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t b : bytes) {
        hash = (hash ^ b) * 16777619u;
    }
    return hash;
}

// "path size fnv1a" a stream, sorted: what olefile_listing.py prints.
inline std::string Listing(const StorageEntry& storage, const std::string& prefix = "") {
    std::map<std::string, std::string> lines;
    for (const StorageEntry& child : storage.children) {
        const std::string path = prefix + child.name + (child.is_storage ? "/" : "");
        lines[path] = child.is_storage ? Listing(child, path)
                                       : path + " " + std::to_string(child.data.size()) + " " +
                                             std::to_string(Fnv1a(child.data)) + "\n";
    }
    std::string out;
    for (const auto& [path, line] : lines) {
        out += line;
    }
    return out;
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
    return Written(job);
}

}  // namespace pptfile::test
