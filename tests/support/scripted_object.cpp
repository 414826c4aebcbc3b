#include "support/scripted_object.h"

#include "automation/automation_error.h"
#include "support/scripted_server.h"

namespace test_support {

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
