#include "pptfile/edit_records.h"

#include <limits>
#include <string_view>

#include "cfb/bytes.h"
#include "pptfile/errors.h"
#include "pptfile/record_types.h"

namespace pptfile {

void WritePersistDirectory(RecordWriter& w, const PersistDirectory& offsets) {
    const auto atom = w.Begin(RT_PersistDirectoryAtom);
    // Runs of consecutive identifiers, each at most 4095 long: its length has
    // 12 bits. A run's header is written once its length is known.
    std::size_t header = 0;
    std::uint32_t first = 0, run = 0;
    const auto close = [&] {
        if (run != 0) {
            w.PatchU32(header, first | (run << 20));
        }
    };
    offsets.ForEach([&](std::uint32_t id, std::uint32_t offset) {
        if (run == 0 || id != first + run || run == 0xFFF) {
            close();
            header = w.Size();
            w.U32(0);
            first = id;
            run = 0;
        }
        w.U32(offset);
        ++run;
    });
    close();
    w.End(atom);
}

std::vector<std::uint8_t> CurrentUserStream(std::uint32_t edit_offset) {
    constexpr std::u16string_view kUser = u"Zbn2PPT";
    RecordWriter w;
    // The record ends with the release version; the Unicode copy of the name
    // follows it, outside the record, as PowerPoint writes it.
    const auto m = w.Begin(RT_CurrentUserAtom);
    w.U32s({0x14, kPlainHeaderToken, edit_offset});
    w.U16(static_cast<std::uint16_t>(kUser.size()));
    w.U16(0x03F4);
    w.U32(3);  // versions 3 and 0
    for (char16_t c : kUser) {
        w.U8(static_cast<std::uint8_t>(c));
    }
    w.U32(8);  // the release version PowerPoint writes, whatever the masters
    w.End(m);
    w.Utf16(kUser);
    return w.Take();
}

std::vector<std::uint8_t> CloseSave(RecordWriter& w, std::size_t base,
                                    const PersistDirectory& directory, const UserEdit& edit,
                                    const std::vector<std::uint8_t>* kept_user) {
    const auto directory_offset = static_cast<std::uint32_t>(base + w.Size());
    WritePersistDirectory(w, directory);
    // The edit and every offset before it must be 32-bit offsets.
    RefuseIf(base + w.Size() > std::numeric_limits<std::uint32_t>::max() - 64,
             "the presentation is too large to save");
    const auto edit_offset = static_cast<std::uint32_t>(base + w.Size());
    const auto atom = w.Begin(RT_UserEditAtom);
    // Versions 0, 0 and 3 follow the slide; no edit comes before.
    w.U32s({edit.last_slide_viewed, 0x03000000u, 0u, directory_offset, edit.document_persist_id,
            edit.max_persist_id, std::uint32_t{edit.last_view}});
    w.End(atom);
    if (kept_user == nullptr) {
        return CurrentUserStream(edit_offset);
    }
    // Only where the current edit is changes.
    std::vector<std::uint8_t> out = *kept_user;
    cfb::Put32(out, 16, edit_offset);
    return out;
}

}  // namespace pptfile
