// "Current User" points at the newest user edit, each edit at the one before it and at
// the persist directory it wrote.
#include <algorithm>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "cfb/bytes.h"
#include "pptfile/edit_records.h"
#include "pptfile/errors.h"
#include "pptfile/presentation_parsed.h"
#include "pptfile/record_reader.h"
#include "pptfile/record_types.h"

namespace pptfile {
namespace {

constexpr std::uint32_t kEncryptedHeaderToken = 0xF3D1C4DFu;
constexpr std::size_t kCurrentUserFixedSize = 0x14;
constexpr std::size_t kUserEditShortLength = 0x1C;
constexpr std::size_t kUserEditLongLength = 0x20;

// Far longer than a user name and the versions need.
constexpr std::uint64_t kMaxCurrentUserSize = 0x10000;

struct CurrentUser {
    bool valid = false;
    std::uint32_t header_token = 0;
    std::uint32_t offset_to_current_edit = 0;
    std::vector<std::uint8_t> bytes;
};

CurrentUser ReadCurrentUser(const cfb::StorageEntry* stream) {
    CurrentUser cu;
    if (stream == nullptr || stream->Size() < kRecordHeaderSize + 12 ||
        stream->Size() > kMaxCurrentUserSize) {
        return cu;
    }
    cu.bytes = cfb::ReadAll(*stream);
    // Writers disagree on the header's length field, so only the type and the
    // fixed part are trusted.
    const Bytes data(cu.bytes);
    if (cfb::Get16(data, 2) != RT_CurrentUserAtom) {
        return cu;
    }
    FieldReader f(data.subspan(kRecordHeaderSize), "the current user record");
    const std::uint32_t size = f.U32();
    cu.header_token = f.U32();
    cu.offset_to_current_edit = f.U32();
    cu.valid = size == kCurrentUserFixedSize &&
               (cu.header_token == kPlainHeaderToken || cu.header_token == kEncryptedHeaderToken);
    return cu;
}

std::optional<UserEditFields> TryReadUserEdit(DocumentStream& doc, std::size_t offset) {
    const auto r = doc.TryRecord(offset);
    if (!r || r->type() != RT_UserEditAtom || r->body.size() < kUserEditShortLength) {
        return std::nullopt;
    }
    FieldReader f(r->body, "a user edit record");
    UserEditFields e;
    e.offset = offset;
    f.Skip(8);  // last slide viewed, versions
    e.offset_last_edit = f.U32();
    e.offset_persist_directory = f.U32();
    e.doc_persist_id = f.U32();
    e.persist_id_seed = f.U32();
    e.last_view = f.U16();
    f.Skip(2);
    if (r->body.size() >= kUserEditLongLength) {
        e.encrypt_session_persist_id = f.U32();
    }
    // An edit must come after the directory it wrote.
    if (e.offset_persist_directory >= doc.size()) {
        return std::nullopt;
    }
    return e;
}

// A user edit record that is there but cannot be read holds changes that
// every other reader shows; falling back to an earlier edit would drop them.
void RefuseDamagedUserEdit(DocumentStream& doc, std::size_t offset) {
    const auto header = doc.Header(offset);
    DamagedIf(header && header->type == RT_UserEditAtom && !TryReadUserEdit(doc, offset),
              "a user edit record is broken, and reading the file without it would lose "
              "the changes it holds");
}

// The user edits found walking the top-level records, up to the first that
// does not fit. The stream is read whole for it.
std::vector<std::size_t> ScanUserEdits(DocumentStream& doc) {
    std::vector<std::size_t> found;
    std::size_t at = 0;
    const Bytes all = doc.All();
    while (auto r = TryReadRecord(all, at)) {
        if (r->type() == RT_UserEditAtom) {
            RefuseDamagedUserEdit(doc, at);
            found.push_back(at);
        }
        at = r->End();
    }
    RefuseDamagedUserEdit(doc, at);
    return found;
}

// The user edits, newest first. A link that points nowhere useful is repaired with the
// nearest earlier user edit in the stream; a link to a damaged user edit is not.
std::vector<UserEditFields> ReadEditChain(DocumentStream& doc, const CurrentUser& cu) {
    std::optional<std::vector<std::size_t>> scanned;
    auto scan = [&]() -> const std::vector<std::size_t>& {
        if (!scanned) {
            scanned = ScanUserEdits(doc);
        }
        return *scanned;
    };

    std::optional<UserEditFields> edit;
    if (cu.valid) {
        RefuseDamagedUserEdit(doc, cu.offset_to_current_edit);
        edit = TryReadUserEdit(doc, cu.offset_to_current_edit);
    }
    if (!edit) {
        if (!scan().empty()) {
            edit = TryReadUserEdit(doc, scan().back());
        }
        DamagedIf(!edit, "no valid user edit record");
    }

    std::vector<UserEditFields> chain;
    std::set<std::size_t> visited;
    const std::size_t max_edits = doc.size() / (kRecordHeaderSize + kUserEditShortLength) + 1;
    while (edit) {
        DamagedIf(chain.size() >= max_edits, "the user edits form a loop");
        visited.insert(edit->offset);
        chain.push_back(*edit);
        const std::uint32_t link = edit->offset_last_edit;
        if (link == 0) {
            break;
        }
        std::optional<UserEditFields> previous;
        if (visited.count(link) == 0) {
            RefuseDamagedUserEdit(doc, link);
            previous = TryReadUserEdit(doc, link);
        }
        if (!previous) {
            const auto& offsets = scan();
            auto it = std::lower_bound(offsets.begin(), offsets.end(), edit->offset);
            while (it != offsets.begin()) {
                --it;
                if (visited.count(*it) == 0) {
                    previous = TryReadUserEdit(doc, *it);
                    break;
                }
            }
        }
        edit = previous;
    }
    return chain;
}

// Calls f(id, offset) for each entry of the persist directory at `offset`.
template <typename F>
void ForEachDirectoryEntry(DocumentStream& doc, std::size_t offset, F f) {
    const Record r = doc.ReadRecord(offset, "a persist directory");
    DamagedIf(r.type() != RT_PersistDirectoryAtom,
              "a user edit points at something that is not a persist directory");
    FieldReader entries(r.body, "a persist directory");
    while (entries.Remaining() >= 4) {
        const std::uint32_t word = entries.U32();
        const std::uint32_t first = word & 0xFFFFFu;
        const std::uint32_t count = word >> 20;
        for (std::uint32_t i = 0; i < count; ++i) {
            f(first + i, entries.U32());
        }
    }
}

}  // namespace

void ReadEditHistory(SourcePresentation::Parsed& p, bool looks_old) {
    DocumentStream& doc = *p.doc;
    CurrentUser cu = ReadCurrentUser(FindStream(p.root, kCurrentUserStream));
    RefuseIf(cu.valid && cu.header_token == kEncryptedHeaderToken, kEncrypted);
    RefuseIf(!cu.valid && looks_old, kTooOld);
    if (cu.valid) {
        p.current_user = std::move(cu.bytes);
    }

    const std::vector<UserEditFields> chain = ReadEditChain(doc, cu);
    p.last_edit = chain.front();
    // Each edit writes its own directory; a shared one would also let a small
    // file make the reader apply one large directory again and again.
    // The table is made once, as large as the largest identifier needs.
    std::set<std::uint32_t> directories;
    std::uint32_t max_id = 0;
    for (const UserEditFields& edit : chain) {
        DamagedIf(!directories.insert(edit.offset_persist_directory).second,
                  "two user edits share a persist directory");
        ForEachDirectoryEntry(
            doc, edit.offset_persist_directory,
            [&](std::uint32_t id, std::uint32_t) { max_id = std::max(max_id, id); });
    }
    p.persist_directory.Reserve(max_id);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        ForEachDirectoryEntry(
            doc, it->offset_persist_directory,
            [&](std::uint32_t id, std::uint32_t offset) { p.persist_directory.Set(id, offset); });
    }
    p.max_persist_id = std::max(p.last_edit.persist_id_seed, p.persist_directory.MaxId());

    RefuseIf(p.last_edit.encrypt_session_persist_id != 0 &&
                 p.persist_directory.Find(p.last_edit.encrypt_session_persist_id),
             kEncrypted);
}

}  // namespace pptfile
