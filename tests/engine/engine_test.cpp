// The embedded application in process: what it refuses and why, and the
// master a new slide follows on templates PowerPoint wrote.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "automation/automation_error.h"
#include "automation/class_registry.h"
#include "automation/text_codec.h"
#include "automation/variant.h"
#include "engine/application_class.h"
#include "pptfile/presentation.h"
#include "support/compound.h"
#include "support/helpers.h"
#include "support/scripted_server.h"
#include "viewer/viewer_control_class.h"

namespace {

using namespace automation;
using namespace test_support;
using ::testing::Property;
using ::testing::Throws;
namespace fs = std::filesystem;

Variant Call(const DispatchPtr& object, DISPID member, std::uint16_t kind,
             std::vector<Variant> args = {}) {
    Variant result;
    object->Invoke(member, kind, args, result);
    return result;
}

DispatchPtr Get(const DispatchPtr& object, DISPID member, std::vector<Variant> args = {},
                std::uint16_t kind = DISPATCH_PROPERTYGET) {
    DispatchPtr taken = Call(object, member, kind, std::move(args)).TakeDispatch();
    EXPECT_TRUE(taken) << "DISPID " << member << " gave no object";
    return taken;
}

std::u16string Name(const fs::path& path) {
    return DecodeOsString(path.string());
}

// Presentations.Open's arguments: read-only 0, untitled -1, with a window -1.
std::vector<Variant> Open(const std::u16string& path) {
    return {Variant::Bstr(path), Variant::I4(0), Variant::I4(-1), Variant::I4(-1)};
}

DispatchPtr OpenTemplate(const DispatchPtr& app, const fs::path& path) {
    return Get(Get(app, 2001), 2005, Open(Name(path)), DISPATCH_METHOD);
}

// Slides.Add of a title-only slide at `index`, and the new slide's shapes.
DispatchPtr AddSlide(const DispatchPtr& slides, std::int32_t index) {
    Call(slides, 2004, DISPATCH_METHOD, {Variant::I4(index), Variant::I4(11)});
    return Get(Get(slides, 0, {Variant::I4(index)}, DISPATCH_METHOD), 2003);
}

void SaveAs(const DispatchPtr& presentation, const fs::path& path) {
    Call(presentation, 2036, DISPATCH_METHOD,
         {Variant::Bstr(Name(path)), Variant::I4(1), Variant::I4(1)});
}

// One of every object, reached as the builder reaches them, on a blank
// presentation with one new slide carrying the viewer; and a template slide.
struct World {
    TempFolder folder{"zbn-engine"};
    ScopedClassRegistration viewer{
        {u"TRELVO.TrelvoCtrl.1", viewer::kViewerControlClsid, &viewer::CreateViewerControl, true}};
    ScopedClassRegistration dead{{u"Dead.Control", {}, [] { return DispatchPtr(); }, true}};
    ScopedClassRegistration mute{{u"Mute.Control", {{1}}, &engine::CreateApplication, true}};
    ScopedClassRegistration plain{{u"Plain.Class", {{2}}, &engine::CreateApplication, false}};
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr presentations = Get(app, 2001);
    DispatchPtr presentation = Get(presentations, 2003, {Variant::I4(1)}, DISPATCH_METHOD);
    DispatchPtr slides = Get(presentation, 2011);
    DispatchPtr shapes = AddSlide(slides, 1);
    DispatchPtr ole_format =
        Get(Get(shapes, 2008, OleArgs(u"TRELVO.TrelvoCtrl.1"), DISPATCH_METHOD), 2003);
    DispatchPtr control = Get(ole_format, 2004);
    DispatchPtr opened;  // made from a template holding the presentation above
    DispatchPtr template_shapes = TemplateSlideShapes();

