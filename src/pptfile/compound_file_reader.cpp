// Reads a compound file whose every byte may be hostile: each sector and directory
// entry is visited at most once, and sizes are checked before anything is allocated.
#include <algorithm>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pptfile/compound_file.h"
#include "pptfile/compound_file_format.h"
#include "pptfile/errors.h"

namespace pptfile {
namespace {

using namespace cfb;

[[noreturn]] void Damaged(const std::string& what) {
    throw FormatError("damaged compound file (" + what + ")");
}

constexpr std::size_t kWholeChain = std::numeric_limits<std::size_t>::max();

std::size_t CeilDiv(std::uint64_t n, std::size_t d) {
    return static_cast<std::size_t>((n + d - 1) / d);
}

// One kind of sector (regular or mini) with its allocation table and the
// sectors that chains have claimed so far. Only sectors that the table names
// can be in a chain, so the claims are kept for them alone: a sparse file's
// size says nothing of how many sectors it really holds.
struct SectorMap {
    std::vector<std::uint32_t> table;
    std::vector<bool> claimed;  // one for each entry of the table
    std::size_t count = 0;      // sectors within the file's size

    // The sectors of the chain from `start`: `needed` of them, or all up to
    // the end mark.
    std::vector<std::uint32_t> Chain(std::uint32_t start, std::size_t needed) {
        std::vector<std::uint32_t> sectors;
        for (std::uint32_t s = start; sectors.size() < needed && s != kEndOfChain; s = table[s]) {
            if (s > kMaxRegularSector) {
                Damaged("a sector chain is broken");
            }
            if (s >= count || s >= table.size()) {
                Damaged("a sector chain runs past the end of the file");
            }
            if (claimed[s]) {
                Damaged("a sector chain loops or shares sectors with another");
            }
            claimed[s] = true;
            sectors.push_back(s);
        }
        if (needed != kWholeChain && sectors.size() < needed) {
            Damaged("a sector chain is shorter than its stream");
        }
        return sectors;
    }
};

class Reader {
  public:
    explicit Reader(const ByteSource& source) : source_(source) {}

    StorageEntry Read() {
        ReadHeader();
        ReadFat();
        ReadDirectory();
        const auto root = Entry(0);
        if (root[kTypeAt] != kRoot) {
            Damaged("the directory has no root entry");
        }
        ReadMiniStream(root);
        return ReadTree();
    }

  private:
    const ByteSource& source_;
    std::array<std::uint8_t, kHeaderSize> header_{};
    std::vector<std::uint8_t> sector_;  // the last sector that Sector() read
    std::size_t sector_size_ = 0;
    bool version3_ = true;
    std::uint32_t cutoff_ = kMiniStreamCutoff;
    SectorMap regular_;
    SectorMap mini_;
    std::vector<std::uint32_t> mini_stream_;  // the regular sectors that hold it
    std::vector<std::uint8_t> mini_bytes_;    // and their bytes
    std::vector<std::uint8_t> directory_;

    // The bytes from `at` that the file holds, at most `count`.
    std::size_t Available(std::uint64_t at, std::size_t count) const {
        return at < source_.size
                   ? static_cast<std::size_t>(std::min<std::uint64_t>(count, source_.size - at))
                   : 0;
    }

    // Fills `into` from `at`: with all the bytes the file held when it was
    // opened, or an error. What lies past its end is left as it is.
    void ReadAt(std::uint64_t at, std::span<std::uint8_t> into) const {
        const std::size_t expected = Available(at, into.size());
        if (expected > 0 && source_.read(at, into.first(expected)) < expected) {
            Damaged("the file was cut short while it was read");
        }
    }

    std::uint64_t SectorOffset(std::uint32_t s) const {
        return (std::uint64_t{s} + 1) * sector_size_;
    }

    // A sector's bytes, valid until the next call; the last sector of a file
    // may be cut short.
    std::span<const std::uint8_t> Sector(std::uint32_t s) {
        sector_.resize(Available(SectorOffset(s), sector_size_));
        ReadAt(SectorOffset(s), sector_);
        return sector_;
    }

