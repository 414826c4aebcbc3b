#include "automation/class_registry.h"

#include <gtest/gtest.h>

#include "automation/automation_error.h"

namespace automation {
namespace {

constexpr Clsid kFirst = Clsid::FromFields(0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8});
constexpr Clsid kSecond = Clsid::FromFields(0x1, 0x2, 0x3, {0, 0, 0, 0, 0, 0, 0, 9});

TEST(ClsidTest, PrintsTheFieldsAsTheRegistryDoes) {
    EXPECT_EQ(kFirst.ToString(), "{12345678-9ABC-DEF0-0102-030405060708}");
    EXPECT_EQ(kFirst.bytes[0], 0x78);
}

TEST(ClassRegistryTest, FindsByProgIdIgnoringCaseAndReplacesDuplicates) {
    ClassRegistry registry;
    registry.Register({u"Viewer.Ctrl.1", kFirst, nullptr, true});
    EXPECT_EQ(registry.ClsidFromProgId(u"VIEWER.ctrl.1"), kFirst);
    registry.Register({u"viewer.ctrl.1", kSecond, nullptr, false});
    EXPECT_EQ(registry.ClsidFromProgId(u"Viewer.Ctrl.1"), kSecond);
    EXPECT_EQ(registry.FindByClsid(kFirst), nullptr);
    registry.Unregister(u"VIEWER.CTRL.1");
    EXPECT_FALSE(registry.ClsidFromProgId(u"Viewer.Ctrl.1"));
}

TEST(ClassRegistryTest, CreatingAnUnknownClassRaisesClassNotRegistered) {
    ClassRegistry registry;
    try {
        registry.CreateInstance(kFirst);
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), REGDB_E_CLASSNOTREG);
    }
}

}  // namespace
}  // namespace automation
