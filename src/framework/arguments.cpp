#include "framework/arguments.h"

#include <cstdlib>

namespace framework {
namespace {

// What the C runtime's vector holds: wchar_t on Windows, which is UTF-16 there
// as char16_t is.
using Argument = std::remove_pointer_t<std::remove_reference_t<decltype(__wargv)>>;

// Owns the strings that __wargv points into.
struct ArgumentStore {
    std::vector<std::u16string> strings;
    std::vector<Argument> pointers;
};

}  // namespace

void SetArguments(const std::vector<std::u16string>& arguments) {
    static ArgumentStore store;
    store.strings = arguments;
    store.pointers.clear();
    for (std::u16string& text : store.strings) {
        store.pointers.push_back(reinterpret_cast<Argument>(text.data()));
    }
    store.pointers.push_back(nullptr);
    __argc = static_cast<int>(store.strings.size());
    __wargv = store.pointers.data();
}

}  // namespace framework
