#include "pptfile/edit_records.h"

#include <iterator>
#include <limits>
#include <string>

#include "pptfile/errors.h"
#include "pptfile/record_types.h"

namespace pptfile {

void WritePersistDirectory(RecordWriter& w, const std::map<std::uint32_t, std::uint32_t>& offsets) {
    const auto atom = w.Begin(RT_PersistDirectoryAtom);
    for (auto it = offsets.begin(); it != offsets.end();) {
        // A run of consecutive identifiers, at most 4095 long: its length has 12 bits.
        auto end = std::next(it);
        std::uint32_t run = 1;
        while (end != offsets.end() && end->first == it->first + run && run < 0xFFF) {
            ++end;
            ++run;
        }
        w.U32(it->first | (run << 20));
        for (; it != end; ++it) {
            w.U32(it->second);
        }
    }
    w.End(atom);
}

void WriteUserEdit(RecordWriter& w, const UserEdit& edit) {
    const auto atom = w.Begin(RT_UserEditAtom);
    // Versions 0, 0 and 3 follow the slide.
    for (std::uint32_t v :
         {edit.last_slide_viewed, 0x03000000u, edit.previous_edit_offset, edit.directory_offset,
          edit.document_persist_id, edit.max_persist_id, std::uint32_t{edit.last_view}}) {
        w.U32(v);
    }
    w.End(atom);
}

std::vector<std::uint8_t> CurrentUserStream(std::uint32_t edit_offset) {
    static const std::string kUser = "Zbn2PPT";
    RecordWriter w;
    // The record ends with the release version; the Unicode copy of the name
    // follows it, outside the record, as PowerPoint writes it.
    const auto m = w.Begin(RT_CurrentUserAtom);
    w.U32(0x14);
    w.U32(kPlainHeaderToken);
    w.U32(edit_offset);
    w.U16(static_cast<std::uint16_t>(kUser.size()));
    w.U16(0x03F4);
    w.U32(3);  // versions 3 and 0
    for (char c : kUser) {
        w.U8(static_cast<std::uint8_t>(c));
    }
    w.U32(8);  // the release version PowerPoint writes, whatever the masters
    w.End(m);
    for (char c : kUser) {
        w.U16(static_cast<std::uint16_t>(c));
    }
    return w.Take();
}

std::vector<std::uint8_t> CloseSave(RecordWriter& w, std::size_t base,
                                    const std::map<std::uint32_t, std::uint32_t>& directory,
                                    UserEdit edit, const std::vector<std::uint8_t>* kept_user) {
    if (base + w.Size() >
        std::numeric_limits<std::uint32_t>::max() - 0x100000u - 8 * (directory.size() + 1)) {
        throw FormatError("the presentation is too large to save");
    }
    edit.directory_offset = static_cast<std::uint32_t>(base + w.Size());
    WritePersistDirectory(w, directory);
    const auto edit_offset = static_cast<std::uint32_t>(base + w.Size());
    WriteUserEdit(w, edit);
    if (kept_user == nullptr) {
        return CurrentUserStream(edit_offset);
    }
    // Only where the current edit is changes.
    std::vector<std::uint8_t> out = *kept_user;
    for (std::size_t i = 0; i < 4; ++i) {
        out[16 + i] = static_cast<std::uint8_t>(edit_offset >> (8 * i));
    }
    return out;
}

}  // namespace pptfile
