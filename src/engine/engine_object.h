// The base of every object of the presentation application: it refuses calls
// once the application has quit and names the object in its errors.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "automation/dispatch_object.h"
#include "automation/variant.h"
#include "engine/application_state.h"

namespace engine {

class EngineObject : public automation::DispatchObject {
  public:
    void Invoke(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) final;

  protected:
    EngineObject(StatePtr state, std::string_view name) : state_(std::move(state)), name_(name) {}

    // Answers one call on a running application.
    virtual void Answer(automation::DISPID member, std::uint16_t kind,
                        std::span<const automation::Variant> args, automation::Variant& result) = 0;

    [[noreturn]] void NotFound(automation::DISPID member, std::uint16_t kind) const;

    ApplicationState& state() const noexcept { return *state_; }
    const StatePtr& shared_state() const noexcept { return state_; }

  private:
    StatePtr state_;
    std::string_view name_;
};

}  // namespace engine
