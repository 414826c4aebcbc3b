#include "pptfile/document_stream.h"

#include <limits>
#include <utility>

#include "pptfile/errors.h"

namespace pptfile {

namespace {

std::size_t CheckedSize(const std::vector<cfb::Piece>& content) {
    const std::uint64_t size = cfb::SizeOf(content);
    // Records point at each other with 32-bit offsets.
    DamagedIf(size > std::numeric_limits<std::uint32_t>::max(),
              "the document stream is larger than its offsets can reach");
    return static_cast<std::size_t>(size);
}

}  // namespace

DocumentStream::DocumentStream(std::vector<cfb::Piece> content)
    : content_(std::move(content)),
      size_(CheckedSize(content_)),
      // Not zeroed: a page is written by its first read.
      bytes_(new std::uint8_t[size_]),
      loaded_((size_ + kPage - 1) / kPage, false) {}

Bytes DocumentStream::Load(std::size_t offset, std::size_t length) {
    const Bytes all(bytes_.get(), size_);
    if (length == 0) {
        return all.subspan(offset, 0);
    }
    const std::size_t last = (offset + length - 1) / kPage;
    for (std::size_t page = offset / kPage; page <= last;) {
        if (loaded_[page]) {
            ++page;
            continue;
        }
        std::size_t end = page;
        while (end <= last && !loaded_[end]) {
            loaded_[end++] = true;
        }
        const std::size_t from = page * kPage;
        const std::size_t to = std::min(end * kPage, size_);
        cfb::Read(content_, from, std::span(bytes_.get() + from, to - from));
        page = end;
    }
    return all.subspan(offset, length);
}

std::optional<RecordHeader> DocumentStream::Header(std::size_t offset) {
    if (offset > size_ || size_ - offset < kRecordHeaderSize) {
        return std::nullopt;
    }
    if (loaded_[offset / kPage] && loaded_[(offset + kRecordHeaderSize - 1) / kPage]) {
        return ParseHeader(Bytes(bytes_.get(), size_), offset);
    }
    if (offset < window_at_ || offset + kRecordHeaderSize > window_at_ + window_size_) {
        window_at_ = offset;
        window_size_ = std::min(window_.size(), size_ - offset);
        cfb::Read(content_, offset, std::span(window_).first(window_size_));
    }
    return ParseHeader(window_, offset - window_at_);
}

std::optional<Record> DocumentStream::TryRecord(std::size_t offset) {
    const auto header = Header(offset);
    if (!header || header->length > size_ - offset - kRecordHeaderSize) {
        return std::nullopt;
    }
    const Bytes whole = Load(offset, kRecordHeaderSize + header->length);
    return Record{*header, offset, whole.subspan(kRecordHeaderSize)};
}

}  // namespace pptfile
