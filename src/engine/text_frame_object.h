// The text frame of a title placeholder; it gives the text range.
#pragma once

#include <memory>

#include "engine/engine_object.h"

namespace engine {

class TextFrameObject final : public EngineObject {
  public:
    TextFrameObject(StatePtr state, std::shared_ptr<SlideModel> slide);

  protected:
    void Answer(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

  private:
    std::shared_ptr<SlideModel> slide_;
};

}  // namespace engine
