// The collection of open presentations: Add (a blank presentation) and Open
// (a presentation made from a template file, which is only read).
#pragma once

#include "engine/engine_object.h"

namespace engine {

class PresentationsCollection final : public EngineObject {
  public:
    explicit PresentationsCollection(StatePtr state);

  protected:
    void Answer(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

  private:
    void Open(const std::u16string& file_name, automation::Variant& result);
};

}  // namespace engine
