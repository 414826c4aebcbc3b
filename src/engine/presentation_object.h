// One open presentation: its slides, its slide master, and SaveAs.
#pragma once

#include <memory>

#include "engine/engine_object.h"

namespace engine {

class PresentationObject final : public EngineObject {
  public:
    PresentationObject(StatePtr state, std::shared_ptr<PresentationModel> presentation);

  protected:
    void Answer(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

  private:
    std::shared_ptr<PresentationModel> presentation_;
};

}  // namespace engine
