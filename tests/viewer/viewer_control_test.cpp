// The viewer control stand-in: its one property, its picture, and its
// persisted state, which must keep the path unit for unit.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "automation/automation_error.h"
#include "automation/persist_state.h"
#include "automation/variant.h"
#include "automation/view_object.h"
#include "viewer/viewer_control_class.h"
#include "viewer/viewer_state.h"

namespace viewer {
namespace {

using automation::Variant;
using Lines = std::vector<std::u16string>;
using Bytes = std::vector<std::uint8_t>;

automation::HRESULT Put(const automation::DispatchPtr& control, automation::DISPID member,
                        std::uint16_t kind, std::vector<Variant> args) {
    try {
        Variant result;
        control->Invoke(member, kind, args, result);
    } catch (const automation::AutomationError& e) {
        return e.code();
    }
    return automation::S_OK;
}

TEST(ViewerControlTest, KeepsTheDataPathAsGivenAndRefusesEverythingElse) {
    automation::DispatchPtr control = CreateViewerControl();
    automation::IPersistState* persist = control->QueryPersistState();
    EXPECT_EQ(persist->GetClassId(), kViewerControlClsid);
    EXPECT_EQ(control->QueryViewObject()->PreviewLines(), Lines{u"Trelvo viewer"});
    EXPECT_EQ(Put(control, 1, 4, {Variant::Bstr(u"C:\\a b/d\xDCFF.zbn")}), automation::S_OK);
    EXPECT_EQ(control->QueryViewObject()->PreviewLines(),
              (Lines{u"Trelvo viewer", u"d\xDCFF.zbn"}));

    const std::u16string too_long(kMaxDataPathUnits + 1, u'a');
    EXPECT_EQ(Put(control, 1, 2, {}), automation::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Put(control, 2, 4, {Variant::Bstr(u"x")}), automation::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Put(control, 1, 4, {Variant::I4(1)}), automation::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Put(control, 1, 4, {Variant::Bstr(too_long)}), automation::E_INVALIDARG);
    EXPECT_EQ(DecodeViewerState(persist->SaveState()), u"C:\\a b/d\xDCFF.zbn");
    EXPECT_EQ(EncodeViewerState(u"A\u00e9"),
              (Bytes{'Z', 'B', 'V', 'S', 1, 0, 2, 0, 0, 0, 'A', 0, 0xe9, 0}));
    const std::u16string longest(kMaxDataPathUnits, u'\\');
    EXPECT_EQ(DecodeViewerState(EncodeViewerState(longest)), longest);
}

}  // namespace
}  // namespace viewer
