// Persistence of a control's state: what a container saves with the document
// and gives back when the document is opened again.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "automation/clsid.h"

namespace automation {

class IPersistState {
  public:
    virtual Clsid GetClassId() const = 0;
    // The object's state as bytes of its own format.
    virtual std::vector<std::uint8_t> SaveState() const = 0;
    // Restores a state written by SaveState; raises AutomationError when the
    // bytes are not such a state.
    virtual void LoadState(std::span<const std::uint8_t> state) = 0;

  protected:
    ~IPersistState() = default;
};

}  // namespace automation
