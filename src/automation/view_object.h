// How a control looks while it is not running: the picture a container keeps
// with the document, for thumbnails, print and readers that cannot run it.
#pragma once

#include <string>
#include <vector>

namespace automation {

class IViewObject {
  public:
    // The lines of text the picture shows: what the control is, then what
    // it shows ("Trelvo viewer", "bracket_multiple.zbn").
    virtual std::vector<std::u16string> PreviewLines() const = 0;

  protected:
    ~IViewObject() = default;
};

}  // namespace automation
