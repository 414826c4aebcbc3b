// The application object, "PowerPoint.Application": the window state, the
// presentation collection, the active presentation and Quit.
#pragma once

#include "engine/engine_object.h"

namespace engine {

class ApplicationObject final : public EngineObject {
  public:
    explicit ApplicationObject(StatePtr state);

  protected:
    void Answer(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;
};

}  // namespace engine
