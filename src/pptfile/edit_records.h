// The records that close a save: the persist directory naming where each
// persist object starts, the user edit pointing at it, and the "Current User"
// stream pointing at the edit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "pptfile/record_writer.h"

namespace pptfile {

// The class id PowerPoint gives a presentation's root storage,
// {64818D10-4F9B-11CF-86EA-00AA00B929E8}.
inline constexpr std::array<std::uint8_t, 16> kPowerPointClassId{
    0x10, 0x8D, 0x81, 0x64, 0x9B, 0x4F, 0xCF, 0x11, 0x86, 0xEA, 0x00, 0xAA, 0x00, 0xB9, 0x29, 0xE8};

// The Current User record's token for a file that is not encrypted.
inline constexpr std::uint32_t kPlainHeaderToken = 0xE391C05Fu;

// The persist directory atom for `offsets` (persist id -> offset in the
// document stream), consecutive identifiers grouped into runs.
void WritePersistDirectory(RecordWriter& w, const std::map<std::uint32_t, std::uint32_t>& offsets);

struct UserEdit {
    std::uint32_t last_slide_viewed = 0;
    std::uint32_t previous_edit_offset = 0;  // 0 for none
    std::uint32_t directory_offset = 0;
    std::uint32_t document_persist_id = 0;
    std::uint32_t max_persist_id = 0;
    std::uint16_t last_view = 0;
};

void WriteUserEdit(RecordWriter& w, const UserEdit& edit);

// A "Current User" stream naming this program as the last user, for a file
// whose current edit starts at `edit_offset`.
std::vector<std::uint8_t> CurrentUserStream(std::uint32_t edit_offset);

// Closes a save: appends the persist directory `directory` and `edit` naming
// it to `w`, whose bytes follow the first `base` bytes of the document stream,
// and returns the "Current User" stream pointing at the edit. A sound
// `kept_user` stream of the source keeps its user name and versions. Raises
// FormatError when the stream would outgrow its 32-bit offsets.
std::vector<std::uint8_t> CloseSave(RecordWriter& w, std::size_t base,
                                    const std::map<std::uint32_t, std::uint32_t>& directory,
                                    UserEdit edit, const std::vector<std::uint8_t>* kept_user);

}  // namespace pptfile
