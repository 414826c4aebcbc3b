// Writes an open presentation as a PowerPoint 97-2003 file: the template's
// slides as the template holds them, the added slides from the model, and each
// control with the state it persists at the moment of saving.
#pragma once

#include <string>

#include "engine/document_model.h"

namespace engine {

// Raises AutomationError describing why the file could not be written; the
// target is then left as it was.
void SavePresentationAs(const PresentationModel& presentation, const std::u16string& file_name);

}  // namespace engine
