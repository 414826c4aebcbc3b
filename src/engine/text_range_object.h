// The whole text of a title placeholder.
#pragma once

#include <memory>

#include "engine/engine_object.h"

namespace engine {

class TextRangeObject final : public EngineObject {
  public:
    TextRangeObject(StatePtr state, std::shared_ptr<SlideModel> slide);

  protected:
    void Answer(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

  private:
    std::shared_ptr<SlideModel> slide_;
};

}  // namespace engine
