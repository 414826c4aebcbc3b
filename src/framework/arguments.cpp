#include "framework/arguments.h"

#include <cstdlib>

namespace framework {
namespace {

// What the C runtime's vector holds: wchar_t on Windows, UTF-16 as char16_t is.
using Argument = std::remove_pointer_t<std::remove_reference_t<decltype(__wargv)>>;

}  // namespace

void SetArguments(const std::vector<std::u16string>& arguments) {
    // The strings that __wargv points into, and the vector itself.
    static std::vector<std::u16string> strings;
    static std::vector<Argument> pointers;
    strings = arguments;
    pointers.clear();
    for (std::u16string& text : strings) {
        pointers.push_back(reinterpret_cast<Argument>(text.data()));
    }
    pointers.push_back(nullptr);
    __argc = static_cast<int>(strings.size());
    __wargv = pointers.data();
}

}  // namespace framework
