// The shapes of one slide: its title placeholder and the controls inserted on it.
#pragma once

#include <memory>

#include "engine/engine_object.h"

namespace engine {

class ShapesCollection final : public EngineObject {
  public:
    ShapesCollection(StatePtr state, std::shared_ptr<SlideModel> slide);

  protected:
    void Answer(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

  private:
    // Slides of the template are written back as they are; raises for an edit.
    void RefuseTemplateSlide(const char* member) const;
    void AddOleObject(std::span<const automation::Variant> args, automation::Variant& result);

    std::shared_ptr<SlideModel> slide_;
};

}  // namespace engine