    // The bytes of `sectors`, in order, into `into`: one read for each run of
    // consecutive sectors.
    void ReadSectors(std::span<const std::uint32_t> sectors, std::span<std::uint8_t> into) const {
        std::size_t done = 0;
        for (std::size_t i = 0; i < sectors.size() && done < into.size();) {
            std::size_t run = 1;
            while (i + run < sectors.size() &&
                   std::uint64_t{sectors[i + run]} == std::uint64_t{sectors[i]} + run) {
                ++run;
            }
            const std::size_t count = std::min(run * sector_size_, into.size() - done);
            ReadAt(SectorOffset(sectors[i]), into.subspan(done, count));
            done += count;
            i += run;
        }
    }

    // A mini sector lies inside one regular sector of the mini stream; its
    // bytes up to the end of that sector or of the file.
    std::span<const std::uint8_t> MiniSector(std::uint32_t s) const {
        const std::size_t at = std::size_t{s} * kMiniSectorSize;
        const std::size_t in_sector = at % sector_size_;
        const std::uint64_t offset = SectorOffset(mini_stream_[at / sector_size_]) + in_sector;
        return std::span(mini_bytes_).subspan(at, Available(offset, sector_size_ - in_sector));
    }

    std::span<const std::uint8_t> Entry(std::uint32_t id) const {
        return std::span(directory_).subspan(std::size_t{id} * kEntrySize, kEntrySize);
    }
    std::size_t EntryCount() const { return directory_.size() / kEntrySize; }

    void ReadHeader() {
        if (source_.size == 0) {
            throw FormatError("not a compound file (empty)");
        }
        if (source_.size >= kHeaderSize) {
            ReadAt(0, header_);
        }
        if (source_.size < kHeaderSize ||
            !std::equal(kSignature.begin(), kSignature.end(), header_.begin())) {
            throw FormatError("not a compound file");
        }
        const std::uint16_t version = Get16(header_, kMajorVersionAt);
        const std::uint16_t shift = Get16(header_, kSectorShiftAt);
        if (Get16(header_, kByteOrderAt) != 0xFFFE) {
            Damaged("the header's byte order mark is wrong");
        }
        if (!((version == 3 && shift == 9) || (version == 4 && shift == 12))) {
            throw FormatError("not a compound file of a version this program reads (version " +
                              std::to_string(version) + ", sector shift " + std::to_string(shift) +
                              ")");
        }
        if (Get16(header_, kMiniSectorShiftAt) != 6) {
            Damaged("the header's mini sector size is wrong");
        }
        version3_ = version == 3;
        sector_size_ = std::size_t{1} << shift;
        if (source_.size < sector_size_) {
            Damaged("the file ends inside its header");
        }
        regular_.count = std::min<std::size_t>(CeilDiv(source_.size - sector_size_, sector_size_),
                                               std::size_t{kMaxRegularSector} + 1);
        cutoff_ = Get32(header_, kMiniStreamCutoffAt);
    }

    // The FAT sectors are listed in the header, then in the DIFAT chain. The
    // lists grow as they are read, and each sector of either is read once.
    void ReadFat() {
        const std::uint32_t fat_sectors = Get32(header_, kFatSectorsAt);
        if (fat_sectors > regular_.count) {
            Damaged("the allocation table is larger than the file");
        }
        std::vector<std::uint32_t> listed;
        for (std::size_t i = 0; i < kHeaderDifatEntries && listed.size() < fat_sectors; ++i) {
            listed.push_back(Get32(header_, kDifatAt + 4 * i));
        }
        std::set<std::uint32_t> taken;  // the DIFAT and FAT sectors so far
        const std::size_t per_difat = sector_size_ / 4 - 1;
        for (std::uint32_t s = Get32(header_, kFirstDifatSectorAt); listed.size() < fat_sectors;) {
            if (s >= regular_.count) {
                Damaged("the list of allocation table sectors is broken");
            }
            if (!taken.insert(s).second) {
                Damaged("the list of allocation table sectors loops");
            }
            const auto sector = Sector(s);
            if (sector.size() < sector_size_) {
                Damaged("the list of allocation table sectors runs past the end of the file");
            }
            for (std::size_t i = 0; i < per_difat && listed.size() < fat_sectors; ++i) {
                listed.push_back(Get32(sector, 4 * i));
            }
            s = Get32(sector, 4 * per_difat);
        }
        regular_.table.reserve(listed.size() * (sector_size_ / 4));
        for (const std::uint32_t s : listed) {
            if (s >= regular_.count) {
                Damaged("an allocation table sector lies past the end of the file");
            }
            if (!taken.insert(s).second) {
                Damaged("an allocation table sector is listed twice");
            }
            const auto sector = Sector(s);
            for (std::size_t at = 0; at < sector_size_; at += 4) {
                regular_.table.push_back(at + 4 <= sector.size() ? Get32(sector, at) : kFreeSector);
            }
        }
        regular_.claimed.assign(regular_.table.size(), false);
        for (const std::uint32_t s : taken) {
            if (s < regular_.claimed.size()) {
                regular_.claimed[s] = true;
            }
        }
    }

