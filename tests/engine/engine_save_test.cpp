// Opening templates and saving presentations through the file layer, read
// back with our own reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "automation/text_codec.h"
#include "automation/types.h"
#include "automation_calls.h"
#include "engine/application_class.h"
#include "engine_world.h"
#include "pptfile/presentation.h"
#include "support/temp_folder.h"
#include "test_control.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;
using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::DISPATCH_PROPERTYPUT;
using automation::S_OK;

// A fresh folder for each test; `dir / "name"` is a path inside it.
class TempDir : public test_support::TempFolder {
  public:
    TempDir() : test_support::TempFolder("zbn-engine") {}
    fs::path operator/(const std::string& name) const { return path() / name; }
};

std::u16string Name(const fs::path& path) {
    return automation::DecodeOsString(path.string());
}

std::vector<char> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

DispatchPtr Open(const DispatchPtr& app, const std::u16string& name) {
    return GetObject(GetObject(app, 2001), 2005,
                     {Variant::Bstr(name), Variant::I4(0), Variant::I4(-1), Variant::I4(-1)},
                     DISPATCH_METHOD);
}

class SaveFormatTest : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(SaveFormatTest, RefusesEveryFormatButThePresentationFormatAndWritesNothing) {
    TempDir dir;
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr presentation = AddBlankPresentation(app);
    std::string description;
    EXPECT_EQ(CodeOf([&] { SaveAs(presentation, dir / "out.ppt", GetParam()); }, &description),
              automation::E_INVALIDARG);
    EXPECT_NE(description.find("format " + std::to_string(GetParam())), std::string::npos)
        << description;
    EXPECT_FALSE(fs::exists(dir / "out.ppt"));
}

INSTANTIATE_TEST_SUITE_P(Engine, SaveFormatTest, ::testing::Values(0, 2, 11, 32, -1));

class SaveTest : public ::testing::Test {
  protected:
    ScopedTestControls controls_;
    TempDir dir_;
};

TEST_F(SaveTest, WritesTheNewSlideWithItsTitleAndTheControlAsItIsAtSavingTime) {
    World world;
    Call(world.at(Obj::kTextRange), 0, DISPATCH_PROPERTYPUT, {Variant::Bstr(u"bracket_multiple")});
    DispatchPtr control = GetObject(world.at(Obj::kOleFormat), 2004);
    Call(control, 1, DISPATCH_PROPERTYPUT, {Variant::Bstr(u"first")});
    SaveAs(world.at(Obj::kPresentation), dir_ / "first.ppt");
    Call(control, 1, DISPATCH_PROPERTYPUT, {Variant::Bstr(u"second")});
    SaveAs(world.at(Obj::kPresentation), dir_ / "second.ppt");

    const auto first = pptfile::SourcePresentation::Open(dir_ / "first.ppt");
    ASSERT_EQ(first.Slides().size(), 1u);
    EXPECT_EQ(first.SlideWidth(), 720.0f);
    EXPECT_EQ(first.Slides()[0].title, u"bracket_multiple");
    ASSERT_EQ(first.Slides()[0].controls.size(), 1u);
    const pptfile::ControlObject& saved = first.Slides()[0].controls[0];
    EXPECT_EQ(saved.prog_id, u"Test.Control");
    EXPECT_EQ(saved.clsid, kTestControlClsid.bytes);
    EXPECT_EQ(saved.anchor, (pptfile::Rect{60.0f, 113.625f, 600.0f, 400.0f}));
    EXPECT_EQ(saved.state, (std::vector<std::uint8_t>{'f', 'i', 'r', 's', 't'}));

    const auto second = pptfile::SourcePresentation::Open(dir_ / "second.ppt");
    ASSERT_EQ(second.Slides().size(), 1u);
    ASSERT_EQ(second.Slides()[0].controls.size(), 1u);
    EXPECT_EQ(second.Slides()[0].controls[0].state,
              (std::vector<std::uint8_t>{'s', 'e', 'c', 'o', 'n', 'd'}));
}

TEST_F(SaveTest, AFailedSaveRaisesAndLeavesNothing) {
    World world;
    const fs::path target = dir_ / "missing" / "out.ppt";
    std::string description;
    EXPECT_EQ(CodeOf([&] { SaveAs(world.at(Obj::kPresentation), target); }, &description),
              automation::STG_E_WRITEFAULT);
    EXPECT_FALSE(description.empty());
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
    EXPECT_EQ(CodeOf([&] {
                  Call(world.at(Obj::kPresentation), 2036, DISPATCH_METHOD,
                       {Variant::Bstr(u""), Variant::I4(1), Variant::I4(1)});
              }),
              automation::E_INVALIDARG);
}

class TemplateTest : public SaveTest {
  protected:
    // A template of two titled slides, written by the application itself.
    void SetUp() override {
        DispatchPtr app = engine::CreateApplication();
        DispatchPtr presentation = AddBlankPresentation(app);
        DispatchPtr slides = GetObject(presentation, 2011);
        AddTitledSlide(slides, 1, u"one");
        AddTitledSlide(slides, 2, u"two");
        SaveAs(presentation, dir_ / "design.pot");
        Call(app, 2021, DISPATCH_METHOD);
    }
};

