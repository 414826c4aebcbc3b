// Persistence of a control's state: what a container saves with the document.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "automation/clsid.h"

namespace automation {

class IPersistState {
  public:
    virtual Clsid GetClassId() const = 0;
    // The object's state as bytes of its own format.
    virtual std::vector<std::uint8_t> SaveState() const = 0;
    // The files the object shows, named as the client named them: the
    // container only reads them and never saves a document over one.
    virtual std::vector<std::u16string> SourceFiles() const { return {}; }

  protected:
    ~IPersistState() = default;
};

}  // namespace automation
