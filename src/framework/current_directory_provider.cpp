#include <algorithm>
#include <limits>
#include <optional>
#include <string>

#include "framework/path_services.h"

namespace framework {
namespace {

CurrentDirectoryProvider* g_provider = nullptr;

}  // namespace

ScopedCurrentDirectoryProvider::ScopedCurrentDirectoryProvider(
    CurrentDirectoryProvider& provider) noexcept
    : previous_(g_provider) {
    g_provider = &provider;
}

ScopedCurrentDirectoryProvider::~ScopedCurrentDirectoryProvider() {
    g_provider = previous_;
}

CurrentDirectoryProvider* ScopedCurrentDirectoryProvider::Current() noexcept {
    return g_provider;
}

DWORD CopyCurrentDirectory(CurrentDirectoryProvider& provider, DWORD buffer_length, LPWSTR buffer) {
    const std::optional<std::u16string> current = provider.Get();
    if (!current || current->empty() || current->size() >= std::numeric_limits<DWORD>::max()) {
        return 0;
    }
    const auto length = static_cast<DWORD>(current->size());
    if (buffer == nullptr || length >= buffer_length) {
        return length + 1;
    }
    std::copy(current->begin(), current->end(), buffer);
    buffer[length] = u'\0';
    return length;
}

}  // namespace framework
