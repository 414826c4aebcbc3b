// A bounded reader of record trees for the tests: it checks that every
// container's children fill it exactly and never run past its end, and keeps
// each record's place so tests can look records up by type and offset.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace pptfile::testing {

struct WalkedRecord {
    std::size_t offset;  // of the header, in the walked bytes
    std::uint8_t version;
    std::uint16_t instance;
    std::uint16_t type;
    std::uint32_t length;
    std::vector<WalkedRecord> children;  // containers only

    std::span<const std::uint8_t> Body(std::span<const std::uint8_t> all) const {
        return all.subspan(offset + 8, length);
    }
    // The first child of this type, or null.
    const WalkedRecord* Child(std::uint16_t child_type) const {
        for (const WalkedRecord& c : children) {
            if (c.type == child_type) {
                return &c;
            }
        }
        return nullptr;
    }
    std::vector<const WalkedRecord*> All(std::uint16_t child_type) const {
        std::vector<const WalkedRecord*> out;
        for (const WalkedRecord& c : children) {
            if (c.type == child_type) {
                out.push_back(&c);
            }
        }
        return out;
    }
};

inline std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    if (at + 2 > b.size()) {
        throw std::out_of_range("read past the end");
    }
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(Le16(b, at)) |
           (static_cast<std::uint32_t>(Le16(b, at + 2)) << 16);
}

// Walks the records in [begin, end) of `bytes`. Throws std::runtime_error
// with the offset of the first record that does not fit.
inline std::vector<WalkedRecord> WalkRecords(std::span<const std::uint8_t> bytes, std::size_t begin,
                                             std::size_t end, int depth = 0) {
    if (depth > 64) {
        throw std::runtime_error("records nested too deeply");
    }
    std::vector<WalkedRecord> out;
    std::size_t at = begin;
    while (at < end) {
        if (end - at < 8) {
            throw std::runtime_error("truncated header at " + std::to_string(at));
        }
        WalkedRecord r{};
        r.offset = at;
        const std::uint16_t ver_inst = Le16(bytes, at);
        r.version = static_cast<std::uint8_t>(ver_inst & 0x0F);
        r.instance = static_cast<std::uint16_t>(ver_inst >> 4);
        r.type = Le16(bytes, at + 2);
        r.length = Le32(bytes, at + 4);
        if (r.length > end - at - 8) {
            throw std::runtime_error("record 0x" + std::to_string(r.type) + " at " +
                                     std::to_string(at) + " runs past its container");
        }
        if (r.version == 0x0F) {
            r.children = WalkRecords(bytes, at + 8, at + 8 + r.length, depth + 1);
        }
        at += 8 + r.length;
        out.push_back(std::move(r));
    }
    return out;
}

// Every record of the tree of this type, depth first.
inline void FindAll(const std::vector<WalkedRecord>& records, std::uint16_t type,
                    std::vector<const WalkedRecord*>& out) {
    for (const WalkedRecord& r : records) {
        if (r.type == type) {
            out.push_back(&r);
        }
        FindAll(r.children, type, out);
    }
}

}  // namespace pptfile::testing
