// The builder's real conversation with the embedded application and the
// viewer control, in process; the saved file read back by our own reader.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "automation/class_registry.h"
#include "automation/text_codec.h"
#include "builder/presentation_builder.h"
#include "engine_test.h"
#include "framework/message_box.h"
#include "pptfile/presentation.h"
#include "support/temp_folder.h"
#include "viewer/viewer_control_class.h"
#include "viewer/viewer_state.h"

namespace {

namespace fs = std::filesystem;

class BuildTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& registry = automation::ClassRegistry::Instance();
        engine::RegisterApplicationClass(registry);
        viewer::RegisterViewerControlClass(registry);
    }
    void TearDown() override {
        auto& registry = automation::ClassRegistry::Instance();
        registry.Unregister(u"PowerPoint.Application");
        registry.Unregister(u"TRELVO.TrelvoCtrl.1");
    }

    // Builds, collecting the message boxes shown; no template means a blank
    // presentation.
    BuildOutcome Build(const fs::path& data, const fs::path& output,
                       const fs::path& template_path = {}) {
        framework::ScopedMessageBoxSink sink([this](std::u16string_view text, std::u16string_view,
                                                    UINT) { messages_.emplace_back(text); });
        std::ofstream(data, std::ios::binary).put('\0');
        return BuildPresentation(
            CString(automation::DecodeOsString(data.string()).c_str()),
            CString(automation::DecodeOsString(output.string()).c_str()),
            CString(automation::DecodeOsString(template_path.string()).c_str()));
    }

    test_support::TempFolder folder_{"zbn-build"};
    const fs::path& dir_ = folder_.path();
    std::vector<std::u16string> messages_;
};

struct DataFileCase {
    std::string test_name;
    std::string file_title;  // bytes of the data file's name without ".zbn"
};

class BuildDataFileTest : public BuildTest, public ::testing::WithParamInterface<DataFileCase> {};

TEST_P(BuildDataFileTest, SavesOneTitledSlideWithTheViewerBoundToTheDataFile) {
    const fs::path data = dir_ / (GetParam().file_title + ".zbn");
    const fs::path output = dir_ / "out.ppt";
    EXPECT_EQ(Build(data, output), BuildOutcome::kSavedWithViewer);
    EXPECT_EQ(messages_, std::vector<std::u16string>{});

    const auto saved = pptfile::SourcePresentation::Open(output);
    ASSERT_EQ(saved.Slides().size(), 1u);
    const pptfile::SlideSummary& slide = saved.Slides()[0];
    EXPECT_EQ(slide.title, automation::DecodeOsString(GetParam().file_title));
    ASSERT_EQ(slide.controls.size(), 1u);
    const pptfile::ControlObject& control = slide.controls[0];
    EXPECT_EQ(control.prog_id, u"TRELVO.TrelvoCtrl.1");
    EXPECT_EQ(control.clsid, viewer::kViewerControlClsid.bytes);
    EXPECT_EQ(control.anchor, (pptfile::Rect{60.0f, 113.625f, 600.0f, 400.0f}));
    EXPECT_EQ(viewer::DecodeViewerState(control.state), automation::DecodeOsString(data.string()));
}

INSTANTIATE_TEST_SUITE_P(Engine, BuildDataFileTest,
                         ::testing::Values(DataFileCase{"Plain", "bracket_multiple"},
                                           DataFileCase{"NonAscii",
                                                        "donn\xC3\xA9"
                                                        "es \xC3\xA9t\xC3\xA9"},
                                           DataFileCase{"NotUtf8", "raw\xFF"}),
                         [](const auto& param_info) { return param_info.param.test_name; });

TEST_F(BuildTest, WithoutTheViewerItSaysSoOnceAndStillSavesTheTitledSlide) {
    automation::ClassRegistry::Instance().Unregister(u"TRELVO.TrelvoCtrl.1");
    const fs::path output = dir_ / "out.ppt";
    EXPECT_EQ(Build(dir_ / "bracket_multiple.zbn", output), BuildOutcome::kSavedWithoutViewer);
    EXPECT_EQ(messages_, std::vector<std::u16string>{
                             u"Trelvo Presenter 2009 or above is not installed properly"});
    const auto saved = pptfile::SourcePresentation::Open(output);
    ASSERT_EQ(saved.Slides().size(), 1u);
    EXPECT_EQ(saved.Slides()[0].title, u"bracket_multiple");
    EXPECT_TRUE(saved.Slides()[0].controls.empty());
}

// A one-slide template titled "cover", written by the application itself.
void WriteTemplate(const fs::path& path) {
    using namespace engine_test;
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr presentation =
        Get(Get(app, 2001), 2003, {automation::Variant::I4(1)}, DISPATCH_METHOD);
    AddTitledSlide(Get(presentation, 2011), 1, u"cover");
    SaveAs(presentation, path);
    Call(app, 2021, DISPATCH_METHOD);
}

TEST_F(BuildTest, FromATemplateTheViewerSlideComesAfterTheTemplatesSlides) {
    WriteTemplate(dir_ / "design.pot");
    const fs::path output = dir_ / "out.ppt";
    EXPECT_EQ(Build(dir_ / "bracket_multiple.zbn", output, dir_ / "design.pot"),
              BuildOutcome::kSavedWithViewer);
    EXPECT_TRUE(messages_.empty());
    const auto saved = pptfile::SourcePresentation::Open(output);
    ASSERT_EQ(saved.Slides().size(), 2u);
    EXPECT_EQ(saved.Slides()[0].title, u"cover");
    EXPECT_EQ(saved.Slides()[1].title, u"bracket_multiple");
    ASSERT_EQ(saved.Slides()[1].controls.size(), 1u);
    EXPECT_EQ(saved.Slides()[1].controls[0].anchor,
              (pptfile::Rect{60.0f, 113.625f, 600.0f, 400.0f}));
}

TEST_F(BuildTest, AnExistingOutputIsReplacedWhole) {
    const fs::path output = dir_ / "out.ppt";
    std::ofstream(output, std::ios::binary) << std::string(1 << 20, 'x');
    EXPECT_EQ(Build(dir_ / "bracket_multiple.zbn", output), BuildOutcome::kSavedWithViewer);
    EXPECT_LT(fs::file_size(output), std::uintmax_t{1} << 20);
    EXPECT_EQ(pptfile::SourcePresentation::Open(output).Slides().size(), 1u);
}

}  // namespace