    std::vector<std::uint8_t> ReadChain(SectorMap& map, std::uint32_t start) {
        const std::vector<std::uint32_t> sectors = map.Chain(start, kWholeChain);
        std::vector<std::uint8_t> bytes(sectors.size() * sector_size_);
        ReadSectors(sectors, bytes);
        return bytes;
    }

    void ReadDirectory() {
        directory_ = ReadChain(regular_, Get32(header_, kFirstDirectorySectorAt));
        if (directory_.empty()) {
            Damaged("the directory is empty");
        }
        const std::uint32_t first_mini_fat = Get32(header_, kFirstMiniFatSectorAt);
        if (first_mini_fat == kEndOfChain || Get32(header_, kMiniFatSectorsAt) == 0) {
            return;
        }
        const std::vector<std::uint8_t> mini_fat = ReadChain(regular_, first_mini_fat);
        mini_.table.reserve(mini_fat.size() / 4);
        for (std::size_t at = 0; at < mini_fat.size(); at += 4) {
            mini_.table.push_back(Get32(mini_fat, at));
        }
    }

    std::uint64_t StreamSize(std::span<const std::uint8_t> entry) const {
        // Version 3 files keep sizes in 32 bits; older writers left the high
        // half uninitialised ([MS-CFB] 2.6.3).
        return version3_ ? Get32(entry, kSizeAt) : Get64(entry, kSizeAt);
    }

    void ReadMiniStream(std::span<const std::uint8_t> root) {
        const std::uint64_t size = StreamSize(root);
        if (size > source_.size) {
            Damaged("the mini stream is larger than the file");
        }
        if (size == 0) {
            return;
        }
        mini_stream_ = regular_.Chain(Get32(root, kStartAt), CeilDiv(size, sector_size_));
        mini_bytes_.resize(mini_stream_.size() * sector_size_);
        ReadSectors(mini_stream_, mini_bytes_);
        mini_.count = std::min(CeilDiv(size, kMiniSectorSize), mini_.table.size());
        mini_.claimed.assign(mini_.count, false);
    }

    void ReadStream(std::span<const std::uint8_t> entry, StorageEntry& into) {
        const std::uint64_t size = StreamSize(entry);
        const bool small = size < cutoff_;
        SectorMap& map = small ? mini_ : regular_;
        const std::size_t unit = small ? kMiniSectorSize : sector_size_;
        if (size > source_.size || CeilDiv(size, unit) > map.count) {
            Damaged("stream \"" + into.name + "\" is larger than the file");
        }
        if (size == 0) {
            return;
        }
        const std::vector<std::uint32_t> sectors =
            map.Chain(Get32(entry, kStartAt), CeilDiv(size, unit));
        // Only the file's last sector can be short, and then it must be the
        // stream's last too and hold what the stream has left.
        for (std::size_t i = 0; i < sectors.size(); ++i) {
            const std::size_t take = std::min(unit, static_cast<std::size_t>(size) - i * unit);
            const std::size_t held =
                small ? MiniSector(sectors[i]).size() : Available(SectorOffset(sectors[i]), unit);
            if (held < take) {
                Damaged("stream \"" + into.name + "\" runs past the end of the file");
            }
        }
        into.data.resize(static_cast<std::size_t>(size));
        if (!small) {
            ReadSectors(sectors, into.data);
            return;
        }
        for (std::size_t i = 0; i < sectors.size(); ++i) {
            const std::size_t take = std::min(unit, into.data.size() - i * unit);
            std::memcpy(into.data.data() + i * unit, MiniSector(sectors[i]).data(), take);
        }
    }

