// Small helpers for talking to automation objects directly in tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "automation/automation_error.h"
#include "automation/dispatch.h"
#include "automation/types.h"
#include "automation/variant.h"

namespace engine_test {

using automation::DispatchPtr;
using automation::Variant;

inline Variant Call(const DispatchPtr& object, automation::DISPID member, std::uint16_t kind,
                    std::vector<Variant> args = {}) {
    Variant result;
    object->Invoke(member, kind, args, result);
    return result;
}

inline DispatchPtr GetObject(const DispatchPtr& object, automation::DISPID member,
                             std::vector<Variant> args = {},
                             std::uint16_t kind = automation::DISPATCH_PROPERTYGET) {
    Variant result = Call(object, member, kind, std::move(args));
    DispatchPtr taken = result.TakeDispatch();
    EXPECT_TRUE(taken) << "DISPID " << member << " gave an empty object";
    return taken;
}

// The status code of the error `call` raises, or S_OK when it raises none.
inline automation::HRESULT CodeOf(const std::function<void()>& call,
                                  std::string* description = nullptr) {
    try {
        call();
    } catch (const automation::AutomationError& e) {
        if (description != nullptr) {
            *description = e.description();
        }
        return e.code();
    }
    return automation::S_OK;
}

}  // namespace engine_test
