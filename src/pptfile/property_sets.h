// The two document property streams that every Office file carries: the
// title, the slide count and when and by what the file was last saved, as
// file browsers and search indexers read them.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pptfile {

// A time as property sets store one: 100-nanosecond intervals since
// 1 January 1601 (UTC).
using FileTime = std::uint64_t;
FileTime ToFileTime(std::chrono::system_clock::time_point t);

// The "\x05SummaryInformation" stream of a new file: its title, and when and
// by what it was made and saved.
std::vector<std::uint8_t> SummaryInformationStream(const std::u16string& title, FileTime saved_at);

// The "\x05DocumentSummaryInformation" stream holding the slide count.
std::vector<std::uint8_t> DocumentSummaryInformationStream(std::int32_t slide_count);

// The streams of a file saved again: what a save changes is updated (when and
// by what it was last saved; the slide count) and every other property and
// section kept. Nothing when the stream cannot be read as a property set,
// which is then best kept as it is.
std::optional<std::vector<std::uint8_t>> ResavedSummaryInformation(
    std::span<const std::uint8_t> stream, FileTime saved_at);
std::optional<std::vector<std::uint8_t>> ResavedDocumentSummaryInformation(
    std::span<const std::uint8_t> stream, std::int32_t slide_count);

}  // namespace pptfile
