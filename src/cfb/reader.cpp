// Opens a compound file whose every byte may be hostile: each sector and
// directory entry is visited at most once, and sizes are checked before
// anything is allocated. Streams' bytes are not read here: where each
// stream lies in the file is worked out and checked, and its bytes are read
// or copied from there when they are asked for.
#include <algorithm>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cfb/compound_file.h"
#include "cfb/format.h"

namespace cfb {

// A run of a stream's bytes that lie together in the file.
struct Run {
    std::uint64_t stream_offset;
    std::uint64_t file_offset;
    std::uint64_t length;
};

struct CompoundFile::Layout {
    const ByteSource& source;
    std::vector<std::vector<Run>> streams;  // by directory entry, in stream order
};

namespace {

[[noreturn]] void Damaged(const std::string& what) {
    throw FormatError("damaged compound file (" + what + ")");
}

void DamagedIf(bool damaged, const char* what) {
    if (damaged) {
        Damaged(what);
    }
}

constexpr std::size_t kWholeChain = std::numeric_limits<std::size_t>::max();

// Adds a run to `runs`, joined to the last one where it follows it in the file.
void AddRun(std::vector<Run>& runs, std::uint64_t file_offset, std::uint64_t length) {
    if (!runs.empty() && runs.back().file_offset + runs.back().length == file_offset) {
        runs.back().length += length;
        return;
    }
    const std::uint64_t at = runs.empty() ? 0 : runs.back().stream_offset + runs.back().length;
    runs.push_back({at, file_offset, length});
}

// One kind of sector (regular or mini) with its allocation table and the
// sectors that chains have claimed so far. Only sectors that the table names
// can be in a chain, so the claims are kept for them alone: a sparse file's
// size says nothing of how many sectors it really holds.
struct SectorMap {
    std::vector<std::uint32_t> table;
    std::vector<bool> claimed;  // one for each entry of the table
    std::size_t count = 0;      // sectors within the file's size

    // The sectors of the chain from `start`: `needed` of them, or all up to the end mark.
    std::vector<std::uint32_t> Chain(std::uint32_t start, std::size_t needed) {
        std::vector<std::uint32_t> sectors;
        for (std::uint32_t s = start; sectors.size() < needed && s != kEndOfChain; s = table[s]) {
            DamagedIf(s > kMaxRegularSector, "a sector chain is broken");
            DamagedIf(s >= count || s >= table.size(),
                      "a sector chain runs past the end of the file");
            DamagedIf(claimed[s], "a sector chain loops or shares sectors with another");
            claimed[s] = true;
            sectors.push_back(s);
        }
        DamagedIf(needed != kWholeChain && sectors.size() < needed,
                  "a sector chain is shorter than its stream");
        return sectors;
    }
};

class Reader {
  public:
    explicit Reader(const ByteSource& source) : source_(source), size_(source.Size()) {}

    StorageEntry Read(const CompoundFile* file, std::vector<std::vector<Run>>& streams) {
        ReadHeader();
        ReadFat();
        ReadDirectory();
        const auto root = Entry(0);
        DamagedIf(root[kTypeAt] != kRoot, "the directory has no root entry");
        ReadMiniStream(root);
        streams.resize(EntryCount());
        return ReadTree(file, streams);
    }

  private:
    const ByteSource& source_;
    const std::uint64_t size_;
    std::array<std::uint8_t, kHeaderSize> header_{};
    std::vector<std::uint8_t> sector_;  // the last sector that Sector() read
    std::size_t sector_size_ = 0;
    bool version3_ = true;
    std::uint32_t cutoff_ = kMiniStreamCutoff;
    SectorMap regular_;
    SectorMap mini_;
    std::vector<std::uint32_t> mini_stream_;  // the regular sectors that hold it
    std::uint64_t mini_stream_size_ = 0;
    std::vector<std::uint8_t> directory_;

    // The bytes from `at` that the file holds, at most `count`.
    std::size_t Available(std::uint64_t at, std::size_t count) const {
        return at < size_ ? static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - at))
                          : 0;
    }

