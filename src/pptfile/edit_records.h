// The records that close a save: the persist directory naming where each
// persist object starts, the user edit pointing at it, and the "Current User"
// stream pointing at the edit.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "pptfile/errors.h"
#include "pptfile/record_writer.h"

namespace pptfile {

// The class id PowerPoint gives a presentation's root storage,
// {64818D10-4F9B-11CF-86EA-00AA00B929E8}.
inline constexpr std::array<std::uint8_t, 16> kPowerPointClassId{
    0x10, 0x8D, 0x81, 0x64, 0x9B, 0x4F, 0xCF, 0x11, 0x86, 0xEA, 0x00, 0xAA, 0x00, 0xB9, 0x29, 0xE8};

// The Current User record's token for a file that is not encrypted.
inline constexpr std::uint32_t kPlainHeaderToken = 0xE391C05Fu;

// Persist id -> offset in the document stream. A directory's identifiers
// have 20 bits and its runs at most 4095 more, so a table indexed by
// identifier stays within 4 MiB however many entries a file lists.
class PersistDirectory {
  public:
    static constexpr std::uint32_t kMaxId = 0xFFFFFu + 0xFFFu;

    // Makes room for identifiers up to `max_id` at once. Both raise
    // FormatError past kMaxId.
    void Reserve(std::uint32_t max_id) {
        RefuseIf(max_id > kMaxId, "a persist identifier out of range");
        if (max_id >= offsets_.size()) {
            offsets_.resize(std::size_t{max_id} + 1, kNone);
        }
    }
    void Set(std::uint32_t id, std::uint32_t offset) {
        Reserve(id);
        offsets_[id] = offset;
    }
    std::optional<std::uint32_t> Find(std::uint32_t id) const noexcept {
        if (id >= offsets_.size() || offsets_[id] == kNone) {
            return std::nullopt;
        }
        return offsets_[id];
    }
    std::uint32_t MaxId() const noexcept {  // 0 when empty
        const auto last = std::find_if(offsets_.rbegin(), offsets_.rend(),
                                       [](std::uint32_t offset) { return offset != kNone; });
        return last == offsets_.rend() ? 0 : static_cast<std::uint32_t>(offsets_.rend() - last - 1);
    }
    // Calls f(id, offset) in the order of identifiers.
    template <typename F>
    void ForEach(F f) const {
        for (std::size_t id = 0; id < offsets_.size(); ++id) {
            if (offsets_[id] != kNone) {
                f(static_cast<std::uint32_t>(id), offsets_[id]);
            }
        }
    }

  private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;  // no record starts there
    std::vector<std::uint32_t> offsets_;                 // by identifier, kNone where none
};

// The persist directory atom for `offsets`, consecutive identifiers grouped
// into runs.
void WritePersistDirectory(RecordWriter& w, const PersistDirectory& offsets);

// The one user edit of a whole save: there is none before it.
struct UserEdit {
    std::uint32_t last_slide_viewed = 0;
    std::uint32_t document_persist_id = 0;
    std::uint32_t max_persist_id = 0;
    std::uint16_t last_view = 0;
};

// A "Current User" stream naming this program as the last user, for a file
// whose current edit starts at `edit_offset`.
std::vector<std::uint8_t> CurrentUserStream(std::uint32_t edit_offset);

// Closes a save: appends the persist directory `directory` and `edit` naming
// it to `w`, whose bytes follow the first `base` bytes of the document stream,
// and returns the "Current User" stream pointing at the edit. A sound
// `kept_user` stream of the source keeps its user name and versions. Raises
// FormatError when the stream would outgrow its 32-bit offsets.
std::vector<std::uint8_t> CloseSave(RecordWriter& w, std::size_t base,
                                    const PersistDirectory& directory, const UserEdit& edit,
                                    const std::vector<std::uint8_t>* kept_user);

}  // namespace pptfile
