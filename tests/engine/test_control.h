// Controls for the engine's tests: they count how many are alive, so the tests
// see every reference released, and can be told to lack persistence.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "automation/class_registry.h"
#include "automation/dispatch_object.h"
#include "automation/member_check.h"
#include "automation/persist_state.h"
#include "automation/variant.h"

namespace engine_test {

inline constexpr automation::Clsid kTestControlClsid =
    automation::Clsid::FromFields(0x0badc0de, 0x1111, 0x2222, {3, 3, 4, 4, 5, 5, 6, 6});
inline constexpr automation::Clsid kMutedControlClsid =
    automation::Clsid::FromFields(0x0badc0de, 0x1111, 0x2222, {9, 9, 9, 9, 9, 9, 9, 9});
inline constexpr automation::Clsid kPlainClassClsid =
    automation::Clsid::FromFields(0x0badc0de, 0x1111, 0x2222, {7, 7, 7, 7, 7, 7, 7, 7});
inline constexpr automation::Clsid kBrokenControlClsid =
    automation::Clsid::FromFields(0x0badc0de, 0x1111, 0x2222, {8, 8, 8, 8, 8, 8, 8, 8});

inline int g_live_controls = 0;

class TestControl final : public automation::DispatchObject, public automation::IPersistState {
  public:
    explicit TestControl(bool persists) : persists_(persists) { ++g_live_controls; }
    ~TestControl() override { --g_live_controls; }

    void Invoke(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant&) override {
        if (member == 1 && kind == automation::DISPATCH_PROPERTYPUT) {
            automation::CheckArguments(args, {automation::VT_BSTR}, "TestControl.Value");
            value_ = args[0].AsBstr();
            return;
        }
        automation::ThrowMemberNotFound("TestControl", member, kind);
    }
    automation::IPersistState* QueryPersistState() noexcept override {
        return persists_ ? this : nullptr;
    }
    automation::Clsid GetClassId() const override { return kTestControlClsid; }
    std::vector<std::uint8_t> SaveState() const override {
        std::vector<std::uint8_t> bytes;
        for (const char16_t c : value_) {
            bytes.push_back(static_cast<std::uint8_t>(c));
        }
        return bytes;
    }
    void LoadState(std::span<const std::uint8_t>) override {}

  private:
    bool persists_;
    std::u16string value_;
};

// Registers "Test.Control" (persists), "Test.Muted" (no persistence),
// "Test.Plain" (not a control) and "Test.Broken" (its factory gives nothing);
// unregisters them again when it goes.
class ScopedTestControls {
  public:
    ScopedTestControls() {
        auto& registry = automation::ClassRegistry::Instance();
        registry.Register(
            {u"Test.Control", kTestControlClsid,
             [] { return automation::DispatchPtr(automation::MakeRef<TestControl>(true)); }, true});
        registry.Register(
            {u"Test.Muted", kMutedControlClsid,
             [] { return automation::DispatchPtr(automation::MakeRef<TestControl>(false)); },
             true});
        registry.Register(
            {u"Test.Plain", kPlainClassClsid,
             [] { return automation::DispatchPtr(automation::MakeRef<TestControl>(true)); },
             false});
        registry.Register(
            {u"Test.Broken", kBrokenControlClsid, [] { return automation::DispatchPtr(); }, true});
    }
    ~ScopedTestControls() {
        auto& registry = automation::ClassRegistry::Instance();
        for (const char16_t* name :
             {u"Test.Control", u"Test.Muted", u"Test.Plain", u"Test.Broken"}) {
            registry.Unregister(name);
        }
    }
    ScopedTestControls(const ScopedTestControls&) = delete;
    ScopedTestControls& operator=(const ScopedTestControls&) = delete;
};

}  // namespace engine_test