    // Fills `into` from `at`: with all the bytes the file held when it was
    // opened, or an error. What lies past its end is left as it is.
    void ReadAt(std::uint64_t at, std::span<std::uint8_t> into) const {
        const std::size_t expected = Available(at, into.size());
        DamagedIf(expected > 0 && source_.ReadAt(at, into.first(expected)) < expected,
                  "the file was cut short while it was read");
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

    // The bytes of a whole chain, in order: one read for each run of consecutive sectors.
    std::vector<std::uint8_t> ReadChain(SectorMap& map, std::uint32_t start) {
        std::vector<Run> runs;
        for (const std::uint32_t s : map.Chain(start, kWholeChain)) {
            AddRun(runs, SectorOffset(s), sector_size_);
        }
        std::vector<std::uint8_t> bytes(
            runs.empty() ? 0 : runs.back().stream_offset + runs.back().length);
        for (const Run& run : runs) {
            ReadAt(run.file_offset, std::span(bytes).subspan(run.stream_offset, run.length));
        }
        return bytes;
    }

    std::span<const std::uint8_t> Entry(std::uint32_t id) const {
        return std::span(directory_).subspan(std::size_t{id} * kEntrySize, kEntrySize);
    }
    std::size_t EntryCount() const { return directory_.size() / kEntrySize; }

    void ReadHeader() {
        if (size_ >= kHeaderSize) {
            ReadAt(0, header_);
        }
        if (size_ < kHeaderSize ||
            !std::equal(kSignature.begin(), kSignature.end(), header_.begin())) {
            throw FormatError(size_ == 0 ? "not a compound file (empty)" : "not a compound file");
        }
        const std::uint16_t version = Get16(header_, kMajorVersionAt);
        const std::uint16_t shift = Get16(header_, kSectorShiftAt);
        DamagedIf(Get16(header_, kByteOrderAt) != 0xFFFE, "the header's byte order mark is wrong");
        if (!((version == 3 && shift == 9) || (version == 4 && shift == 12))) {
            throw FormatError("not a compound file of a version this program reads (version " +
                              std::to_string(version) + ", sector shift " + std::to_string(shift) +
                              ")");
        }
        DamagedIf(Get16(header_, kMiniSectorShiftAt) != 6,
                  "the header's mini sector size is wrong");
        version3_ = version == 3;
        sector_size_ = std::size_t{1} << shift;
        DamagedIf(size_ < sector_size_, "the file ends inside its header");
        regular_.count = std::min<std::size_t>(CeilDiv(size_ - sector_size_, sector_size_),
                                               std::size_t{kMaxRegularSector} + 1);
        cutoff_ = Get32(header_, kMiniStreamCutoffAt);
    }

    // The FAT sectors are listed in the header, then in the DIFAT chain. The
    // lists grow as they are read, and each sector of either is read once.
    void ReadFat() {
        const std::uint32_t fat_sectors = Get32(header_, kFatSectorsAt);
        DamagedIf(fat_sectors > regular_.count, "the allocation table is larger than the file");
        std::vector<std::uint32_t> listed;
        for (std::size_t i = 0; i < kHeaderDifatEntries && listed.size() < fat_sectors; ++i) {
            listed.push_back(Get32(header_, kDifatAt + 4 * i));
        }
        std::set<std::uint32_t> taken;  // the DIFAT and FAT sectors so far
        const std::size_t per_difat = sector_size_ / 4 - 1;
        for (std::uint32_t s = Get32(header_, kFirstDifatSectorAt); listed.size() < fat_sectors;) {
            DamagedIf(s >= regular_.count, "the list of allocation table sectors is broken");
            DamagedIf(!taken.insert(s).second, "the list of allocation table sectors loops");
            const auto sector = Sector(s);
            DamagedIf(sector.size() < sector_size_,
                      "the list of allocation table sectors runs past the end of the file");
            for (std::size_t i = 0; i < per_difat && listed.size() < fat_sectors; ++i) {
                listed.push_back(Get32(sector, 4 * i));
            }
            s = Get32(sector, 4 * per_difat);
        }
        regular_.table.reserve(listed.size() * (sector_size_ / 4));
        for (const std::uint32_t s : listed) {
            DamagedIf(s >= regular_.count,
                      "an allocation table sector lies past the end of the file");
            DamagedIf(!taken.insert(s).second, "an allocation table sector is listed twice");
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

    void ReadDirectory() {
        directory_ = ReadChain(regular_, Get32(header_, kFirstDirectorySectorAt));
        DamagedIf(directory_.empty(), "the directory is empty");
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
        mini_stream_size_ = StreamSize(root);
        DamagedIf(mini_stream_size_ > size_, "the mini stream is larger than the file");
        mini_stream_ =
            regular_.Chain(Get32(root, kStartAt), CeilDiv(mini_stream_size_, sector_size_));
        mini_.count = std::min(CeilDiv(mini_stream_size_, kMiniSectorSize), mini_.table.size());
        mini_.claimed.assign(mini_.count, false);
    }

    // Where mini sector `s` lies in the file.
    std::uint64_t MiniSectorOffset(std::uint32_t s) const {
        const std::size_t at = std::size_t{s} * kMiniSectorSize;
        return SectorOffset(mini_stream_[at / sector_size_]) + at % sector_size_;
    }

    // Where the stream's bytes lie in the file. Only the file's last sector
    // can be short, and then it must be the stream's last too and hold what
    // the stream has left.
    std::vector<Run> StreamRuns(std::span<const std::uint8_t> entry, std::u16string_view name) {
        const std::uint64_t size = StreamSize(entry);
        const bool small = size < cutoff_;
        SectorMap& map = small ? mini_ : regular_;
        const std::size_t unit = small ? kMiniSectorSize : sector_size_;
        if (size > size_ || CeilDiv(size, unit) > map.count) {
            Damaged("stream \"" + Printable(name) + "\" is larger than the file");
        }
        std::vector<Run> runs;
        const std::vector<std::uint32_t> sectors =
            map.Chain(Get32(entry, kStartAt), CeilDiv(size, unit));
        for (std::size_t i = 0; i < sectors.size(); ++i) {
            const std::size_t take = std::min<std::uint64_t>(unit, size - std::uint64_t{i} * unit);
            const std::uint64_t offset =
                small ? MiniSectorOffset(sectors[i]) : SectorOffset(sectors[i]);
            if (Available(offset, unit) < take) {
                Damaged("stream \"" + Printable(name) + "\" runs past the end of the file");
            }
            AddRun(runs, offset, take);
        }
        return runs;
    }

    std::u16string Name(std::span<const std::uint8_t> entry) const {
        const std::uint16_t length = Get16(entry, kNameLengthAt);
        DamagedIf(length < 2 || length > 2 * (kMaxNameUnits + 1) || length % 2 != 0,
                  "a directory entry's name is damaged");
        std::u16string name;
        for (std::size_t i = 0; i + 1 < length / 2u; ++i) {
            name += static_cast<char16_t>(Get16(entry, 2 * i));
        }
        return name;
    }

    // The entries of one storage's sibling tree, in order, walked without
    // recursion. Each entry of the directory is visited once in all.
    std::vector<std::uint32_t> Siblings(std::uint32_t top, std::vector<bool>& visited) const {
        std::vector<std::uint32_t> in_order;
        std::vector<std::uint32_t> path;
        std::uint32_t node = top;
        while (node != kNoStream || !path.empty()) {
            while (node != kNoStream) {
                DamagedIf(node >= EntryCount(),
                          "a directory entry points past the end of the directory");
                DamagedIf(visited[node], "the directory loops");
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

    StorageEntry ReadTree(const CompoundFile* file, std::vector<std::vector<Run>>& streams) {
        StorageEntry root{u"Root Entry", true, {}, {}, {}};
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
            DamagedIf(storage.depth > kMaxDepth, "storages nested too deeply");
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
                        streams[ids[i]] = StreamRuns(entry, child.name);
                        if (const std::uint64_t size = StreamSize(entry); size > 0) {
                            child.content.emplace_back(StoredBytes{file, ids[i], 0, size});
                        }
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

CompoundFile::CompoundFile(const ByteSource& source) {
    auto layout = std::make_unique<Layout>(Layout{source, {}});
    root_ = Reader(source).Read(this, layout->streams);
    layout_ = std::move(layout);
}

CompoundFile::~CompoundFile() = default;

const ByteSource& CompoundFile::source() const noexcept {
    return layout_->source;
}

void CompoundFile::ForEachRun(const StoredBytes& bytes,
                              const std::function<void(std::uint64_t, std::uint64_t)>& f) const {
    const std::vector<Run>& runs = layout_->streams.at(bytes.stream);
    std::uint64_t offset = bytes.offset;
    std::uint64_t length = bytes.length;
    // From the last run that starts at or before `offset`; none in a stream
    // without bytes.
    auto run = std::ranges::upper_bound(runs, offset, {}, &Run::stream_offset);
    if (run != runs.begin()) {
        --run;
    }
    for (; length > 0; ++run) {
        RefuseIf(run == runs.end(), "bytes asked for past the end of a stream");
        const std::uint64_t skip = offset - run->stream_offset;
        const std::uint64_t take = std::min(length, run->length - std::min(skip, run->length));
        if (take > 0) {
            f(run->file_offset + skip, take);
        }
        offset += take;
        length -= take;
    }
}

void CompoundFile::Read(const StoredBytes& bytes, std::span<std::uint8_t> into) const {
    const StoredBytes part{bytes.file, bytes.stream, bytes.offset,
                           std::min<std::uint64_t>(bytes.length, into.size())};
    ForEachRun(part, [&](std::uint64_t offset, std::uint64_t length) {
        const auto run = into.first(static_cast<std::size_t>(length));
        RefuseIf(layout_->source.ReadAt(offset, run) < run.size(),
                 "the file was cut short while it was read");
        into = into.subspan(run.size());
    });
}

}  // namespace cfb
