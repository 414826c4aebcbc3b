// Presentation files as the application opens and saves them (PowerPoint
// 97-2003); failures raise AutomationError describing why.
#pragma once

#include <memory>
#include <string>

#include "engine/document_model.h"

namespace engine {

// The presentation made from the template `file_name`, which is only read and
// stays open until the presentation closes.
std::shared_ptr<PresentationModel> OpenPresentation(const std::u16string& file_name);

// A new presentation: the built-in blank one, without slides.
std::shared_ptr<PresentationModel> NewPresentation();

// Writes the template's slides as it holds them, the added ones and each control's
// state; an unwritable target is left as it was. SOURCE_DATE_EPOCH sets the time.
void SavePresentationAs(const PresentationModel& presentation, const std::u16string& file_name);

}  // namespace engine
