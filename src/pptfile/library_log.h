// glib and libgsf print warnings about damaged files to standard error on
// their own. This keeps them off it: their messages are collected here so the
// caller can put them into the error it raises.
#pragma once

#include <string>

namespace pptfile {

// Installs the log handlers (once per process) and initialises libgsf.
void PrepareCompoundFileLibrary();

// What the libraries logged on this thread since the last call, joined by
// "; ", then forgotten.
std::string TakeLibraryMessages();

}  // namespace pptfile
