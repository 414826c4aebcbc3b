// The OLE format of an inserted control; it hands out the control object itself.
#pragma once

#include <memory>

#include "engine/engine_object.h"

namespace engine {

class OleFormatObject final : public EngineObject {
  public:
    OleFormatObject(StatePtr state, std::shared_ptr<ControlModel> control);

  protected:
    void Answer(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

  private:
    std::shared_ptr<ControlModel> control_;
};

}  // namespace engine
