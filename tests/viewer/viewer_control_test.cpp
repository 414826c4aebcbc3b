// The viewer control stand-in: its one property, its picture, and its
// persisted state, which must keep the path unit for unit.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "automation/automation_error.h"
#include "automation/persist_state.h"
#include "automation/variant.h"
#include "automation/view_object.h"
#include "support/viewer_state.h"
#include "viewer/viewer_control_class.h"
#include "viewer/viewer_state.h"

namespace viewer {
namespace {

using automation::Variant;
using Lines = std::vector<std::u16string>;

TEST(ViewerControlTest, KeepsTheDataPathAsGiven) {
    automation::DispatchPtr control = CreateViewerControl();
    automation::IPersistState* persist = control->QueryPersistState();
    EXPECT_EQ(persist->GetClassId(), kViewerControlClsid);
    EXPECT_EQ(control->QueryViewObject()->PreviewLines(), Lines{u"Trelvo viewer"});
    Variant result;
    control->Invoke(1, 4, std::vector{Variant::Bstr(u"C:\\a b/d\xDCFF.zbn")}, result);
    EXPECT_EQ(control->QueryViewObject()->PreviewLines(),
              (Lines{u"Trelvo viewer", u"d\uFFFD.zbn"}));
    const std::vector too_long{Variant::Bstr(std::u16string(kMaxDataPathUnits + 1, u'a'))};
    EXPECT_THROW(control->Invoke(1, 4, too_long, result), automation::AutomationError);
    const std::vector two_paths{Variant::Bstr(u"a.zbn"), Variant::Bstr(u"b.zbn")};
    EXPECT_THROW(control->Invoke(1, 4, two_paths, result), automation::AutomationError);
    EXPECT_EQ(test_support::ViewerStatePath(persist->SaveState()), u"C:\\a b/d\xDCFF.zbn");
    const std::u16string longest(kMaxDataPathUnits, u'\\');
    EXPECT_EQ(test_support::ViewerStatePath(EncodeViewerState(longest)), longest);
}

}  // namespace
}  // namespace viewer
