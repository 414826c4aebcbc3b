// The argument vector on Windows is the C runtime's own (__argc, __wargv),
// filled before wWinMain runs. SetArguments replaces it, for tests and for
// programs that start from a narrow main.
#include <cstdlib>
#include <string_view>

#include "automation/text_codec.h"
#include "framework/arguments.h"

namespace framework {
namespace {

struct ArgumentStore {
    std::vector<std::u16string> strings;
    std::vector<wchar_t*> pointers;
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
        // wchar_t is UTF-16 on Windows, as char16_t is.
        store.pointers.push_back(reinterpret_cast<wchar_t*>(text.data()));
    }
    store.pointers.push_back(nullptr);
    __argc = static_cast<int>(store.strings.size());
    __wargv = store.pointers.data();
}

void SetArguments(int argc, const char* const* argv) {
    std::vector<std::u16string> arguments;
    for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
        arguments.push_back(automation::FromUtf8(std::string_view(argv[i])));
    }
    SetArguments(arguments);
}

}  // namespace framework
