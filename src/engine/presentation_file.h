// Presentation files as the application opens and saves them: a template is
// read into the model once, and the model is written as a PowerPoint 97-2003
// file. Failures raise AutomationError describing why.
#pragma once

#include <memory>
#include <string>

#include "engine/document_model.h"

namespace engine {

// The presentation made from the template `file_name`, which is only read: its
// slides go back into the saved file as the template holds them.
std::shared_ptr<PresentationModel> OpenPresentation(const std::u16string& file_name);

// Writes the template's slides as the template holds them, the added slides
// from the model, and each control with the state it persists at the moment
// of saving. A target that cannot be written is left as it was.
void SavePresentationAs(const PresentationModel& presentation, const std::u16string& file_name);

}  // namespace engine
