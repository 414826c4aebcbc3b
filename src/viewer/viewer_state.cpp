#include "viewer/viewer_state.h"

#include <array>

namespace viewer {
namespace {

constexpr std::array<std::uint8_t, 4> kMagic = {'Z', 'B', 'V', 'S'};
constexpr std::size_t kHeaderSize = 10;

void AppendLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeViewerState(std::u16string_view data_path) {
    std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
    out.reserve(kHeaderSize + 2 * data_path.size());
    AppendLittleEndian(out, kStateVersion, 2);
    AppendLittleEndian(out, static_cast<std::uint32_t>(data_path.size()), 4);
    for (const char16_t unit : data_path) {
        AppendLittleEndian(out, unit, 2);
    }
    return out;
}

}  // namespace viewer
