// Trees of entries, their streams' pieces, and the plainest ways of moving bytes.
#include <algorithm>
#include <numeric>
#include <utility>

#include "cfb/compound_file.h"
#include "cfb/format.h"

namespace cfb {

std::uint64_t SizeOf(const Piece& piece) noexcept {
    const auto* stored = std::get_if<StoredBytes>(&piece);
    return stored != nullptr ? stored->length : InMemory(piece).size();
}

std::size_t MemorySource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
    if (offset >= bytes_.size()) {
        return 0;
    }
    const auto rest = bytes_.subspan(static_cast<std::size_t>(offset));
    const std::size_t count = std::min(into.size(), rest.size());
    std::copy_n(rest.begin(), count, into.begin());
    return count;
}

void ByteSink::Copy(const ByteSource& source, std::uint64_t offset, std::uint64_t length) {
    std::uint8_t chunk[64 * 1024];
    while (length > 0) {
        const std::span<std::uint8_t> into(chunk, std::min<std::uint64_t>(length, sizeof chunk));
        RefuseIf(source.ReadAt(offset, into) < into.size(),
                 "the file was cut short while it was read");
        Put(into);
        offset += into.size();
        length -= into.size();
    }
}

std::uint64_t SizeOf(std::span<const Piece> pieces) noexcept {
    return std::accumulate(pieces.begin(), pieces.end(), std::uint64_t{0},
                           [](std::uint64_t size, const Piece& p) { return size + SizeOf(p); });
}

std::uint64_t StorageEntry::Size() const noexcept {
    return SizeOf(content);
}

const StorageEntry* StorageEntry::Find(std::u16string_view child) const noexcept {
    const auto it = std::find_if(children.begin(), children.end(),
                                 [&](const StorageEntry& e) { return SameName(e.name, child); });
    return it != children.end() ? &*it : nullptr;
}

StorageEntry* StorageEntry::Find(std::u16string_view child) noexcept {
    return const_cast<StorageEntry*>(std::as_const(*this).Find(child));
}

std::vector<Piece> Slice(std::span<const Piece> pieces, std::uint64_t offset,
                         std::uint64_t length) {
    std::vector<Piece> out;
    for (const Piece& piece : pieces) {
        const std::uint64_t size = SizeOf(piece);
        if (length > 0 && offset < size) {
            const std::uint64_t take = std::min(length, size - offset);
            if (const auto* stored = std::get_if<StoredBytes>(&piece)) {
                out.emplace_back(
                    StoredBytes{stored->file, stored->stream, stored->offset + offset, take});
            } else {
                out.emplace_back(InMemory(piece).subspan(offset, take));
            }
            length -= take;
        }
        offset -= std::min(offset, size);
    }
    RefuseIf(length > 0, "bytes asked for past the end of a stream");
    return out;
}

void Read(std::span<const Piece> pieces, std::uint64_t offset, std::span<std::uint8_t> into) {
    for (const Piece& piece : Slice(pieces, offset, into.size())) {
        const auto count = static_cast<std::size_t>(SizeOf(piece));
        if (const auto* stored = std::get_if<StoredBytes>(&piece)) {
            stored->file->Read(*stored, into.first(count));
        } else {
            std::ranges::copy(InMemory(piece), into.begin());
        }
        into = into.subspan(count);
    }
}

std::vector<std::uint8_t> ReadAll(const StorageEntry& stream) {
    std::vector<std::uint8_t> bytes(stream.Size());
    Read(stream.content, 0, bytes);
    return bytes;
}

}  // namespace cfb
