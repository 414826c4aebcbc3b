// Every object answers exactly its members: the right call with the right
// result type, and every other DISPID, kind, count or type refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/types.h"
#include "automation_calls.h"
#include "engine_world.h"
#include "test_control.h"

namespace engine_test {
namespace {

using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::DISPATCH_PROPERTYPUT;
using automation::VARTYPE;
using automation::VT_BSTR;
using automation::VT_DISPATCH;
using automation::VT_EMPTY;
using automation::VT_I4;
using automation::VT_R4;

constexpr std::uint16_t kMethodOrGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

struct MemberCase {
    std::string name;
    Obj object;
    automation::DISPID member;
    std::uint16_t kind;
    std::vector<Variant> args;
    VARTYPE result;
};

std::vector<MemberCase> Members() {
    return {
        // clang-format off
        {"ApplicationActivate", Obj::kApplication, 2033, DISPATCH_METHOD, {}, VT_EMPTY},
        {"ApplicationWindowStateGet", Obj::kApplication, 2029, DISPATCH_PROPERTYGET, {}, VT_I4},
        {"ApplicationWindowStatePut", Obj::kApplication, 2029, DISPATCH_PROPERTYPUT, {Variant::I4(2)}, VT_EMPTY},
        {"ApplicationPresentations", Obj::kApplication, 2001, DISPATCH_PROPERTYGET, {}, VT_DISPATCH},
        {"ApplicationActivePresentation", Obj::kApplication, 2005, DISPATCH_PROPERTYGET, {}, VT_DISPATCH},
        {"PresentationsAdd", Obj::kPresentations, 2003, DISPATCH_METHOD, {Variant::I4(1)}, VT_DISPATCH},
        {"PresentationSlides", Obj::kPresentation, 2011, DISPATCH_PROPERTYGET, {}, VT_DISPATCH},
        {"PresentationSlideMaster", Obj::kPresentation, 2003, DISPATCH_PROPERTYGET, {}, VT_DISPATCH},
        {"SlideMasterWidth", Obj::kSlideMaster, 2010, DISPATCH_PROPERTYGET, {}, VT_R4},
        {"SlidesCount", Obj::kSlides, 11, DISPATCH_PROPERTYGET, {}, VT_I4},
        {"SlidesAdd", Obj::kSlides, 2004, DISPATCH_METHOD, {Variant::I4(2), Variant::I4(11)}, VT_DISPATCH},
        {"SlidesItem", Obj::kSlides, 0, DISPATCH_METHOD, {Variant::I4(1)}, VT_DISPATCH},
        {"SlideShapes", Obj::kSlide, 2003, DISPATCH_PROPERTYGET, {}, VT_DISPATCH},
        {"ShapesHasTitle", Obj::kShapes, 2004, DISPATCH_PROPERTYGET, {}, VT_I4},
        {"ShapesTitle", Obj::kShapes, 2006, DISPATCH_PROPERTYGET, {}, VT_DISPATCH},
        {"ShapesAddOLEObject", Obj::kShapes, 2008, DISPATCH_METHOD, OleObjectArgs(u"Test.Control"), VT_DISPATCH},
        {"ShapeTextFrame", Obj::kTitle, 121, DISPATCH_PROPERTYGET, {}, VT_DISPATCH},
        {"ShapeTop", Obj::kTitle, 123, DISPATCH_PROPERTYGET, {}, VT_R4},
        {"ShapeHeight", Obj::kTitle, 109, DISPATCH_PROPERTYGET, {}, VT_R4},
        {"TextFrameTextRange", Obj::kTextFrame, 2004, DISPATCH_PROPERTYGET, {}, VT_DISPATCH},
        {"TextRangeTextPut", Obj::kTextRange, 0, DISPATCH_PROPERTYPUT, {Variant::Bstr(u"x")}, VT_EMPTY},
        {"TextRangeTextGet", Obj::kTextRange, 0, DISPATCH_PROPERTYGET, {}, VT_BSTR},
        {"ShapeOLEFormat", Obj::kOleShape, 2003, DISPATCH_PROPERTYGET, {}, VT_DISPATCH},
        {"OLEFormatObject", Obj::kOleFormat, 2004, DISPATCH_PROPERTYGET, {}, VT_DISPATCH},
        // clang-format on
    };
}

class MemberTest : public ::testing::TestWithParam<MemberCase> {
  protected:
    ScopedTestControls controls_;
};

TEST_P(MemberTest, AnswersWithItsResultType) {
    World world;
    const MemberCase& c = GetParam();
    Variant result = Call(world.at(c.object), c.member, c.kind, c.args);
    EXPECT_EQ(result.vt(), c.result);
    if (c.result == VT_DISPATCH) {
        EXPECT_TRUE(result.AsDispatch());
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, MemberTest, ::testing::ValuesIn(Members()),
                         [](const auto& param_info) { return param_info.param.name; });

struct WrongCallCase {
    std::string name;
    Obj object;
    automation::DISPID member;
    std::uint16_t kind;
    std::vector<Variant> args;
    automation::HRESULT code;
};

constexpr automation::HRESULT kNotFound = automation::DISP_E_MEMBERNOTFOUND;
constexpr automation::HRESULT kCount = automation::DISP_E_BADPARAMCOUNT;
constexpr automation::HRESULT kType = automation::DISP_E_TYPEMISMATCH;

std::vector<WrongCallCase> WrongCalls() {
    const Variant i4 = Variant::I4(1);
    const Variant r4 = Variant::R4(1.0f);
    const Variant text = Variant::Bstr(u"1");
    std::vector<Variant> ole_with_i4_class = OleObjectArgs(u"Test.Control");
    ole_with_i4_class[4] = i4;
    std::vector<Variant> ole_with_i4_left = OleObjectArgs(u"Test.Control");
    ole_with_i4_left[0] = i4;
    std::vector<Variant> ole_short = OleObjectArgs(u"Test.Control");
    ole_short.pop_back();
    return {
        // clang-format off
        // Members nobody answers.
        {"ApplicationUnknown", Obj::kApplication, 2000, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"ApplicationVisible", Obj::kApplication, 2014, DISPATCH_PROPERTYPUT, {i4}, kNotFound},
        {"PresentationsUnknown", Obj::kPresentations, 0, DISPATCH_METHOD, {i4}, kNotFound},
        {"PresentationUnknown", Obj::kPresentation, 2037, DISPATCH_METHOD, {}, kNotFound},
        {"SlideMasterUnknown", Obj::kSlideMaster, 2011, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"SlidesUnknown", Obj::kSlides, 12, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"SlideUnknown", Obj::kSlide, 2004, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"ShapesUnknown", Obj::kShapes, 2007, DISPATCH_METHOD, {}, kNotFound},
        {"TitleUnknown", Obj::kTitle, 2003, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"TextFrameUnknown", Obj::kTextFrame, 2003, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"TextRangeUnknown", Obj::kTextRange, 1, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"OleShapeTextFrame", Obj::kOleShape, 121, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"OleFormatUnknown", Obj::kOleFormat, 2003, DISPATCH_PROPERTYGET, {}, kNotFound},
        // Known members called with another kind.
        {"ActivateAsGet", Obj::kApplication, 2033, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"WindowStateAsMethod", Obj::kApplication, 2029, DISPATCH_METHOD, {}, kNotFound},
        {"PresentationsAsPut", Obj::kApplication, 2001, DISPATCH_PROPERTYPUT, {i4}, kNotFound},
        {"ActivePresentationAsMethodOrGet", Obj::kApplication, 2005, kMethodOrGet, {}, kNotFound},
        {"QuitAsGet", Obj::kApplication, 2021, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"PresentationsAddAsGet", Obj::kPresentations, 2003, DISPATCH_PROPERTYGET, {i4}, kNotFound},
        {"PresentationsOpenAsGet", Obj::kPresentations, 2005, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"SlidesAsMethod", Obj::kPresentation, 2011, DISPATCH_METHOD, {}, kNotFound},
        {"SaveAsAsPut", Obj::kPresentation, 2036, DISPATCH_PROPERTYPUT, {text}, kNotFound},
        {"WidthAsPut", Obj::kSlideMaster, 2010, DISPATCH_PROPERTYPUT, {r4}, kNotFound},
        {"CountAsMethod", Obj::kSlides, 11, DISPATCH_METHOD, {}, kNotFound},
        {"ItemAsGet", Obj::kSlides, 0, DISPATCH_PROPERTYGET, {i4}, kNotFound},
        {"SlidesAddAsGet", Obj::kSlides, 2004, DISPATCH_PROPERTYGET, {i4, i4}, kNotFound},
        {"ShapesAsPut", Obj::kSlide, 2003, DISPATCH_PROPERTYPUT, {i4}, kNotFound},
        {"HasTitleAsPut", Obj::kShapes, 2004, DISPATCH_PROPERTYPUT, {i4}, kNotFound},
        {"TitleAsMethod", Obj::kShapes, 2006, DISPATCH_METHOD, {}, kNotFound},
        {"AddTitleAsGet", Obj::kShapes, 2005, DISPATCH_PROPERTYGET, {}, kNotFound},
        {"AddOLEObjectAsGet", Obj::kShapes, 2008, DISPATCH_PROPERTYGET, OleObjectArgs(u"Test.Control"), kNotFound},
        {"TopAsPut", Obj::kTitle, 123, DISPATCH_PROPERTYPUT, {r4}, kNotFound},
        {"HeightAsPut", Obj::kTitle, 109, DISPATCH_PROPERTYPUT, {r4}, kNotFound},
        {"TextFrameAsMethod", Obj::kTitle, 121, DISPATCH_METHOD, {}, kNotFound},
        {"TextRangeAsPut", Obj::kTextFrame, 2004, DISPATCH_PROPERTYPUT, {i4}, kNotFound},
        {"TextAsMethod", Obj::kTextRange, 0, DISPATCH_METHOD, {text}, kNotFound},
        {"OLEFormatAsPut", Obj::kOleShape, 2003, DISPATCH_PROPERTYPUT, {i4}, kNotFound},
        {"ObjectAsMethod", Obj::kOleFormat, 2004, DISPATCH_METHOD, {}, kNotFound},
        // Wrong argument counts.
        {"ActivateWithArgument", Obj::kApplication, 2033, DISPATCH_METHOD, {i4}, kCount},
        {"WindowStateGetWithArgument", Obj::kApplication, 2029, DISPATCH_PROPERTYGET, {i4}, kCount},
        {"WindowStatePutBare", Obj::kApplication, 2029, DISPATCH_PROPERTYPUT, {}, kCount},
        {"QuitWithArgument", Obj::kApplication, 2021, DISPATCH_METHOD, {i4}, kCount},
        {"PresentationsAddBare", Obj::kPresentations, 2003, DISPATCH_METHOD, {}, kCount},
        {"PresentationsOpenShort", Obj::kPresentations, 2005, DISPATCH_METHOD, {text, i4, i4}, kCount},
        {"SaveAsShort", Obj::kPresentation, 2036, DISPATCH_METHOD, {text, i4}, kCount},
        {"SlideMasterWithArgument", Obj::kPresentation, 2003, DISPATCH_PROPERTYGET, {i4}, kCount},
        {"WidthWithArgument", Obj::kSlideMaster, 2010, DISPATCH_PROPERTYGET, {i4}, kCount},
        {"CountWithArgument", Obj::kSlides, 11, DISPATCH_PROPERTYGET, {i4}, kCount},
        {"SlidesAddShort", Obj::kSlides, 2004, DISPATCH_METHOD, {i4}, kCount},
        {"ItemBare", Obj::kSlides, 0, DISPATCH_METHOD, {}, kCount},
        {"ItemTwice", Obj::kSlides, 0, DISPATCH_METHOD, {i4, i4}, kCount},
        {"ShapesWithArgument", Obj::kSlide, 2003, DISPATCH_PROPERTYGET, {i4}, kCount},
        {"HasTitleWithArgument", Obj::kShapes, 2004, DISPATCH_PROPERTYGET, {i4}, kCount},
        {"AddTitleWithArgument", Obj::kShapes, 2005, DISPATCH_METHOD, {i4}, kCount},
        {"AddOLEObjectShort", Obj::kShapes, 2008, DISPATCH_METHOD, ole_short, kCount},
        {"TopWithArgument", Obj::kTitle, 123, DISPATCH_PROPERTYGET, {i4}, kCount},
        {"TextRangeWithArgument", Obj::kTextFrame, 2004, DISPATCH_PROPERTYGET, {i4}, kCount},
        {"TextPutBare", Obj::kTextRange, 0, DISPATCH_PROPERTYPUT, {}, kCount},
        {"ObjectWithArgument", Obj::kOleFormat, 2004, DISPATCH_PROPERTYGET, {i4}, kCount},
        // Wrong argument types: no conversion between them is made.
        {"WindowStateAsFloat", Obj::kApplication, 2029, DISPATCH_PROPERTYPUT, {r4}, kType},
        {"WindowStateAsText", Obj::kApplication, 2029, DISPATCH_PROPERTYPUT, {text}, kType},
        {"PresentationsAddWithText", Obj::kPresentations, 2003, DISPATCH_METHOD, {text}, kType},
        {"OpenWithNumberName", Obj::kPresentations, 2005, DISPATCH_METHOD, {i4, i4, i4, i4}, kType},
        {"OpenWithTextFlag", Obj::kPresentations, 2005, DISPATCH_METHOD, {text, i4, text, i4}, kType},
        {"SaveAsWithNumberName", Obj::kPresentation, 2036, DISPATCH_METHOD, {i4, i4, i4}, kType},
        {"SaveAsWithFloatFormat", Obj::kPresentation, 2036, DISPATCH_METHOD, {text, r4, i4}, kType},
        {"SlidesAddWithFloatIndex", Obj::kSlides, 2004, DISPATCH_METHOD, {r4, i4}, kType},
        {"SlidesAddWithTextLayout", Obj::kSlides, 2004, DISPATCH_METHOD, {i4, text}, kType},
        {"ItemByName", Obj::kSlides, 0, DISPATCH_METHOD, {text}, kType},
        {"ItemByFloat", Obj::kSlides, 0, DISPATCH_METHOD, {r4}, kType},
        {"ItemByEmpty", Obj::kSlides, 0, DISPATCH_METHOD, {Variant()}, kType},
        {"AddOLEObjectIntegerLeft", Obj::kShapes, 2008, DISPATCH_METHOD, ole_with_i4_left, kType},
        {"AddOLEObjectNumberClass", Obj::kShapes, 2008, DISPATCH_METHOD, ole_with_i4_class, kType},
        {"TextAsNumber", Obj::kTextRange, 0, DISPATCH_PROPERTYPUT, {i4}, kType},
        // clang-format on
    };
}

class WrongCallTest : public ::testing::TestWithParam<WrongCallCase> {
  protected:
    ScopedTestControls controls_;
};

TEST_P(WrongCallTest, RaisesWithTheRightCodeAndSaysWhy) {
    World world;
    const WrongCallCase& c = GetParam();
    std::string description;
    EXPECT_EQ(CodeOf([&] { Call(world.at(c.object), c.member, c.kind, c.args); }, &description),
              c.code);
    EXPECT_FALSE(description.empty());
}

INSTANTIATE_TEST_SUITE_P(Engine, WrongCallTest, ::testing::ValuesIn(WrongCalls()),
                         [](const auto& param_info) { return param_info.param.name; });

TEST(WrongCallDescriptionTest, NamesTheMember) {
    ScopedTestControls controls;
    World world;
    std::string description;
    CodeOf([&] { Call(world.at(Obj::kSlides), 2004, DISPATCH_METHOD, {Variant::I4(1)}); },
           &description);
    EXPECT_NE(description.find("Slides.Add"), std::string::npos) << description;
}

// After Quit every object still held refuses every call, and letting go of
// them afterwards is safe (the sanitizers watch the releases).
TEST_P(MemberTest, RaisesDisconnectedAfterQuit) {
    World world;
    Call(world.at(Obj::kApplication), 2021, DISPATCH_METHOD);
    const MemberCase& c = GetParam();
    EXPECT_EQ(CodeOf([&] { Call(world.at(c.object), c.member, c.kind, c.args); }),
              automation::RPC_E_DISCONNECTED);
}

TEST(QuitTest, ReleasesEveryControlOnceTheLastHolderLetsGo) {
    ScopedTestControls controls;
    const int before = g_live_controls;
    {
        World world;
        DispatchPtr control = GetObject(world.at(Obj::kOleFormat), 2004);
        EXPECT_EQ(g_live_controls, before + 1);
        Call(world.at(Obj::kApplication), 2021, DISPATCH_METHOD);
        EXPECT_EQ(CodeOf([&] { Call(world.at(Obj::kApplication), 2021, DISPATCH_METHOD); }),
                  automation::RPC_E_DISCONNECTED);
        // The application went first; the rest go in the order a client may choose.
        world.ReleaseAll();
        EXPECT_EQ(g_live_controls, before + 1);
    }
    EXPECT_EQ(g_live_controls, before);
}

TEST(QuitTest, ReleasingTheApplicationFirstLeavesTheOthersSafe) {
    ScopedTestControls controls;
    World world;
    DispatchPtr slides = world.at(Obj::kSlides);
    DispatchPtr format = world.at(Obj::kOleFormat);
    Call(world.at(Obj::kApplication), 2021, DISPATCH_METHOD);
    world.ReleaseAll();
    EXPECT_EQ(CodeOf([&] { Call(slides, 11, DISPATCH_PROPERTYGET); }),
              automation::RPC_E_DISCONNECTED);
    EXPECT_EQ(CodeOf([&] { Call(format, 2004, DISPATCH_PROPERTYGET); }),
              automation::RPC_E_DISCONNECTED);
}

}  // namespace
}  // namespace engine_test
