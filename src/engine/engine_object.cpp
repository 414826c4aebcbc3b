#include "engine/engine_object.h"

#include "automation/member_check.h"

namespace engine {

void EngineObject::Invoke(automation::DISPID member, std::uint16_t kind, Args args,
                          automation::Variant& result) {
    state_->CheckRunning();
    for (const Member& m : type_.members) {
        if (m.id == member && m.kind == kind) {
            automation::CheckArguments(args, m.params, m.name);
            m.answer(*this, args, result);
            return;
        }
    }
    automation::ThrowMemberNotFound(type_.name, member, kind);
}

automation::Variant EngineObject::New(const ObjectType& type, ModelParts parts) const {
    return automation::Variant::Dispatch(
        automation::MakeRef<EngineObject>(type, state_, std::move(parts)));
}

}  // namespace engine
