// A growing byte buffer for records: little-endian fields, and records whose
// length is filled in when they are closed, so nesting never needs sizes
// worked out by hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "cfb/bytes.h"
#include "pptfile/record_types.h"

namespace pptfile {

class RecordWriter {
  public:
    // Where an open record starts; pass it back to End.
    struct Mark {
        std::size_t header_offset;
    };

    // Byte by byte: GCC 12 warns of overflows that cannot happen when a few
    // bytes are inserted at once.
    void U8(std::uint8_t v) { bytes_.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void U32s(std::initializer_list<std::uint32_t> values) {
        for (std::uint32_t v : values) {
            U32(v);
        }
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void Bytes(std::span<const std::uint8_t> b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
    void Zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    // UTF-16LE code units, no terminator.
    void Utf16(std::u16string_view s) {
        for (char16_t c : s) {
            U16(static_cast<std::uint16_t>(c));
        }
    }

    // Opens a record; its body is whatever is written until End.
    Mark Begin(std::uint16_t type, std::uint16_t instance = 0, std::uint8_t version = 0) {
        Mark m{bytes_.size()};
        U16(static_cast<std::uint16_t>((static_cast<unsigned>(instance) << 4u) |
                                       (version & 0x0Fu)));
        U16(type);
        U32(0);
        return m;
    }
    Mark BeginContainer(std::uint16_t type, std::uint16_t instance = 0) {
        return Begin(type, instance, kContainerVersion);
    }
    void End(Mark m) {
        const std::size_t body = bytes_.size() - m.header_offset - kRecordHeaderSize;
        PatchU32(m.header_offset + 4, static_cast<std::uint32_t>(body));
    }

    // A whole atom in one call: one 32-bit field, or UTF-16 text.
    void U32Atom(std::uint16_t type, std::uint32_t v, std::uint16_t instance = 0) {
        const Mark m = Begin(type, instance);
        U32(v);
        End(m);
    }
    void TextAtom(std::uint16_t type, std::u16string_view text, std::uint16_t instance = 0) {
        const Mark m = Begin(type, instance);
        Utf16(text);
        End(m);
    }

    void PatchU32(std::size_t offset, std::uint32_t v) { cfb::Put32(bytes_, offset, v); }

    std::size_t Size() const noexcept { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace pptfile
