// The command-line front end: checks the arguments, explains the program's use
// and hands a valid request to the presentation builder.
#pragma once

#include <optional>

#include "builder/presentation_builder.h"
#include "framework/cstring.h"

// The usage text shown alone for help and below every error.
CString UsageText();

// Reads __argc and __wargv, reports the first problem in a message box or
// builds the presentation: the builder's outcome, or nothing if none was tried.
std::optional<BuildOutcome> ProcessCommandLine();
