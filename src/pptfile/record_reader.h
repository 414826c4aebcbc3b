// Bounds-checked reading of records: what does not fit raises FormatError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cfb/bytes.h"
#include "pptfile/errors.h"
#include "pptfile/record_types.h"

namespace pptfile {

using Bytes = std::span<const std::uint8_t>;

// Raises FormatError("the file is damaged: <what>").
[[noreturn]] inline void ThrowDamaged(std::string_view what) {
    throw FormatError("the file is damaged: " + std::string(what));
}
// As ThrowDamaged, where `damaged`.
inline void DamagedIf(bool damaged, std::string_view what) {
    if (damaged) {
        ThrowDamaged(what);
    }
}

struct RecordHeader {
    std::uint8_t version = 0;
    std::uint16_t instance = 0;
    std::uint16_t type = 0;
    std::uint32_t length = 0;
};

// One record found inside a byte range.
struct Record {
    RecordHeader header;
    std::size_t offset = 0;  // of the header, within the range it was read from
    Bytes body;

    bool IsContainer() const noexcept { return header.version == kContainerVersion; }
    std::uint16_t type() const noexcept { return header.type; }
    std::uint16_t instance() const noexcept { return header.instance; }
    std::size_t End() const noexcept { return offset + kRecordHeaderSize + body.size(); }
    // The header and the body.
    Bytes Whole() const noexcept {
        return {body.data() - kRecordHeaderSize, kRecordHeaderSize + body.size()};
    }
};

// The header at `offset`; its eight bytes must be there.
inline RecordHeader ParseHeader(Bytes bytes, std::size_t offset) noexcept {
    const std::uint16_t ver_inst = cfb::Get16(bytes, offset);
    return {static_cast<std::uint8_t>(ver_inst & 0x0Fu), static_cast<std::uint16_t>(ver_inst >> 4),
            cfb::Get16(bytes, offset + 2), cfb::Get32(bytes, offset + 4)};
}

// The record at `offset` of `bytes`, or nothing when its header or body does not fit.
inline std::optional<Record> TryReadRecord(Bytes bytes, std::size_t offset) noexcept {
    if (offset > bytes.size() || bytes.size() - offset < kRecordHeaderSize) {
        return std::nullopt;
    }
    const RecordHeader header = ParseHeader(bytes, offset);
    const std::size_t body_at = offset + kRecordHeaderSize;
    if (header.length > bytes.size() - body_at) {
        return std::nullopt;
    }
    return Record{header, offset, bytes.subspan(body_at, header.length)};
}

// `r`; where there is none, raises "the file is damaged: <what> lies outside
// its stream".
inline Record Required(std::optional<Record> r, std::string_view what) {
    if (!r) {
        ThrowDamaged(std::string(what) + " lies outside its stream");
    }
    return *r;
}

// A record running past the body is damage; a trailing partial header is ignored.
class RecordCursor {
  public:
    explicit RecordCursor(Bytes body) noexcept : body_(body) {}
    // The next record, or nothing at the end of the body.
    std::optional<Record> Next() {
        if (body_.size() - pos_ < kRecordHeaderSize) {
            return std::nullopt;
        }
        auto r = TryReadRecord(body_, pos_);
        DamagedIf(!r, "a record runs past the end of its container");
        pos_ = r->End();
        return r;
    }

  private:
    Bytes body_;
    std::size_t pos_ = 0;
};

// The first child of a container body with this type (and instance, when
// given), or nothing.
inline std::optional<Record> FindChild(Bytes body, std::uint16_t type,
                                       std::optional<std::uint16_t> instance = std::nullopt) {
    RecordCursor cursor(body);
    while (auto r = cursor.Next()) {
        if (r->type() == type && (!instance || r->instance() == *instance)) {
            return r;
        }
    }
    return std::nullopt;
}

// Little-endian fields read in order from a record body; reading past its end
// is damage named by `what`.
class FieldReader {
  public:
    FieldReader(Bytes bytes, std::string_view what) noexcept : bytes_(bytes), what_(what) {}

    std::uint8_t U8() { return Take(1)[0]; }
    std::uint16_t U16() { return cfb::Get16(Take(2), 0); }
    std::uint32_t U32() { return cfb::Get32(Take(4), 0); }
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    Bytes Take(std::size_t n) {
        if (n > bytes_.size() - pos_) {
            ThrowDamaged(std::string(what_) + " is too short");
        }
        const Bytes out = bytes_.subspan(pos_, n);
        pos_ += n;
        return out;
    }
    void Skip(std::size_t n) { (void)Take(n); }
    std::size_t Remaining() const noexcept { return bytes_.size() - pos_; }

  private:
    Bytes bytes_;
    std::size_t pos_ = 0;
    std::string_view what_;
};

// The text of a TextCharsAtom (UTF-16LE; an odd last byte is dropped) or a
// TextBytesAtom (the low bytes of UTF-16 code units); nothing for another record.
inline std::optional<std::u16string> AtomText(const Record& r) {
    std::u16string text;
    if (r.type() == RT_TextCharsAtom) {
        for (std::size_t i = 0; i + 1 < r.body.size(); i += 2) {
            text.push_back(static_cast<char16_t>(cfb::Get16(r.body, i)));
        }
    } else if (r.type() == RT_TextBytesAtom) {
        text.assign(r.body.begin(), r.body.end());
    } else {
        return std::nullopt;
    }
    return text;
}

}  // namespace pptfile
