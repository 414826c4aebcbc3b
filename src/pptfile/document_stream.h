// The "PowerPoint Document" stream, read where it is asked for. A save copies
// most of a template's stream as it is, from file to file, so only the
// records that the reader walks come into memory, each page of them once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "cfb/compound_file.h"
#include "pptfile/record_reader.h"

namespace pptfile {

class DocumentStream {
  public:
    explicit DocumentStream(std::vector<cfb::Piece> content);

    std::size_t size() const noexcept { return size_; }
    const std::vector<cfb::Piece>& content() const noexcept { return content_; }

    // The header at `offset`, without its body; nothing when it does not fit.
    std::optional<RecordHeader> Header(std::size_t offset);
    // The whole record at `offset`, nothing when it does not fit. Its body
    // stays valid while the stream lives.
    std::optional<Record> TryRecord(std::size_t offset);
    // As TryRecord, raising "the file is damaged: <what> ..." instead.
    Record ReadRecord(std::size_t offset, std::string_view what) {
        return Required(TryRecord(offset), what);
    }
    // The whole stream.
    Bytes All() { return Load(0, size_); }

  private:
    static constexpr std::size_t kPage = 4096;
    // Brings the pages that hold `length` bytes from `offset` into memory.
    Bytes Load(std::size_t offset, std::size_t length);

    std::vector<cfb::Piece> content_;
    std::size_t size_;
    std::unique_ptr<std::uint8_t[]> bytes_;  // pages that were never asked for stay untouched
    std::vector<bool> loaded_;               // by page
    // The bytes last read for headers: the headers of a directory's many
    // small records, asked for in order, take one read for each window.
    std::array<std::uint8_t, 1024> window_{};
    std::size_t window_at_ = 0, window_size_ = 0;
};

}  // namespace pptfile
