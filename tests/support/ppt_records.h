// The records of presentation files as the tests read them, apart from the
// program's reader: a scan of records, the current persist directory, the
// controls a file holds, and the viewer's saved state.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/compound.h"

namespace test_support {

struct Record {
    std::size_t at;  // of the header
    std::uint16_t instance;
    std::uint16_t type;
    std::uint32_t length;
    std::size_t Body() const { return at + 8; }
    std::size_t End() const { return Body() + length; }
};

// Every record in [at, end), in file order, containers' children after them.
inline void Scan(std::span<const std::uint8_t> b, std::size_t at, std::size_t end,
                 std::vector<Record>& out) {
    while (at + 8 <= end) {
        const Record r{at, static_cast<std::uint16_t>((b[at] | b[at + 1] << 8) >> 4),
                       static_cast<std::uint16_t>(b[at + 2] | b[at + 3] << 8), Le32(b, at + 4)};
        out.push_back(r);
        if ((b[at] & 0x0F) == 0x0F) {
            Scan(b, r.Body(), std::min<std::size_t>(end, r.End()), out);
        }
        at = r.End();
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

// [MS-PPT] 2.13.24 and [MS-ODRAW] 2.2: the record types the checks look for.
enum : std::uint16_t {
    kDocument = 0x03E8,
    kSlide = 0x03EE,
    kNotes = 0x03F0,
    kSlidePersistAtom = 0x03F3,
    kMainMaster = 0x03F8,
    kHandout = 0x0FC9,
    kSlideListWithText = 0x0FF0,
    kUserEditAtom = 0x0FF5,
    kExOleObjStg = 0x1011,
    kPersistDirectoryAtom = 0x1772,
    kDgContainer = 0xF002,
    kFdggBlock = 0xF006,
    kFdg = 0xF008,
    kFsp = 0xF00A,
};

// The storage a compressed ExOleObjStg record holds ([MS-PPT] 2.10.34).
inline Bytes Inflate(std::span<const std::uint8_t> doc, const Record& stg) {
    Bytes raw(Le32(doc, stg.Body()));
    uLongf size = static_cast<uLongf>(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &size, doc.data() + stg.Body() + 4, stg.length - 4), Z_OK);
    EXPECT_EQ(size, raw.size());
    return raw;
}

// The file's current state ([MS-PPT] 2.1.2): from the user edit "Current
// User" names, back along the chain, each edit's persist directory applied
// over the older ones. Persist id -> offset.
inline std::map<std::uint32_t, std::uint32_t> Live(const Bytes& file) {
    const Bytes doc = StreamOf(file, u"PowerPoint Document");
    std::vector<std::uint32_t> directories;
    std::set<std::uint32_t> seen;
    for (std::uint32_t edit = Le32(StreamOf(file, u"Current User"), 16);
         edit + 32 <= doc.size() && Le32(doc, edit) >> 16 == kUserEditAtom &&
         seen.insert(edit).second;
         edit = Le32(doc, edit + 16)) {
        directories.push_back(Le32(doc, edit + 20));
    }
    std::map<std::uint32_t, std::uint32_t> ids;
    for (auto dir = directories.rbegin(); dir != directories.rend(); ++dir) {
        const std::size_t end = *dir + 8 + Le32(doc, *dir + 4);
        for (std::size_t at = *dir + 8; at + 4 <= end;) {
            const std::uint32_t head = Le32(doc, at);
            at += 4;
            for (std::uint32_t i = 0; i < head >> 20 && at + 4 <= end; ++i, at += 4) {
                ids[(head & 0xFFFFF) + i] = Le32(doc, at);
            }
        }
    }
    return ids;
}

// The whole record at `at`, header and body.
inline Bytes RecordBytes(const Bytes& doc, std::uint32_t at) {
    const auto from = doc.begin() + at;
    return Bytes(from, from + 8 + Le32(doc, at + 4));
}

// What the controls of a file show, in the order of the object list: the
// ProgID, the storage's class id and "contents", and the anchor of the shape
// that shows it, in master units (top, left, right, bottom).
struct SeenControl {
    std::u16string prog_id;
    cfb::ClassId clsid;
    Bytes state;
    std::vector<std::int32_t> anchor;
    friend bool operator==(const SeenControl&, const SeenControl&) = default;
};

inline std::vector<SeenControl> Controls(const Bytes& file) {
    const Bytes doc = StreamOf(file, u"PowerPoint Document");
    const auto live = Live(file);
    const auto u16 = [&](std::size_t at) { return doc[at] | doc[at + 1] << 8; };
    std::vector<SeenControl> seen;
    for (const Record& control : Find(doc, 0x0FEE)) {                         // ExControl
        const std::size_t atom = Find(doc, 0x0FC3, control.at).at(0).Body();  // ExOleObjAtom
        const auto stg = live.find(Le32(doc, atom + 16));
        if (stg == live.end()) {
            continue;
        }
        SeenControl c;
        for (const Record& s : Find(doc, 0x0FBA, control.at)) {  // CString 2: the ProgID
            for (std::size_t i = 0; s.instance == 2 && i + 1 < s.length; i += 2) {
                c.prog_id += static_cast<char16_t>(u16(s.Body() + i));
            }
        }
        const cfb::StorageEntry storage =
            ReadTree(Inflate(doc, Find(doc, kExOleObjStg, stg->second).at(0)));
        c.clsid = storage.clsid;
        c.state = cfb::ReadAll(*storage.Find(u"contents"));
        // The shape whose ExObjRefAtom names the object, and its anchor.
        for (const Record& sp : Find(doc, 0xF004)) {
            const auto ref = Find(doc, 0x0BC1, sp.at);
            const auto anchor = Find(doc, 0xF010, sp.at);
            const bool wide = !anchor.empty() && anchor[0].length == 16;
            for (std::size_t i = 0;
                 !ref.empty() && Le32(doc, ref[0].Body()) == Le32(doc, atom + 8) &&
                 !anchor.empty() && i < 4;
                 ++i) {
                c.anchor.push_back(
                    wide ? static_cast<std::int32_t>(Le32(doc, anchor[0].Body() + 4 * i))
                         : static_cast<std::int16_t>(u16(anchor[0].Body() + 2 * i)));
            }
        }
        seen.push_back(std::move(c));
    }
    return seen;
}

// The viewer control's saved state read back, as a reader of the document
// would: "ZBVS", version 1 and a count (little-endian), then the data path's
// UTF-16LE units. Nothing when the bytes are not such a state.
inline std::optional<std::u16string> ViewerStatePath(std::span<const std::uint8_t> state) {
    std::u16string units;  // the state as little-endian 16-bit units
    for (std::size_t at = 0; at + 1 < state.size(); at += 2) {
        units.push_back(static_cast<char16_t>(state[at] | state[at + 1] << 8));
    }
    if (state.size() % 2 != 0 || units.size() < 5 ||
        !std::ranges::equal(state.first(4), std::string_view("ZBVS")) || units[2] != 1 ||
        units.size() != 5 + (units[3] | std::size_t{units[4]} << 16)) {
        return std::nullopt;
    }
    return units.substr(5);
}

}  // namespace test_support
