// The argument vector where the C runtime keeps none: main's strings, decoded.
#include <string_view>

#include "automation/text_codec.h"
#include "framework/arguments.h"

int __argc = 0;
LPWSTR* __wargv = nullptr;

namespace framework {

void SetArguments(int argc, const char* const* argv) {
    std::vector<std::u16string> arguments;
    for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
        arguments.push_back(automation::DecodeOsString(std::string_view(argv[i])));
    }
    SetArguments(arguments);
}

}  // namespace framework
