// On Windows the current-directory calls are the system's own. The provider
// seam exists for tests: a test build of the framework routes the program's
// calls through it (test_hooks_win32.cpp); otherwise it is never consulted.
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

}  // namespace framework
