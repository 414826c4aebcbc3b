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

// The streams of a file saved at `saved_at`: `stream` with what a save
// changes updated and every other property kept, or a new one where `stream`
// is empty. Nothing when `stream` cannot be read as a property set, which is
// then best kept as it is.
std::optional<std::vector<std::uint8_t>> SummaryInformation(
    std::span<const std::uint8_t> stream, const std::u16string& title,
    std::chrono::system_clock::time_point saved_at);
std::optional<std::vector<std::uint8_t>> DocumentSummaryInformation(
    std::span<const std::uint8_t> stream, std::int32_t slide_count);

}  // namespace pptfile