TEST_F(TemplateTest, OpensAsTheActivePresentationWithTheTemplatesSlidesReadOnly) {
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr presentation = Open(app, Name(dir_ / "design.pot"));
    EXPECT_TRUE(GetObject(app, 2005));
    EXPECT_EQ(Call(GetObject(presentation, 2003), 2010, DISPATCH_PROPERTYGET).AsR4(), 720.0f);
    DispatchPtr slides = GetObject(presentation, 2011);
    ASSERT_EQ(Call(slides, 11, DISPATCH_PROPERTYGET).AsI4(), 2);

    // A slide of the template tells whether it has a title but is not edited.
    DispatchPtr shapes = GetObject(GetObject(slides, 0, {Variant::I4(1)}, DISPATCH_METHOD), 2003);
    EXPECT_NE(Call(shapes, 2004, DISPATCH_PROPERTYGET).AsI4(), 0);
    EXPECT_EQ(CodeOf([&] { Call(shapes, 2006, DISPATCH_PROPERTYGET); }), automation::E_FAIL);
    EXPECT_EQ(CodeOf([&] { Call(shapes, 2005, DISPATCH_METHOD); }), automation::E_FAIL);
    EXPECT_EQ(CodeOf([&] { Call(shapes, 2008, DISPATCH_METHOD, OleObjectArgs(u"Test.Control")); }),
              automation::E_FAIL);

    // A new slide takes the master's title place.
    AddTitledSlide(slides, 3, u"new");
    DispatchPtr title =
        GetObject(GetObject(GetObject(slides, 0, {Variant::I4(3)}, DISPATCH_METHOD), 2003), 2006);
    EXPECT_EQ(Call(title, 123, DISPATCH_PROPERTYGET).AsR4(), 21.625f);
    EXPECT_EQ(Call(title, 109, DISPATCH_PROPERTYGET).AsR4(), 90.0f);
}

TEST_F(TemplateTest, IsNeverWrittenOver) {
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr presentation = Open(app, Name(dir_ / "design.pot"));
    AddTitledSlide(GetObject(presentation, 2011), 1, u"new");
    const std::vector<char> before = Bytes(dir_ / "design.pot");
    std::string description;
    EXPECT_EQ(CodeOf([&] { SaveAs(presentation, dir_ / "design.pot"); }, &description),
              automation::E_INVALIDARG);
    EXPECT_NE(description.find("template"), std::string::npos) << description;
    EXPECT_EQ(Bytes(dir_ / "design.pot"), before);
}

TEST_F(TemplateTest, SavedSlidesKeepTheTemplatesAndTheNewOnesWhereTheyWereAdded) {
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr presentation = Open(app, Name(dir_ / "design.pot"));
    AddTitledSlide(GetObject(presentation, 2011), 2, u"middle");
    SaveAs(presentation, dir_ / "out.ppt");
    const auto saved = pptfile::SourcePresentation::Open(dir_ / "out.ppt");
    ASSERT_EQ(saved.Slides().size(), 3u);
    EXPECT_EQ(saved.Slides()[0].title, u"one");
    EXPECT_EQ(saved.Slides()[1].title, u"middle");
    EXPECT_EQ(saved.Slides()[2].title, u"two");
}

struct OpenFailureCase {
    std::string name;
    std::string content;  // written to the file unless `absent`
    bool absent;
    automation::HRESULT code;
};

class OpenFailureTest : public ::testing::TestWithParam<OpenFailureCase> {};

TEST_P(OpenFailureTest, RaisesWithADescriptionAndOpensNothing) {
    TempDir dir;
    const OpenFailureCase& c = GetParam();
    const fs::path path = dir / "design.pot";
    if (!c.absent) {
        std::ofstream(path, std::ios::binary) << c.content;
    }
    DispatchPtr app = engine::CreateApplication();
    std::string description;
    EXPECT_EQ(CodeOf([&] { Open(app, Name(path)); }, &description), c.code);
    EXPECT_FALSE(description.empty());
    EXPECT_EQ(CodeOf([&] { Call(app, 2005, DISPATCH_PROPERTYGET); }), automation::E_FAIL);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, OpenFailureTest,
    ::testing::Values(OpenFailureCase{"Missing", "", true, automation::STG_E_READFAULT},
                      OpenFailureCase{"Empty", "", false, automation::E_FAIL},
                      OpenFailureCase{"Text", "not a presentation at all", false,
                                      automation::E_FAIL},
                      OpenFailureCase{"CompoundFileSignatureOnly",
                                      std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8), false,
                                      automation::E_FAIL}),
    [](const auto& param_info) { return param_info.param.name; });

TEST(OpenTest, AnEmptyNameIsRefused) {
    DispatchPtr app = engine::CreateApplication();
    EXPECT_EQ(CodeOf([&] { Open(app, u""); }), automation::E_INVALIDARG);
}

}  // namespace
}  // namespace engine_test
