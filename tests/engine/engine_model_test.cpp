// What the application's members do: window state, presentations, slides,
// titles and inserted controls.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "automation/types.h"
#include "automation_calls.h"
#include "engine/application_class.h"
#include "engine_world.h"
#include "test_control.h"

namespace engine_test {
namespace {

using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::DISPATCH_PROPERTYPUT;
using automation::HRESULT;
using automation::S_OK;

constexpr std::int32_t kMaxI4 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMinI4 = std::numeric_limits<std::int32_t>::min();

HRESULT AddSlide(const DispatchPtr& slides, std::int32_t index, std::int32_t layout) {
    return CodeOf([&] {
        Call(slides, 2004, DISPATCH_METHOD, {Variant::I4(index), Variant::I4(layout)});
    });
}

std::int32_t CountOf(const DispatchPtr& slides) {
    return Call(slides, 11, DISPATCH_PROPERTYGET).AsI4();
}

void SetTitle(const DispatchPtr& slide, std::u16string text) {
    Call(TitleRange(slide), 0, DISPATCH_PROPERTYPUT, {Variant::Bstr(std::move(text))});
}

std::u16string TitleOf(const DispatchPtr& slide) {
    return Call(TitleRange(slide), 0, DISPATCH_PROPERTYGET).AsBstr();
}

DispatchPtr ItemOf(const DispatchPtr& slides, std::int32_t index) {
    return GetObject(slides, 0, {Variant::I4(index)}, DISPATCH_METHOD);
}

struct WindowStateCase {
    std::int32_t value;
    HRESULT code;
};

class WindowStateTest : public ::testing::TestWithParam<WindowStateCase> {};

TEST_P(WindowStateTest, KeepsNormalMinimisedAndMaximisedOnly) {
    DispatchPtr app = engine::CreateApplication();
    EXPECT_EQ(Call(app, 2029, DISPATCH_PROPERTYGET).AsI4(), 1);
    Call(app, 2029, DISPATCH_PROPERTYPUT, {Variant::I4(3)});
    const WindowStateCase& c = GetParam();
    EXPECT_EQ(CodeOf([&] { Call(app, 2029, DISPATCH_PROPERTYPUT, {Variant::I4(c.value)}); }),
              c.code);
    const std::int32_t expected = c.code == S_OK ? c.value : 3;
    EXPECT_EQ(Call(app, 2029, DISPATCH_PROPERTYGET).AsI4(), expected);
}

INSTANTIATE_TEST_SUITE_P(Engine, WindowStateTest,
                         ::testing::Values(WindowStateCase{1, S_OK}, WindowStateCase{2, S_OK},
                                           WindowStateCase{3, S_OK},
                                           WindowStateCase{0, automation::E_INVALIDARG},
                                           WindowStateCase{4, automation::E_INVALIDARG},
                                           WindowStateCase{-1, automation::E_INVALIDARG},
                                           WindowStateCase{kMinI4, automation::E_INVALIDARG}));

TEST(ApplicationTest, ActivePresentationRaisesWhileNoneIsOpen) {
    DispatchPtr app = engine::CreateApplication();
    EXPECT_EQ(CodeOf([&] { Call(app, 2005, DISPATCH_PROPERTYGET); }), automation::E_FAIL);
}

TEST(ApplicationTest, ActivePresentationIsTheLastOneAdded) {
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr first = AddBlankPresentation(app);
    DispatchPtr second = AddBlankPresentation(app);
    DispatchPtr active = GetObject(app, 2005);
    EXPECT_EQ(AddSlide(GetObject(active, 2011), 1, 11), S_OK);
    EXPECT_EQ(CountOf(GetObject(second, 2011)), 1);
    EXPECT_EQ(CountOf(GetObject(first, 2011)), 0);
}

TEST(ApplicationTest, EachCreatedApplicationStartsAfresh) {
    DispatchPtr first = engine::CreateApplication();
    AddBlankPresentation(first);
    Call(first, 2029, DISPATCH_PROPERTYPUT, {Variant::I4(2)});
    Call(first, 2021, DISPATCH_METHOD);
    DispatchPtr second = engine::CreateApplication();
    EXPECT_EQ(Call(second, 2029, DISPATCH_PROPERTYGET).AsI4(), 1);
    EXPECT_EQ(CodeOf([&] { Call(second, 2005, DISPATCH_PROPERTYGET); }), automation::E_FAIL);
}

TEST(ApplicationTest, RegistersUnderItsProgId) {
    automation::ClassRegistry registry;
    engine::RegisterApplicationClass(registry);
    const automation::ClassInfo* info = registry.FindByProgId(u"PowerPoint.Application");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->clsid, engine::kApplicationClsid);
    EXPECT_FALSE(info->is_control);
    DispatchPtr app = registry.CreateInstance(engine::kApplicationClsid);
    EXPECT_EQ(Call(app, 2029, DISPATCH_PROPERTYGET).AsI4(), 1);
}

TEST(BlankPresentationTest, HasTheDefaultWidthAndNoSlides) {
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr presentation = AddBlankPresentation(app);
    EXPECT_EQ(Call(GetObject(presentation, 2003), 2010, DISPATCH_PROPERTYGET).AsR4(), 720.0f);
    EXPECT_EQ(CountOf(GetObject(presentation, 2011)), 0);
}

struct SlideIndexCase {
    std::int32_t index;
    std::int32_t layout;
    HRESULT code;
};

class SlidesAddTest : public ::testing::TestWithParam<SlideIndexCase> {};

// Two slides are there already, so 1..3 are the places a new one can go.
TEST_P(SlidesAddTest, AcceptsOnlyPlacesUpToOnePastTheEndAndTheTitleOnlyLayout) {
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr slides = GetObject(AddBlankPresentation(app), 2011);
    ASSERT_EQ(AddSlide(slides, 1, 11), S_OK);
    ASSERT_EQ(AddSlide(slides, 2, 11), S_OK);
    const SlideIndexCase& c = GetParam();
    EXPECT_EQ(AddSlide(slides, c.index, c.layout), c.code);
    EXPECT_EQ(CountOf(slides), c.code == S_OK ? 3 : 2);
}

INSTANTIATE_TEST_SUITE_P(Engine, SlidesAddTest,
                         ::testing::Values(SlideIndexCase{1, 11, S_OK}, SlideIndexCase{2, 11, S_OK},
                                           SlideIndexCase{3, 11, S_OK},
                                           SlideIndexCase{0, 11, automation::E_INVALIDARG},
                                           SlideIndexCase{4, 11, automation::E_INVALIDARG},
                                           SlideIndexCase{-1, 11, automation::E_INVALIDARG},
                                           SlideIndexCase{kMaxI4, 11, automation::E_INVALIDARG},
                                           SlideIndexCase{kMinI4, 11, automation::E_INVALIDARG},
                                           SlideIndexCase{3, 1, automation::E_INVALIDARG},
                                           SlideIndexCase{3, 12, automation::E_INVALIDARG},
                                           SlideIndexCase{3, 0, automation::E_INVALIDARG}));

class SlidesItemTest : public ::testing::TestWithParam<std::pair<std::int32_t, HRESULT>> {};

TEST_P(SlidesItemTest, ReturnsTheSlidesThatExistOnly) {
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr slides = GetObject(AddBlankPresentation(app), 2011);
    ASSERT_EQ(AddSlide(slides, 1, 11), S_OK);
    ASSERT_EQ(AddSlide(slides, 2, 11), S_OK);
    // Named variables, not a structured binding: Clang 14 cannot capture one.
    const std::int32_t index = GetParam().first;
    const HRESULT code = GetParam().second;
    EXPECT_EQ(CodeOf([&] { Call(slides, 0, DISPATCH_METHOD, {Variant::I4(index)}); }), code);
}

INSTANTIATE_TEST_SUITE_P(Engine, SlidesItemTest,
                         ::testing::Values(std::pair{1, S_OK}, std::pair{2, S_OK},
                                           std::pair{0, automation::DISP_E_BADINDEX},
                                           std::pair{3, automation::DISP_E_BADINDEX},
                                           std::pair{-1, automation::DISP_E_BADINDEX},
                                           std::pair{kMinI4, automation::DISP_E_BADINDEX},
                                           std::pair{kMaxI4, automation::DISP_E_BADINDEX}));

TEST(SlidesTest, AddInsertsAtTheIndexAndSlidesKeepTheirIdentity) {
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr slides = GetObject(AddBlankPresentation(app), 2011);
    ASSERT_EQ(AddSlide(slides, 1, 11), S_OK);
    DispatchPtr held = ItemOf(slides, 1);
    SetTitle(held, u"old");
    ASSERT_EQ(AddSlide(slides, 1, 11), S_OK);
    SetTitle(ItemOf(slides, 1), u"new");
    EXPECT_EQ(TitleOf(ItemOf(slides, 1)), u"new");
    EXPECT_EQ(TitleOf(ItemOf(slides, 2)), u"old");
    EXPECT_EQ(TitleOf(held), u"old");
}

TEST(TitleTest, ANewSlideHasItsTitleWhereTheMasterPutsIt) {
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr slides = GetObject(AddBlankPresentation(app), 2011);
    ASSERT_EQ(AddSlide(slides, 1, 11), S_OK);
    DispatchPtr shapes = GetObject(ItemOf(slides, 1), 2003);
    EXPECT_NE(Call(shapes, 2004, DISPATCH_PROPERTYGET).AsI4(), 0);
    EXPECT_EQ(CodeOf([&] { Call(shapes, 2005, DISPATCH_METHOD); }), automation::E_FAIL);
    DispatchPtr title = GetObject(shapes, 2006);
    EXPECT_EQ(Call(title, 123, DISPATCH_PROPERTYGET).AsR4(), 21.625f);
    EXPECT_EQ(Call(title, 109, DISPATCH_PROPERTYGET).AsR4(), 90.0f);
    EXPECT_EQ(TitleOf(ItemOf(slides, 1)), u"");
}

struct OleObjectCase {
    std::string name;
    std::vector<Variant> args;
    HRESULT code;
};

std::vector<OleObjectCase> OleObjectCases() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto with = [](std::size_t at, Variant value) {
        std::vector<Variant> args = OleObjectArgs(u"Test.Control");
        args[at] = std::move(value);
        return args;
    };
    return {
        {"Registered", OleObjectArgs(u"Test.Control"), S_OK},
        {"RegisteredAnyCase", OleObjectArgs(u"TEST.control"), S_OK},
        {"NegativeLeftOffTheSlide", OleObjectArgs(u"Test.Control", -30.0f), S_OK},
        {"Unregistered", OleObjectArgs(u"TRELVO.Missing.1"), automation::REGDB_E_CLASSNOTREG},
        {"EmptyClass", OleObjectArgs(u""), automation::REGDB_E_CLASSNOTREG},
        {"NotAControl", OleObjectArgs(u"Test.Plain"), automation::E_INVALIDARG},
        {"ControlThatCannotPersist", OleObjectArgs(u"Test.Muted"), automation::E_FAIL},
        {"ControlThatDoesNotStart", OleObjectArgs(u"Test.Broken"), automation::E_FAIL},
        {"FromFile", with(5, Variant::Bstr(u"data.bin")), automation::E_INVALIDARG},
        {"AsIcon", with(6, Variant::I4(-1)), automation::E_INVALIDARG},
        {"Linked", with(10, Variant::I4(1)), automation::E_INVALIDARG},
        {"NanLeft", OleObjectArgs(u"Test.Control", nan), automation::E_INVALIDARG},
        {"InfiniteTop", OleObjectArgs(u"Test.Control", 0, inf), automation::E_INVALIDARG},
        {"NegativeWidth", OleObjectArgs(u"Test.Control", 0, 0, -1.0f), automation::E_INVALIDARG},
        {"HugeHeight", OleObjectArgs(u"Test.Control", 0, 0, 1, 3.0e38f), automation::E_INVALIDARG},
    };
}

