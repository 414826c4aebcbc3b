// The slides of a presentation: their count, adding a title-only slide, and
// fetching a slide by its 1-based index.
#pragma once

#include <memory>

#include "engine/engine_object.h"

namespace engine {

class SlidesCollection final : public EngineObject {
  public:
    SlidesCollection(StatePtr state, std::shared_ptr<PresentationModel> presentation);

  protected:
    void Answer(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

  private:
    void Add(std::int32_t index, std::int32_t layout, automation::Variant& result);
    void Item(std::int32_t index, automation::Variant& result);

    std::shared_ptr<PresentationModel> presentation_;
};

}  // namespace engine
