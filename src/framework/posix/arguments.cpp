#include <string_view>

#include "automation/text_codec.h"
#include "framework/arguments.h"

int __argc = 0;
LPWSTR* __wargv = nullptr;

namespace framework {
namespace {

// Owns the strings that __wargv points into.
struct ArgumentStore {
    std::vector<std::u16string> strings;
    std::vector<LPWSTR> pointers;
};

ArgumentStore& Store() {
    static ArgumentStore store;
    return store;
}

}  // namespace

void SetArguments(const std::vector<std::u16string>& arguments) {
    ArgumentStore& store = Store();
    store.strings = arguments;
    store.pointers.clear();
    for (std::u16string& text : store.strings) {
        store.pointers.push_back(text.data());
    }
    store.pointers.push_back(nullptr);
    __argc = static_cast<int>(store.strings.size());
    __wargv = store.pointers.data();
}

void SetArguments(int argc, const char* const* argv) {
    std::vector<std::u16string> arguments;
    for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
        arguments.push_back(automation::DecodeOsString(std::string_view(argv[i])));
    }
    SetArguments(arguments);
}

}  // namespace framework