class AddOleObjectTest : public ::testing::TestWithParam<OleObjectCase> {
  protected:
    ScopedTestControls controls_;
};

TEST_P(AddOleObjectTest, InsertsRegisteredControlsOnlyAndLeavesNothingBehindOtherwise) {
    const int before = g_live_controls;
    {
        World world;
        const OleObjectCase& c = GetParam();
        EXPECT_EQ(CodeOf([&] { Call(world.at(Obj::kShapes), 2008, DISPATCH_METHOD, c.args); }),
                  c.code);
        // The world's own control, plus the new one when it was inserted.
        EXPECT_EQ(g_live_controls, before + (c.code == S_OK ? 2 : 1));
    }
    EXPECT_EQ(g_live_controls, before);
}

INSTANTIATE_TEST_SUITE_P(Engine, AddOleObjectTest, ::testing::ValuesIn(OleObjectCases()),
                         [](const auto& param_info) { return param_info.param.name; });

TEST(OleFormatTest, ObjectIsTheSameControlWithANewReferenceEachTime) {
    ScopedTestControls controls;
    World world;
    DispatchPtr first = GetObject(world.at(Obj::kOleFormat), 2004);
    DispatchPtr second = GetObject(world.at(Obj::kOleFormat), 2004);
    EXPECT_EQ(first.get(), second.get());
    first.Reset();
    Call(second, 1, DISPATCH_PROPERTYPUT, {Variant::Bstr(u"still here")});
}

TEST(OleFormatTest, ControlCanBeInsertedOnAnyNewSlide) {
    ScopedTestControls controls;
    DispatchPtr app = engine::CreateApplication();
    DispatchPtr slides = GetObject(AddBlankPresentation(app), 2011);
    ASSERT_EQ(AddSlide(slides, 1, 11), S_OK);
    ASSERT_EQ(AddSlide(slides, 2, 11), S_OK);
    DispatchPtr shapes = GetObject(ItemOf(slides, 2), 2003);
    DispatchPtr shape = GetObject(shapes, 2008, OleObjectArgs(u"Test.Control"), DISPATCH_METHOD);
    DispatchPtr format = GetObject(shape, 2003);
    EXPECT_TRUE(GetObject(format, 2004));
}

}  // namespace
}  // namespace engine_test
