// The title placeholder of a slide: its text frame and its place.
#pragma once

#include <memory>

#include "engine/engine_object.h"

namespace engine {

class TitleShape final : public EngineObject {
  public:
    TitleShape(StatePtr state, std::shared_ptr<SlideModel> slide);

  protected:
    void Answer(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

  private:
    std::shared_ptr<SlideModel> slide_;
};

}  // namespace engine
