// A shape holding an inserted control; it gives the control's OLE format.
#pragma once

#include <memory>

#include "engine/engine_object.h"

namespace engine {

class OleObjectShape final : public EngineObject {
  public:
    OleObjectShape(StatePtr state, std::shared_ptr<ControlModel> control);

  protected:
    void Answer(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

  private:
    std::shared_ptr<ControlModel> control_;
};

}  // namespace engine
