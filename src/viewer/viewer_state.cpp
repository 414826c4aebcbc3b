#include "viewer/viewer_state.h"

#include <algorithm>
#include <array>
#include <string>

#include "automation/automation_error.h"

namespace viewer {
namespace {

constexpr std::array<std::uint8_t, 4> kMagic = {'Z', 'B', 'V', 'S'};
constexpr std::size_t kHeaderSize = 10;

[[noreturn]] void Refuse(const std::string& why) {
    throw automation::AutomationError(automation::E_INVALIDARG,
                                      "not a state of the viewer control: " + why);
}

std::uint32_t ReadLittleEndian(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = bytes.size(); i > 0; --i) {
        value = (value << 8) | bytes[i - 1];
    }
    return value;
}

void AppendLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeViewerState(std::u16string_view data_path) {
    if (data_path.size() > kMaxDataPathUnits) {
        throw automation::AutomationError(automation::E_INVALIDARG,
                                          "the data path is too long to keep");
    }
    std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
    out.reserve(kHeaderSize + 2 * data_path.size());
    AppendLittleEndian(out, kStateVersion, 2);
    AppendLittleEndian(out, static_cast<std::uint32_t>(data_path.size()), 4);
    for (const char16_t unit : data_path) {
        AppendLittleEndian(out, unit, 2);
    }
    return out;
}

std::u16string DecodeViewerState(std::span<const std::uint8_t> state) {
    if (state.size() < kHeaderSize) {
        Refuse(std::to_string(state.size()) + " bytes are too few");
    }
    if (!std::equal(kMagic.begin(), kMagic.end(), state.begin())) {
        Refuse("it does not begin with the viewer's mark");
    }
    const std::uint32_t version = ReadLittleEndian(state.subspan(4, 2));
    if (version != kStateVersion) {
        Refuse("version " + std::to_string(version) + " is not known");
    }
    const std::uint32_t units = ReadLittleEndian(state.subspan(6, 4));
    if (units > kMaxDataPathUnits) {
        Refuse("a data path of " + std::to_string(units) + " characters is too long");
    }
    const std::span<const std::uint8_t> text = state.subspan(kHeaderSize);
    if (text.size() != 2 * static_cast<std::size_t>(units)) {
        Refuse("the data path should take " + std::to_string(2 * static_cast<std::size_t>(units)) +
               " bytes, not " + std::to_string(text.size()));
    }
    std::u16string data_path;
    data_path.reserve(units);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        data_path.push_back(static_cast<char16_t>(ReadLittleEndian(text.subspan(i, 2))));
    }
    return data_path;
}

}  // namespace viewer
