// Presentation files as the application opens and saves them: a template is
// read into the model once, and the model is written as a PowerPoint 97-2003
// file. Failures raise AutomationError describing why.
#pragma once

#include <memory>
#include <string>

#include "engine/document_model.h"

namespace engine {

// The presentation made from the template `file_name`, which is only read: its
// slides go back into the saved file as the template holds them. The file
// stays open until the presentation closes.
std::shared_ptr<PresentationModel> OpenPresentation(const std::u16string& file_name);

// A new presentation: the built-in blank one, without slides.
std::shared_ptr<PresentationModel> NewPresentation();

// Writes the template's slides as the template holds them, the added slides
// from the model, and each control with the state it persists at the moment
// of saving. A target that cannot be written is left as it was. With
// SOURCE_DATE_EPOCH set, the file records that time as the time of saving.
void SavePresentationAs(const PresentationModel& presentation, const std::u16string& file_name);

}  // namespace engine
