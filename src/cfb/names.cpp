// How compound files compare entry names, and how a name is shown.
#include <algorithm>
#include <iterator>

#include "cfb/format.h"
#include "cfb/upper_case.h"

namespace cfb {
namespace {

// The upper case of a UTF-16 unit by Unicode's simple uppercase mapping;
// units without one, surrogates among them, map to themselves.
char16_t Upper(char16_t c) {
    const auto* run =
        std::upper_bound(std::begin(kUpperCaseRuns), std::end(kUpperCaseRuns), c,
                         [](char16_t unit, const UpperCaseRun& r) { return unit < r.first; });
    if (run == std::begin(kUpperCaseRuns)) {
        return c;
    }
    --run;
    return c <= run->last && (c - run->first) % run->step == 0
               ? static_cast<char16_t>(c + run->delta)
               : c;
}

}  // namespace

std::u16string UpperCase(std::u16string_view name) {
    std::u16string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
    return upper;
}

bool SameName(std::u16string_view a, std::u16string_view b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return Upper(x) == Upper(y); });
}

std::string Printable(std::u16string_view name) {
    std::string out;
    for (const char16_t c : name) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += "0123456789ABCDEF"[(c >> shift) & 0xF];
            }
        }
    }
    return out;
}

}  // namespace cfb