    std::string Name(std::span<const std::uint8_t> entry) const {
        const std::uint16_t length = Get16(entry, kNameLengthAt);
        if (length < 2 || length > 2 * (kMaxNameUnits + 1) || length % 2 != 0) {
            Damaged("a directory entry's name is damaged");
        }
        std::u16string name;
        for (std::size_t i = 0; i + 1 < length / 2u; ++i) {
            name += static_cast<char16_t>(Get16(entry, 2 * i));
        }
        return NameToUtf8(name);
    }

    // The entries of one storage's sibling tree, in order, walked without
    // recursion. Each entry of the directory is visited once in all.
    std::vector<std::uint32_t> Siblings(std::uint32_t top, std::vector<bool>& visited) const {
        std::vector<std::uint32_t> in_order;
        std::vector<std::uint32_t> path;
        std::uint32_t node = top;
        while (node != kNoStream || !path.empty()) {
            while (node != kNoStream) {
                if (node >= EntryCount()) {
                    Damaged("a directory entry points past the end of the directory");
                }
                if (visited[node]) {
                    Damaged("the directory loops");
                }
                visited[node] = true;
                path.push_back(node);
                node = Get32(Entry(node), kLeftAt);
            }
            node = path.back();
            path.pop_back();
            in_order.push_back(node);
            node = Get32(Entry(node), kRightAt);
        }
        return in_order;
    }

    StorageEntry ReadTree() {
        StorageEntry root;
        root.name = "Root Entry";
        root.is_storage = true;
        std::copy_n(Entry(0).begin() + kClassIdAt, root.clsid.size(), root.clsid.begin());
        std::vector<bool> visited(EntryCount(), false);
        visited[0] = true;
        struct Pending {
            std::uint32_t id;
            StorageEntry* into;
            int depth;
        };
        // Each storage's children are all in place before any is descended
        // into, so the pointers kept here stay valid.
        std::vector<Pending> pending{{0, &root, 0}};
        while (!pending.empty()) {
            const Pending storage = pending.back();
            pending.pop_back();
            if (storage.depth > kMaxDepth) {
                Damaged("storages nested too deeply");
            }
            const std::vector<std::uint32_t> ids =
                Siblings(Get32(Entry(storage.id), kChildAt), visited);
            std::vector<StorageEntry>& children = storage.into->children;
            children.resize(ids.size());
            for (std::size_t i = 0; i < ids.size(); ++i) {
                const auto entry = Entry(ids[i]);
                StorageEntry& child = children[i];
                child.name = Name(entry);
                switch (entry[kTypeAt]) {
                    case kStorage:
                        child.is_storage = true;
                        std::copy_n(entry.begin() + kClassIdAt, child.clsid.size(),
                                    child.clsid.begin());
                        break;
                    case kStream:
                        ReadStream(entry, child);
                        break;
                    default:
                        Damaged("a directory entry of an unknown kind is in use");
                }
            }
            for (std::size_t i = 0; i < ids.size(); ++i) {
                if (children[i].is_storage) {
                    pending.push_back({ids[i], &children[i], storage.depth + 1});
                }
            }
        }
        return root;
    }
};

}  // namespace

ByteSource MemorySource(std::span<const std::uint8_t> bytes) {
    return {bytes.size(), [bytes](std::uint64_t at, std::span<std::uint8_t> into) {
                if (at >= bytes.size()) {
                    return std::size_t{0};
                }
                const std::size_t count = std::min<std::size_t>(into.size(), bytes.size() - at);
                std::memcpy(into.data(), bytes.data() + at, count);
                return count;
            }};
}

StorageEntry ReadCompoundFile(const ByteSource& source) {
    return Reader(source).Read();
}

StorageEntry ReadCompoundFile(std::span<const std::uint8_t> bytes) {
    return ReadCompoundFile(MemorySource(bytes));
}

}  // namespace pptfile