    DispatchPtr TemplateSlideShapes() {
        SaveAs(presentation, folder.path() / "design.pot");
        opened = OpenTemplate(app, folder.path() / "design.pot");
        return Get(Get(Get(opened, 2011), 0, {Variant::I4(1)}, DISPATCH_METHOD), 2003);
    }
    static std::vector<Variant> OleArgs(std::u16string name, float left = 60, float width = 600) {
        return {Variant::R4(left),   Variant::R4(113.625f), Variant::R4(width), Variant::R4(400),
                Variant::Bstr(name), Variant::Bstr(u""),    Variant::I4(0),     Variant::Bstr(u""),
                Variant::I4(0),      Variant::Bstr(u""),    Variant::I4(0)};
    }
};

struct RefusalCase {
    const char* name;
    DispatchPtr World::*object;
    DISPID member;
    std::uint16_t kind;
    std::vector<Variant> args;
    HRESULT code;
    std::string description;  // the start of it
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, RaisesTheCodeAndSaysWhy) {
    const RefusalCase& c = GetParam();
    World world;
    const fs::path out = world.folder.path() / "out.ppt";
    std::vector<Variant> args = c.args;
    for (Variant& arg : args) {  // "<name>": that file in the folder
        if (arg.vt() == VT_BSTR && arg.AsBstr().starts_with(u"<")) {
            const std::u16string name = arg.AsBstr().substr(1, arg.AsBstr().size() - 2);
            arg = Variant::Bstr(Name(world.folder.path() / fs::path(name)));
        }
    }
    const std::uintmax_t template_size = fs::file_size(world.folder.path() / "design.pot");
    EXPECT_THAT(
        [&] { Call(world.*c.object, c.member, c.kind, args); },
        Throws<AutomationError>(::testing::AllOf(
            Property(&AutomationError::code, c.code),
            Property(&AutomationError::description, ::testing::StartsWith(c.description)))));
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(fs::file_size(world.folder.path() / "design.pot"), template_size);
}

const Variant kInt = Variant::I4(1);
const Variant kText = Variant::Bstr(u"1");
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
std::vector<Variant> With(std::size_t at, Variant value) {
    auto args = World::OleArgs(u"TRELVO.TrelvoCtrl.1");
    args[at] = std::move(value);
    return args;
}

using W = World;

const RefusalCase kRefusals[] = {
    // clang-format off
    {"UnknownMember", &W::app, 2000, DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND, "Application has no property get with DISPID 2000"},
    {"ArgumentCount", &W::slides, 2004, DISPATCH_METHOD, {kInt}, DISP_E_BADPARAMCOUNT, "Slides.Add takes 2 argument(s), not 1"},
    {"FirstArgumentType", &W::slides, 2004, DISPATCH_METHOD, {kText, kInt}, DISP_E_TYPEMISMATCH, "Slides.Add: argument 1 must be VT_I4, not VT_BSTR"},
    {"WindowStateBelow", &W::app, 2029, DISPATCH_PROPERTYPUT, {Variant::I4(0)}, E_INVALIDARG, "Application.WindowState: 0 is not a window state"},
    {"SlideIndexPastTheEnd", &W::slides, 2004, DISPATCH_METHOD, {Variant::I4(3), Variant::I4(11)}, E_INVALIDARG, "Slides.Add: index 3 is outside 1..2"},
    {"OtherLayout", &W::slides, 2004, DISPATCH_METHOD, {Variant::I4(2), Variant::I4(12)}, E_INVALIDARG, "Slides.Add: layout 12 is not supported"},
    {"NoSuchSlide", &W::slides, 0, DISPATCH_METHOD, {Variant::I4(2)}, DISP_E_BADINDEX, "Slides.Item: there is no slide 2 of 1"},
    {"SecondTitle", &W::shapes, 2005, DISPATCH_METHOD, {}, E_FAIL, "Shapes.AddTitle: the slide has a title already"},
    {"TemplateSlideTitle", &W::template_shapes, 2006, DISPATCH_PROPERTYGET, {}, E_FAIL, "Shapes.Title: slides that come from the template cannot be edited"},
    {"TemplateSlideNewTitle", &W::template_shapes, 2005, DISPATCH_METHOD, {}, E_FAIL, "Shapes.AddTitle: slides that come"},
    {"TemplateSlideControl", &W::template_shapes, 2008, DISPATCH_METHOD, W::OleArgs(u"TRELVO.TrelvoCtrl.1"), E_FAIL, "Shapes.AddOLEObject: slides that come"},
    {"UnregisteredControl", &W::shapes, 2008, DISPATCH_METHOD, W::OleArgs(u"TRELVO.Missing.1"), REGDB_E_CLASSNOTREG, "Shapes.AddOLEObject: no control is registered as \"TRELVO.Missing.1\""},
    {"NotAControl", &W::shapes, 2008, DISPATCH_METHOD, W::OleArgs(u"Plain.Class"), E_INVALIDARG, "Shapes.AddOLEObject: \"Plain.Class\" is not an ActiveX control"},
    {"ControlDoesNotStart", &W::shapes, 2008, DISPATCH_METHOD, W::OleArgs(u"Dead.Control"), E_FAIL, "Shapes.AddOLEObject: the control \"Dead.Control\" did not start"},
    {"ControlCannotSave", &W::shapes, 2008, DISPATCH_METHOD, W::OleArgs(u"Mute.Control"), E_FAIL, "Shapes.AddOLEObject: the control \"Mute.Control\" cannot save its state"},
    {"FromFile", &W::shapes, 2008, DISPATCH_METHOD, With(5, Variant::Bstr(u"x.bin")), E_INVALIDARG, "Shapes.AddOLEObject: inserting an object from a file is not supported"},
    {"NanLeft", &W::shapes, 2008, DISPATCH_METHOD, W::OleArgs(u"TRELVO.TrelvoCtrl.1", kNan), E_INVALIDARG, "Shapes.AddOLEObject: position and size must be numbers of at most 100000 points"},
    {"NegativeWidth", &W::shapes, 2008, DISPATCH_METHOD, W::OleArgs(u"TRELVO.TrelvoCtrl.1", 0, -1), E_INVALIDARG, "Shapes.AddOLEObject: width and height must not be negative"},
    {"OtherFileFormat", &W::presentation, 2036, DISPATCH_METHOD, {Variant::Bstr(u"<out.ppt>"), Variant::I4(2), kInt}, E_INVALIDARG, "Presentation.SaveAs: file format 2 is not supported"},
    {"SaveWithoutName", &W::presentation, 2036, DISPATCH_METHOD, {Variant::Bstr(u""), kInt, kInt}, E_INVALIDARG, "Presentation.SaveAs: the file name is empty"},
    {"SaveOverTheTemplate", &W::opened, 2036, DISPATCH_METHOD, {Variant::Bstr(u"<design.pot>"), kInt, kInt}, E_INVALIDARG, "Presentation.SaveAs: "},
    {"OpenMissingFile", &W::presentations, 2005, DISPATCH_METHOD, Open(u"/nonexistent/t.pot"), STG_E_READFAULT, "cannot read /nonexistent/t.pot: No such file or directory"},
    {"OpenTextFile", &W::presentations, 2005, DISPATCH_METHOD, Open(DecodeOsString(__FILE__)), E_FAIL, "not a PowerPoint 97-2003 file"},
    {"DataPathTooLong", &W::control, 1, DISPATCH_PROPERTYPUT, {Variant::Bstr(std::u16string(32768, u'a'))}, E_INVALIDARG, "TrelvoCtrl property 1: the data path is too long"},
    {"TwoDataPaths", &W::control, 1, DISPATCH_PROPERTYPUT, {kText, kText}, DISP_E_BADPARAMCOUNT, "TrelvoCtrl property 1 takes 1 argument(s), not 2"},
    {"SaveIntoNoFolder", &W::presentation, 2036, DISPATCH_METHOD, {Variant::Bstr(u"/nonexistent/out.ppt"), kInt, kInt}, STG_E_WRITEFAULT, "cannot write /nonexistent/out.ppt: No such file or directory"},
    // clang-format on
};

INSTANTIATE_TEST_SUITE_P(Engine, RefusalTest, ::testing::ValuesIn(kRefusals), CaseName());

// Quit closes the presentations, as PowerPoint does: a control that no object
// the caller holds reaches is released then, not when the application goes.
TEST(ApplicationTest, QuitReleasesTheControlsOfClosedPresentations) {
    static DispatchPtr made;
    ScopedClassRegistration counted{{u"Counted.Control",
                                     {{3}},
                                     [] {
                                         made = viewer::CreateViewerControl();
                                         return made;
                                     },
                                     true}};
    DispatchPtr app = engine::CreateApplication();
    Get(AddSlide(Get(Get(Get(app, 2001), 2003, {Variant::I4(1)}, DISPATCH_METHOD), 2011), 1), 2008,
        World::OleArgs(u"Counted.Control"), DISPATCH_METHOD);
    ASSERT_TRUE(made);
    Call(app, 2021, DISPATCH_METHOD);
    made->AddRef();
    EXPECT_EQ(made->Release(), 1u) << "the control outlived Quit";
    made = DispatchPtr();
}

// A control may have no width or height, as a shape may.
TEST(ApplicationTest, ControlsOfNoSizeAreTaken) {
    World world;
    std::vector<Variant> args = World::OleArgs(u"TRELVO.TrelvoCtrl.1", 60, 0);
    args[3] = Variant::R4(0);
    EXPECT_TRUE(Get(world.shapes, 2008, args, DISPATCH_METHOD));
}

// The main masters of the corpus files, by the ids PowerPoint gave them.
constexpr std::uint32_t kFirst = 0x80000000u;
constexpr std::uint32_t kWithMasterSecond = 0x8000000Cu;  // both WithMaster.ppt slides
constexpr std::uint32_t kOwnFirst = 0x80000001u;          // slide_master.ppt's slide 1
constexpr std::uint32_t kOwnSecond = 0x80000002u;  // its slide 2, and slide 3's title master's

struct Case {
    const char* name;
    const char* file;
    std::vector<std::int32_t> adds;  // Slides.Add positions in call order
    std::vector<std::uint32_t> saved_masters;
    float title_top, title_height;  // of the added slides, from their master in the file
};

class EngineMasterTest : public ::testing::TestWithParam<Case> {};

TEST_P(EngineMasterTest, NewSlideFollowsTheSlideBeforeIt) {
    const Case& c = GetParam();
    TempFolder folder("zbn-engine-master");
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr presentation = OpenTemplate(app, kTestData / "good" / c.file);
    DispatchPtr slides = Get(presentation, 2011);
    for (const std::int32_t index : c.adds) {
        Call(Get(Get(Get(AddSlide(slides, index), 2006), 121), 2004), 0, DISPATCH_PROPERTYPUT,
             {Variant::Bstr(u"new")});
    }
    SaveAs(presentation, folder.path() / "out.ppt");

    const auto saved = test_support::Open(test_support::ReadFile(folder.path() / "out.ppt"));
    std::vector<std::uint32_t> masters;
    for (std::size_t i = 0; i < saved.Slides().size(); ++i) {
        masters.push_back(saved.Slides()[i].master_id);
        if (saved.Slides()[i].title == u"new") {
            const auto index = Variant::I4(static_cast<std::int32_t>(i + 1));
            DispatchPtr title = Get(Get(Get(slides, 0, {index}, DISPATCH_METHOD), 2003), 2006);
            EXPECT_EQ(Call(title, 123, DISPATCH_PROPERTYGET).AsR4(), c.title_top) << i;
            EXPECT_EQ(Call(title, 109, DISPATCH_PROPERTYGET).AsR4(), c.title_height) << i;
        }
    }
    EXPECT_EQ(masters, c.saved_masters);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, EngineMasterTest,
    ::testing::Values(
        // clang-format off
        // The titles' top and height in points are those of the main masters'
        // title placeholders (type 0x01) as PowerPoint anchored them in these
        // files, at 8 units a point: top 173 and height 720 in all but
        // backgrounds.ppt, whose master has 435 and 816.
        // The problem as users met it: the viewer slide after slides on the second master.
        Case{"AfterSlidesOnTheSecondMaster", "WithMaster.ppt", {3}, {kWithMasterSecond, kWithMasterSecond, kWithMasterSecond}, 21.625f, 90.0f},
        // The second added slide follows the first added one.
        Case{"AfterAnAddedSlide", "WithMaster.ppt", {1, 2}, {kFirst, kFirst, kWithMasterSecond, kWithMasterSecond}, 21.625f, 90.0f},
        Case{"AfterATitleMasterSlide", "slide_master.ppt", {4}, {kOwnFirst, kOwnSecond, kOwnSecond, kOwnSecond}, 21.625f, 90.0f},
        // A master whose title is not where a new presentation's is.
        Case{"MasterWithItsOwnTitle", "backgrounds.ppt", {5}, {kFirst, kFirst, kFirst, kFirst, kFirst}, 54.375f, 102.0f}),
    // clang-format on
    CaseName());

}  // namespace
