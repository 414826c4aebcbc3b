// The storage an ActiveX control keeps its state in, as embedded in the
// presentation: a compound file of its own, compressed.
#pragma once

#include <cstdint>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/presentation.h"

namespace pptfile {

// The control's storage: class id, a "\x01CompObj" stream naming the ProgID,
// and its state as the "contents" stream.
StorageEntry ControlStorage(const ControlObject& control);

// The bytes of an ExControlStg record body in its compressed form: the
// decompressed size, then the zlib stream.
std::vector<std::uint8_t> CompressedStorageBody(const std::vector<std::uint8_t>& storage_bytes);

}  // namespace pptfile
