// The viewer control stand-in: its one property, its registration, and its
// persisted state, which must survive a round trip and refuse damage.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "automation/automation_error.h"
#include "automation/class_registry.h"
#include "automation/persist_state.h"
#include "automation/types.h"
#include "automation/variant.h"
#include "automation/view_object.h"
#include "viewer/viewer_control.h"
#include "viewer/viewer_control_class.h"
#include "viewer/viewer_state.h"

namespace viewer {
namespace {

using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::DISPATCH_PROPERTYPUT;
using automation::DispatchPtr;
using automation::HRESULT;
using automation::Variant;

HRESULT CodeOfCall(const DispatchPtr& control, automation::DISPID member, std::uint16_t kind,
                   std::vector<Variant> args) {
    try {
        Variant result;
        control->Invoke(member, kind, args, result);
    } catch (const automation::AutomationError& e) {
        return e.code();
    }
    return automation::S_OK;
}

std::u16string StoredPath(const DispatchPtr& control) {
    automation::IPersistState* persist = control->QueryPersistState();
    ViewerControl fresh;
    fresh.LoadState(persist->SaveState());
    return fresh.data_path();
}

TEST(ViewerControlTest, RegistersAsAControlThatCreatesViewers) {
    automation::ClassRegistry registry;
    RegisterViewerControlClass(registry);
    const automation::ClassInfo* info = registry.FindByProgId(u"TRELVO.TrelvoCtrl.1");
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->is_control);
    EXPECT_EQ(info->clsid, kViewerControlClsid);
    DispatchPtr control = registry.CreateInstance(kViewerControlClsid);
    ASSERT_NE(control->QueryPersistState(), nullptr);
    EXPECT_EQ(control->QueryPersistState()->GetClassId(), kViewerControlClsid);
}

// The picture of a control that is not running names the data file.
using Lines = std::vector<std::u16string>;

TEST(ViewerControlTest, PropertyOneTakesTheDataPathAsGiven) {
    DispatchPtr control = CreateViewerControl();
    EXPECT_EQ(StoredPath(control), u"");
    EXPECT_EQ(control->QueryViewObject()->PreviewLines(), Lines{u"Trelvo viewer"});
    EXPECT_EQ(CodeOfCall(control, 1, DISPATCH_PROPERTYPUT, {Variant::Bstr(u"C:\\a b\\data.zbn")}),
              automation::S_OK);
    EXPECT_EQ(StoredPath(control), u"C:\\a b\\data.zbn");
    EXPECT_EQ(control->QueryViewObject()->PreviewLines(), (Lines{u"Trelvo viewer", u"data.zbn"}));
    EXPECT_EQ(CodeOfCall(control, 1, DISPATCH_PROPERTYPUT, {Variant::Bstr(u"rel.zbn")}),
              automation::S_OK);
    EXPECT_EQ(StoredPath(control), u"rel.zbn");
    EXPECT_EQ(control->QueryViewObject()->PreviewLines(), (Lines{u"Trelvo viewer", u"rel.zbn"}));
}

struct WrongCallCase {
    std::string name;
    automation::DISPID member;
    std::uint16_t kind;
    std::vector<Variant> args;
    HRESULT code;
};

constexpr HRESULT kNotFound = automation::DISP_E_MEMBERNOTFOUND;
constexpr HRESULT kCount = automation::DISP_E_BADPARAMCOUNT;
constexpr HRESULT kType = automation::DISP_E_TYPEMISMATCH;
constexpr std::uint16_t kPut = DISPATCH_PROPERTYPUT;
const Variant kText = Variant::Bstr(u"x");

class ViewerWrongCallTest : public ::testing::TestWithParam<WrongCallCase> {};

TEST_P(ViewerWrongCallTest, RaisesAndKeepsThePath) {
    DispatchPtr control = CreateViewerControl();
    CodeOfCall(control, 1, DISPATCH_PROPERTYPUT, {Variant::Bstr(u"kept.zbn")});
    const WrongCallCase& c = GetParam();
    EXPECT_EQ(CodeOfCall(control, c.member, c.kind, c.args), c.code);
    EXPECT_EQ(StoredPath(control), u"kept.zbn");
}

INSTANTIATE_TEST_SUITE_P(
    Viewer, ViewerWrongCallTest,
    ::testing::Values(
        // clang-format off
        WrongCallCase{"Get", 1, DISPATCH_PROPERTYGET, {}, kNotFound},
        WrongCallCase{"Method", 1, DISPATCH_METHOD, {kText}, kNotFound},
        WrongCallCase{"OtherDispid", 2, kPut, {kText}, kNotFound},
        WrongCallCase{"DefaultMember", 0, kPut, {kText}, kNotFound},
        WrongCallCase{"NoArgument", 1, kPut, {}, kCount},
        WrongCallCase{"TwoArguments", 1, kPut, {kText, Variant::Bstr(u"y")}, kCount},
        WrongCallCase{"Number", 1, kPut, {Variant::I4(1)}, kType},
        WrongCallCase{"Empty", 1, kPut, {Variant()}, kType},
        WrongCallCase{"TooLong", 1, kPut, {Variant::Bstr(std::u16string(kMaxDataPathUnits + 1, u'a'))}, automation::E_INVALIDARG}),
    // clang-format on
    [](const auto& param_info) { return param_info.param.name; });

class ViewerStateRoundTripTest : public ::testing::TestWithParam<std::u16string> {};

TEST_P(ViewerStateRoundTripTest, GivesBackThePathUnitForUnit) {
    const std::vector<std::uint8_t> bytes = EncodeViewerState(GetParam());
    EXPECT_EQ(bytes.size(), 10 + 2 * GetParam().size());
    EXPECT_EQ(DecodeViewerState(bytes), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Viewer, ViewerStateRoundTripTest,
                         ::testing::Values(u"", u"C:\\bracket_multiple.zbn",
                                           u"/tmp/données/été.zbn", u"\U0001F600.zbn",
                                           // A name byte that was not UTF-8, carried as its escape.
                                           std::u16string(u"bad\xDCFF.zbn"),
                                           std::u16string(kMaxDataPathUnits, u'\\')));

TEST(ViewerStateTest, LaysOutMagicVersionLengthAndLittleEndianText) {
    EXPECT_EQ(EncodeViewerState(u"A\u00e9"),
              (std::vector<std::uint8_t>{'Z', 'B', 'V', 'S', 1, 0, 2, 0, 0, 0, 'A', 0, 0xe9, 0}));
}

struct BadStateCase {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

std::vector<BadStateCase> BadStates() {
    const std::vector<std::uint8_t> good = EncodeViewerState(u"ab");
    auto changed = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> bytes = good;
        bytes[at] = value;
        return bytes;
    };
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    std::vector<std::uint8_t> shorter(good.begin(), good.end() - 1);
    std::vector<std::uint8_t> header_only(good.begin(), good.begin() + 9);
    return {
        {"Nothing", {}},
        {"PartOfTheHeader", header_only},
        {"ForeignMagic", changed(0, 'X')},
        {"NextVersion", changed(4, 2)},
        {"VersionZero", changed(4, 0)},
        {"VersionHighByte", changed(5, 1)},
        {"CountBeyondTheText", changed(6, 3)},
        {"CountBelowTheText", changed(6, 1)},
        {"CountHuge", changed(9, 0xff)},
        {"OddByteLeftOver", longer},
        {"TextCutShort", shorter},
    };
}

class ViewerBadStateTest : public ::testing::TestWithParam<BadStateCase> {};

TEST_P(ViewerBadStateTest, IsRefusedAndTheControlKeepsItsPath) {
    ViewerControl control;
    control.LoadState(EncodeViewerState(u"kept"));
    try {
        control.LoadState(GetParam().bytes);
        FAIL() << "accepted";
    } catch (const automation::AutomationError& e) {
        EXPECT_EQ(e.code(), automation::E_INVALIDARG);
        EXPECT_FALSE(std::string(e.description()).empty());
    }
    EXPECT_EQ(control.data_path(), u"kept");
}

INSTANTIATE_TEST_SUITE_P(Viewer, ViewerBadStateTest, ::testing::ValuesIn(BadStates()),
                         [](const auto& param_info) { return param_info.param.name; });

}  // namespace
}  // namespace viewer
