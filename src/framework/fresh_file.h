// The output file the probe made is removed by a run that saves nothing, so
// that no tool (make, a script) takes an empty presentation for a result.
#pragma once

#include <cstdint>

#include "framework/cstring.h"

namespace framework {

class FreshFile {
  public:
    // Notes whether anything is at `path` now, before the probe opens it.
    explicit FreshFile(const CString& path);
    // After the probe: notes the file that it made, if nothing was there before.
    void NoteCreated();
    // Removes the file the probe made if it is still that file, and empty; a
    // file that was there before the probe is never touched.
    void Discard() const noexcept;

  private:
    CString path_;
    bool absent_before_ = false;
    bool created_ = false;
    std::uint64_t volume_ = 0;  // which file it is, as the system tells files apart
    std::uint64_t index_ = 0;
};

}  // namespace framework
