// The two document property streams that every Office file carries: the
// title and the slide count, as file browsers and search indexers read them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pptfile {

// The "\x05SummaryInformation" stream holding the title.
std::vector<std::uint8_t> SummaryInformationStream(const std::u16string& title);

// The "\x05DocumentSummaryInformation" stream holding the slide count.
std::vector<std::uint8_t> DocumentSummaryInformationStream(std::int32_t slide_count);

}  // namespace pptfile
