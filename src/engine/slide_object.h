// One slide; it gives its shape collection.
#pragma once

#include <memory>

#include "engine/engine_object.h"

namespace engine {

class SlideObject final : public EngineObject {
  public:
    SlideObject(StatePtr state, std::shared_ptr<SlideModel> slide);

  protected:
    void Answer(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

  private:
    std::shared_ptr<SlideModel> slide_;
};

}  // namespace engine
