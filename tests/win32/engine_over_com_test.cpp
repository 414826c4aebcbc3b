// The builder's whole conversation with the embedded presentation
// application over real COM: the application is reached through
// CLSIDFromProgID and CoCreateInstance, every call crosses as DISPPARAMS of
// VARIANTs and BSTRs, and the file it saves is read back by our own reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "automation/class_registry.h"
#include "builder/presentation_builder.h"
#include "engine/application_class.h"
#include "framework/message_box.h"
#include "pptfile/presentation.h"
#include "viewer/viewer_control_class.h"
#include "viewer/viewer_state.h"
#include "win32/com_bridge.h"
#include "win32/ole_environment.h"

namespace {

namespace fs = std::filesystem;

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new test_win32::OleEnvironment);

const pptfile::Rect kViewerAnchor{60.0f, 113.625f, 600.0f, 400.0f};

std::u16string Text(const fs::path& path) {
    const std::wstring& wide = path.native();
    return {wide.begin(), wide.end()};
}

class EngineOverComTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& registry = automation::ClassRegistry::Instance();
        engine::RegisterApplicationClass(registry);
        // The application creates its controls through the registry, in process.
        viewer::RegisterViewerControlClass(registry);
        dir_ = fs::temp_directory_path() /
               ("zbn-engine-com-" + std::to_string(std::random_device{}()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        auto& registry = automation::ClassRegistry::Instance();
        registry.Unregister(u"PowerPoint.Application");
        registry.Unregister(u"TRELVO.TrelvoCtrl.1");
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    BuildOutcome Build(const fs::path& data, const fs::path& output,
                       const fs::path& template_path = {}) {
        std::ofstream(data, std::ios::binary).put('\0');
        framework::ScopedMessageBoxSink sink([this](std::u16string_view text, std::u16string_view,
                                                    UINT) { messages_.emplace_back(text); });
        BuildOutcome outcome;
        {
            const test_win32::ScopedComClass com_class(u"PowerPoint.Application");
            outcome = BuildPresentation(CString(Text(data).c_str()), CString(Text(output).c_str()),
                                        CString(Text(template_path).c_str()));
        }
        EXPECT_EQ(test_win32::ScopedComClass::LiveObjects(), 0) << "a COM object was not released";
        return outcome;
    }

    fs::path dir_;
    std::vector<std::u16string> messages_;
};

void ExpectViewerSlide(const pptfile::SlideSummary& slide, const std::u16string& title,
                       const fs::path& data) {
    EXPECT_EQ(slide.title, title);
    ASSERT_EQ(slide.controls.size(), 1u);
    const pptfile::ControlObject& control = slide.controls[0];
    EXPECT_EQ(control.prog_id, u"TRELVO.TrelvoCtrl.1");
    EXPECT_EQ(control.clsid, viewer::kViewerControlClsid.bytes);
    EXPECT_EQ(control.anchor, kViewerAnchor);
    EXPECT_EQ(viewer::DecodeViewerState(control.state), Text(data));
}

struct NameCase {
    const char* name;
    const wchar_t* data_file;
    const wchar_t* output_file;
    const char16_t* title;
};

class EngineOverComNames : public EngineOverComTest,
                           public ::testing::WithParamInterface<NameCase> {};

TEST_P(EngineOverComNames, SavesOneTitledSlideWithTheViewerBoundToTheDataFile) {
    const NameCase& c = GetParam();
    const fs::path data = dir_ / c.data_file;
    const fs::path output = dir_ / c.output_file;

    EXPECT_EQ(Build(data, output), BuildOutcome::kSavedWithViewer);

    EXPECT_EQ(messages_, std::vector<std::u16string>{});
    const auto saved = pptfile::SourcePresentation::Open(output);
    ASSERT_EQ(saved.Slides().size(), 1u);
    ExpectViewerSlide(saved.Slides()[0], c.title, data);
}

INSTANTIATE_TEST_SUITE_P(
    Builds, EngineOverComNames,
    ::testing::Values(NameCase{"Plain", L"bracket_multiple.zbn", L"out.ppt", u"bracket_multiple"},
                      NameCase{"NonAscii", L"donn\u00e9es \u00e9t\u00e9.v2.zbn",
                               L"M\u00fcller \U0001F600.ppt", u"donn\u00e9es \u00e9t\u00e9.v2"}),
    [](const ::testing::TestParamInfo<NameCase>& param_info) { return param_info.param.name; });

TEST_F(EngineOverComTest, FromATemplateTheViewerSlideComesAfterTheTemplatesSlides) {
    const fs::path design = dir_ / "design.ppt";
    ASSERT_EQ(Build(dir_ / "cover.zbn", design), BuildOutcome::kSavedWithViewer);
    const fs::path data = dir_ / "bracket_multiple.zbn";
    const fs::path output = dir_ / "out.ppt";

    EXPECT_EQ(Build(data, output, design), BuildOutcome::kSavedWithViewer);

    EXPECT_EQ(messages_, std::vector<std::u16string>{});
    const auto saved = pptfile::SourcePresentation::Open(output);
    ASSERT_EQ(saved.Slides().size(), 2u);
    ExpectViewerSlide(saved.Slides()[0], u"cover", dir_ / "cover.zbn");
    ExpectViewerSlide(saved.Slides()[1], u"bracket_multiple", data);
    EXPECT_EQ(pptfile::SourcePresentation::Open(design).Slides().size(), 1u)
        << "the template was written to";
}

TEST_F(EngineOverComTest, WithoutTheViewerItSaysSoOnceAndStillSavesTheTitledSlide) {
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

TEST_F(EngineOverComTest, AnExistingOutputIsReplacedWhole) {
    const fs::path output = dir_ / "out.ppt";
    std::ofstream(output, std::ios::binary) << std::string(1 << 20, 'x');

    EXPECT_EQ(Build(dir_ / "bracket_multiple.zbn", output), BuildOutcome::kSavedWithViewer);

    EXPECT_LT(fs::file_size(output), std::uintmax_t{1} << 20);
    EXPECT_EQ(pptfile::SourcePresentation::Open(output).Slides().size(), 1u);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) {
        ++entries;
    }
    EXPECT_EQ(entries, 2u) << "a temporary file was left beside the output";
}

}  // namespace
