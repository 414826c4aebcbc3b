// The builder's real conversation with the embedded application and the
// viewer control, in process; the saved file read back.
#include <fstream>
#include <optional>

#include "builder/presentation_builder.h"
#include "engine_test.h"
#include "pptfile/presentation.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"
#include "viewer/viewer_control_class.h"
#include "viewer/viewer_state.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;

struct BuildCase {
    const char* name;
    std::string file_title;  // bytes of the data file's name without ".zbn"
    bool viewer_installed = true;
    bool with_template = false;
};

class BuildTest : public ::testing::TestWithParam<BuildCase> {};

TEST_P(BuildTest, SavesTheTitledSlideWithTheViewerBoundToTheDataFile) {
    const BuildCase& c = GetParam();
    test_support::TempFolder folder("zbn-build");
    const fs::path data = folder.path() / (c.file_title + ".zbn");
    const fs::path output = folder.path() / "out.ppt";
    const fs::path design = folder.path() / "design.pot";
    {
        // A one-slide template titled "cover", written by the application itself.
        DispatchPtr app = engine::CreateApplication();
        DispatchPtr presentation = Get(Get(app, 2001), 2003, {Variant::I4(1)}, DISPATCH_METHOD);
        AddTitledSlide(Get(presentation, 2011), 1, u"cover");
        SaveAs(presentation, design);
    }
    std::ofstream(data, std::ios::binary).put('\0');
    test_support::ScopedClassRegistration application(
        {u"PowerPoint.Application", engine::kApplicationClsid, &engine::CreateApplication});
    std::optional<test_support::ScopedClassRegistration> viewer;
    if (c.viewer_installed) {
        viewer.emplace(automation::ClassInfo{u"TRELVO.TrelvoCtrl.1", viewer::kViewerControlClsid,
                                             &viewer::CreateViewerControl, true});
    }
    test_support::MessageBoxRecorder messages;

    const BuildOutcome outcome = BuildPresentation(Name(data).c_str(), Name(output).c_str(),
                                                   c.with_template ? Name(design).c_str() : u"");

    EXPECT_EQ(outcome, c.viewer_installed ? BuildOutcome::kSavedWithViewer
                                          : BuildOutcome::kSavedWithoutViewer);
    EXPECT_EQ(messages.texts().size(), c.viewer_installed ? 0u : 1u);
    const auto saved = pptfile::SourcePresentation::Open(output);
    ASSERT_EQ(saved.Slides().size(), c.with_template ? 2u : 1u);
    EXPECT_EQ(saved.Slides().front().title, c.with_template ? u"cover" : Name(c.file_title));
    const pptfile::SlideSummary& slide = saved.Slides().back();
    EXPECT_EQ(slide.title, Name(c.file_title));
    ASSERT_EQ(slide.controls.size(), c.viewer_installed ? 1u : 0u);
    for (const pptfile::ControlObject& control : slide.controls) {
        EXPECT_EQ(control.prog_id, u"TRELVO.TrelvoCtrl.1");
        EXPECT_EQ(control.clsid, viewer::kViewerControlClsid.bytes);
        // Centred on the 720-point slide, 2 points below the default title.
        EXPECT_EQ(control.anchor, (pptfile::Rect{60.0f, 113.625f, 600.0f, 400.0f}));
        EXPECT_EQ(viewer::DecodeViewerState(control.state), Name(data));
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, BuildTest,
                         ::testing::Values(BuildCase{"Plain", "bracket_multiple"},
                                           BuildCase{"NonAscii",
                                                     "donn\xC3\xA9"
                                                     "es \xC3\xA9t\xC3\xA9"},
                                           BuildCase{"NotUtf8", "raw\xFF"},
                                           BuildCase{"WithoutTheViewer", "b", false},
                                           BuildCase{"FromATemplate", "b", true, true}),
                         test_support::CaseName());

}  // namespace
}  // namespace engine_test
