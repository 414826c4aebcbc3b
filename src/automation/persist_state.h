// Persistence of a control's state: what a container saves with the document.
#pragma once

#include <cstdint>
#include <vector>

#include "automation/clsid.h"

namespace automation {

class IPersistState {
  public:
    virtual Clsid GetClassId() const = 0;
    // The object's state as bytes of its own format.
    virtual std::vector<std::uint8_t> SaveState() const = 0;

  protected:
    ~IPersistState() = default;
};

}  // namespace automation
