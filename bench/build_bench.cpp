// The whole build in process: the builder's conversation with the embedded
// presentation application, the save included, onto a blank presentation and
// onto templates of growing size.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "automation/class_registry.h"
#include "automation/text_codec.h"
#include "builder/presentation_builder.h"
#include "engine/application_class.h"
#include "framework/message_box.h"
#include "viewer/viewer_control_class.h"

namespace {

namespace fs = std::filesystem;

CString ToCString(const fs::path& path) {
    return CString(automation::DecodeOsString(path.string()));
}

class Fixture {
  public:
    Fixture() : dir_(fs::temp_directory_path() / ("zbn_bench_" + std::to_string(::getpid()))) {
        fs::create_directories(dir_);
        auto& registry = automation::ClassRegistry::Instance();
        engine::RegisterApplicationClass(registry);
        viewer::RegisterViewerControlClass(registry);
    }
    ~Fixture() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    const fs::path& dir() const { return dir_; }

  private:
    fs::path dir_;
};

Fixture& World() {
    static Fixture fixture;
    return fixture;
}

void Run(benchmark::State& state, const fs::path& template_path) {
    const CString data = ToCString(World().dir() / "bracket_multiple.zbn");
    const CString output = ToCString(World().dir() / "bracket_multiple.ppt");
    const CString templ = template_path.empty() ? CString() : ToCString(template_path);
    int messages = 0;
    framework::ScopedMessageBoxSink sink(
        [&](std::u16string_view, std::u16string_view, UINT) { ++messages; });
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildPresentation(data, output, templ));
    }
    if (messages != 0) {
        state.SkipWithError("the build showed a message");
    }
}

void BM_BlankPresentation(benchmark::State& state) {
    Run(state, {});
}
BENCHMARK(BM_BlankPresentation)->Unit(benchmark::kMillisecond);

// ZBN_BENCH_TEMPLATE names a template (a .pot or .ppt) to build onto.
void BM_Template(benchmark::State& state) {
    const char* path = std::getenv("ZBN_BENCH_TEMPLATE");
    if (path == nullptr) {
        state.SkipWithError("set ZBN_BENCH_TEMPLATE to a template file");
        return;
    }
    Run(state, path);
}
BENCHMARK(BM_Template)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
