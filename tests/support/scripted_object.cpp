#include "support/scripted_object.h"

#include <cassert>

#include "automation/automation_error.h"
#include "support/scripted_server.h"

namespace test_support {

std::uint32_t ScriptedObject::Release() noexcept {
    assert(refs_ > 0 && "released more often than referenced");
    if (server_ != nullptr) {
        server_->Released(*this);
    }
    const std::uint32_t left = --refs_;
    if (left == 0) {
        delete this;
    }
    return left;
}

void ScriptedObject::Invoke(automation::DISPID member, std::uint16_t kind,
                            std::span<const automation::Variant> args,
                            automation::Variant& result) {
    if (server_ == nullptr) {
        throw automation::AutomationError(automation::RPC_E_DISCONNECTED,
                                          "the scripted server of \"" + name_ + "\" has gone");
    }
    server_->Answer(*this, member, kind, args, result);
}

}  // namespace test_support
