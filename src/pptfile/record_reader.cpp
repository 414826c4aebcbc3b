#include "pptfile/record_reader.h"

#include <string>

#include "pptfile/errors.h"

namespace pptfile {

using cfb::Get16;

std::optional<Record> TryReadRecord(Bytes bytes, std::size_t offset) noexcept {
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

std::optional<Record> RecordCursor::Next() {
    if (body_.size() - pos_ < kRecordHeaderSize) {
        return std::nullopt;
    }
    auto r = TryReadRecord(body_, pos_);
    DamagedIf(!r, "a record runs past the end of its container");
    pos_ = r->End();
    return r;
}

std::optional<Record> FindChild(Bytes body, std::uint16_t type,
                                std::optional<std::uint16_t> instance) {
    RecordCursor cursor(body);
    while (auto r = cursor.Next()) {
        if (r->type() == type && (!instance || r->instance() == *instance)) {
            return r;
        }
    }
    return std::nullopt;
}

Bytes FieldReader::Take(std::size_t n) {
    if (n > bytes_.size() - pos_) {
        ThrowDamaged(std::string(what_) + " is too short");
    }
    Bytes out = bytes_.subspan(pos_, n);
    pos_ += n;
    return out;
}

std::optional<std::u16string> AtomText(const Record& r) {
    std::u16string text;
    if (r.type() == RT_TextCharsAtom) {
        for (std::size_t i = 0; i + 1 < r.body.size(); i += 2) {
            text.push_back(static_cast<char16_t>(Get16(r.body, i)));
        }
    } else if (r.type() == RT_TextBytesAtom) {
        text.assign(r.body.begin(), r.body.end());
    } else {
        return std::nullopt;
    }
    return text;
}

}  // namespace pptfile
