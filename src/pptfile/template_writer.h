// Saving a presentation that was opened from an existing file: everything the
// file held stays as it was, and the new slides, their controls and an updated
// document are appended to it as one more user edit.
#pragma once

#include <cstdint>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/presentation.h"

namespace pptfile {

// The file's compound-file tree for a job whose `source` is set. Raises FormatError for a
// job that cannot be written onto its source (a source slide out of range or
// listed twice, a source without a main master, identifiers exhausted, ...).
// The tree's document stream starts with the source's bytes, not a copy of
// them: write it while the source lives.
StorageEntry WriteOntoTemplate(const SaveJob& job);

}  // namespace pptfile
