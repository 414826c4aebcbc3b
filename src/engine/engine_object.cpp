#include "engine/engine_object.h"

#include "automation/member_check.h"

namespace engine {

void EngineObject::Invoke(automation::DISPID member, std::uint16_t kind,
                          std::span<const automation::Variant> args, automation::Variant& result) {
    state_->CheckRunning();
    Answer(member, kind, args, result);
}

void EngineObject::NotFound(automation::DISPID member, std::uint16_t kind) const {
    automation::ThrowMemberNotFound(name_, member, kind);
}

}  // namespace engine
