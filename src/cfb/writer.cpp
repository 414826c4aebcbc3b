// Writes a version 3 compound file: large streams, mini stream, mini FAT, directory,
// FAT, DIFAT.
#include <algorithm>
#include <array>
#include <bit>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "cfb/compound_file.h"
#include "cfb/format.h"

namespace cfb {
namespace {

constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kIdsPerSector = kSectorSize / 4;
constexpr std::size_t kEntriesPerSector = kSectorSize / kEntrySize;
// A version 3 stream holds at most 2 GB ([MS-CFB] 2.6.3).
constexpr std::uint64_t kMaxStreamSize = 0x80000000;

struct Node {
    const StorageEntry* source;
    std::u16string name;
    bool stream = false;  // the root is a storage whatever it says
    std::u16string key;   // the name in upper case, for the directory's order
    std::uint32_t left = kNoStream;
    std::uint32_t right = kNoStream;
    std::uint32_t child = kNoStream;
    Color color = kBlack;
    std::uint32_t start = kEndOfChain;
    std::uint64_t size = 0;
};

const std::u16string& CheckedName(const std::u16string& name) {
    if (name.empty() || name.size() > kMaxNameUnits ||
        name.find_first_of(std::u16string_view(u"/\\:!\0", 5)) != std::u16string::npos) {
        throw FormatError("cannot store a compound file entry named \"" + Printable(name) + "\"");
    }
    return name;
}

// Puts pieces to a sink in order. Stored bytes are copied from where they
// lie, runs that follow one another in the source as one copy.
class PieceWriter {
  public:
    explicit PieceWriter(ByteSink& sink) noexcept : sink_(sink) {}

    void Put(const Piece& piece) {
        const auto* stored = std::get_if<StoredBytes>(&piece);
        if (stored == nullptr) {
            Flush();
            sink_.Put(InMemory(piece));
            return;
        }
        stored->file->ForEachRun(*stored, [&](std::uint64_t offset, std::uint64_t length) {
            const ByteSource& source = stored->file->source();
            if (source_ != &source || offset_ + length_ != offset) {
                Flush();
                source_ = &source;
                offset_ = offset;
            }
            length_ += length;
        });
    }
    void Put(std::span<const std::uint8_t> bytes) { Put(Piece(bytes)); }
    void Flush() {
        if (length_ > 0) {
            sink_.Copy(*source_, offset_, length_);
        }
        length_ = 0;
    }

  private:
    ByteSink& sink_;
    const ByteSource* source_ = nullptr;  // of the copy not made yet
    std::uint64_t offset_ = 0;
    std::uint64_t length_ = 0;
};

class Writer {
  public:
    explicit Writer(const StorageEntry& root) {
        nodes_.push_back({&root, u"Root Entry", false, u"ROOT ENTRY"});
        Flatten();
    }

    // The large streams, nearly all of the file, go to the sink straight
    // from their pieces; only the header and the sectors after them are
    // built here.
    void Write(ByteSink& sink) {
        Layout();
        out_.reserve((sectors_ - large_sectors_ + 1) * kSectorSize);
        out_.resize(kSectorSize);
        AppendMiniStream();
        out_.resize((sectors_ - large_sectors_ + 1) * kSectorSize);
        WriteHeader();
        WriteTables();
        WriteDirectory();
        const std::span<const std::uint8_t> out(out_);
        PieceWriter writer(sink);
        writer.Put(out.first(kSectorSize));
        static constexpr std::array<std::uint8_t, kSectorSize> kZeros{};
        for (const Node& node : nodes_) {
            if (!node.stream || node.size < kMiniStreamCutoff) {
                continue;
            }
            for (const Piece& piece : node.source->content) {
                writer.Put(piece);
            }
            const std::size_t padding = CeilDiv(node.size, kSectorSize) * kSectorSize - node.size;
            if (padding > 0) {
                writer.Put(std::span(kZeros).first(padding));
            }
        }
        writer.Put(out.subspan(kSectorSize));
    }

  private:
    std::vector<Node> nodes_;
    std::vector<std::uint8_t> out_;
    std::size_t sectors_ = 0;
    std::size_t large_sectors_ = 0;  // the first sectors, which hold the large streams
    std::size_t mini_stream_sectors_ = 0;
    std::size_t mini_fat_sectors_ = 0;
    std::uint32_t mini_fat_start_ = kEndOfChain;
    std::size_t directory_sectors_ = 0;
    std::uint32_t directory_start_ = 0;
    std::uint32_t fat_start_ = 0;
    std::size_t fat_sectors_ = 0;
    std::uint32_t difat_start_ = kEndOfChain;
    std::size_t difat_sectors_ = 0;

    // Numbers the entries storage by storage, each storage's children in the
    // order given, and links each storage's children into a red-black tree.
    void Flatten() {
        std::vector<std::pair<std::uint32_t, int>> storages{{0, 0}};
        for (std::size_t next = 0; next < storages.size(); ++next) {
            const auto [id, depth] = storages[next];
            RefuseIf(depth > kMaxDepth, "compound file storages nested too deeply");
            const auto first = static_cast<std::uint32_t>(nodes_.size());
            for (const StorageEntry& child : nodes_[id].source->children) {
                nodes_.push_back(
                    {&child, CheckedName(child.name), !child.is_storage, UpperCase(child.name)});
                if (child.is_storage) {
                    storages.emplace_back(static_cast<std::uint32_t>(nodes_.size() - 1), depth + 1);
                }
            }
            std::vector<std::uint32_t> sorted(nodes_.size() - first);
            std::iota(sorted.begin(), sorted.end(), first);
            std::sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
                const std::u16string& x = nodes_[a].key;
                const std::u16string& y = nodes_[b].key;
                return x.size() != y.size() ? x.size() < y.size() : x < y;
            });
            for (std::size_t i = 1; i < sorted.size(); ++i) {
                if (nodes_[sorted[i - 1]].key == nodes_[sorted[i]].key) {
                    throw FormatError("a compound file storage holds \"" +
                                      Printable(nodes_[sorted[i]].name) + "\" twice");
                }
            }
            // Every level but the deepest is full in a tree built by halving;
            // the deepest is red, so every path holds as many black nodes.
            const auto full_levels =
                static_cast<std::size_t>(std::bit_width(sorted.size() + 1) - 1);
            nodes_[id].child = Link(sorted, 0, sorted.size(), 0, full_levels);
        }
    }

    std::uint32_t Link(const std::vector<std::uint32_t>& sorted, std::size_t begin, std::size_t end,
                       std::size_t depth, std::size_t full_levels) {
        if (begin == end) {
            return kNoStream;
        }
        const std::size_t middle = begin + (end - begin) / 2;
        Node& node = nodes_[sorted[middle]];
        node.color = depth >= full_levels ? kRed : kBlack;
        node.left = Link(sorted, begin, middle, depth + 1, full_levels);
        node.right = Link(sorted, middle + 1, end, depth + 1, full_levels);
        return sorted[middle];
    }

    // A run of `count` sectors from `first`, chained in `table`.
    static void Chain(std::span<std::uint8_t> table, std::size_t first, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            Put32(table, 4 * (first + i),
                  i + 1 < count ? static_cast<std::uint32_t>(first + i + 1) : kEndOfChain);
        }
    }

    void Layout() {
        std::size_t used = 0;       // regular sectors
        std::size_t mini_used = 0;  // mini sectors
        for (Node& node : nodes_) {
            if (!node.stream) {
                continue;
            }
            node.size = node.source->Size();
            if (node.size > kMaxStreamSize) {
                throw FormatError("stream \"" + Printable(node.name) +
                                  "\" is too large for a compound file");
            }
            if (node.size >= kMiniStreamCutoff) {
                node.start = static_cast<std::uint32_t>(used);
                used += CeilDiv(node.size, kSectorSize);
            } else if (node.size > 0) {
                node.start = static_cast<std::uint32_t>(mini_used);
                mini_used += CeilDiv(node.size, kMiniSectorSize);
            }
        }
        large_sectors_ = used;
        mini_stream_sectors_ = CeilDiv(mini_used * kMiniSectorSize, kSectorSize);
        mini_fat_sectors_ = CeilDiv(mini_used, kIdsPerSector);
        directory_sectors_ = CeilDiv(nodes_.size(), kEntriesPerSector);
        const std::size_t data =
            used + mini_stream_sectors_ + mini_fat_sectors_ + directory_sectors_;
        // The FAT covers itself and the DIFAT too.
        while (fat_sectors_ * kIdsPerSector < data + fat_sectors_ + difat_sectors_) {
            ++fat_sectors_;
            difat_sectors_ = fat_sectors_ > kHeaderDifatEntries
                                 ? CeilDiv(fat_sectors_ - kHeaderDifatEntries, kIdsPerSector - 1)
                                 : 0;
        }
        sectors_ = data + fat_sectors_ + difat_sectors_;
        RefuseIf(sectors_ > kMaxRegularSector, "the streams are too large for a compound file");
        std::size_t at = used;
        if (mini_used > 0) {
            nodes_[0].start = static_cast<std::uint32_t>(at);
            nodes_[0].size = mini_used * kMiniSectorSize;
            at += mini_stream_sectors_;
            mini_fat_start_ = static_cast<std::uint32_t>(at);
            at += mini_fat_sectors_;
        }
        directory_start_ = static_cast<std::uint32_t>(at);
        fat_start_ = static_cast<std::uint32_t>(at + directory_sectors_);
        if (difat_sectors_ > 0) {
            difat_start_ = static_cast<std::uint32_t>(fat_start_ + fat_sectors_);
        }
    }

    // Sector `s` of those after the large streams, in `out_` after the header.
    std::span<std::uint8_t> SectorBytes(std::size_t s) {
        return std::span(out_).subspan((s - large_sectors_ + 1) * kSectorSize);
    }

    void WriteHeader() {
        const std::span<std::uint8_t> h(out_);
        std::copy(kSignature.begin(), kSignature.end(), h.begin());
        Put16(h, kMinorVersionAt, 0x3E);
        Put16(h, kMajorVersionAt, 3);
        Put16(h, kByteOrderAt, 0xFFFE);
        Put16(h, kSectorShiftAt, 9);
        Put16(h, kMiniSectorShiftAt, 6);
        Put32(h, kFatSectorsAt, static_cast<std::uint32_t>(fat_sectors_));
        Put32(h, kFirstDirectorySectorAt, directory_start_);
        Put32(h, kMiniStreamCutoffAt, kMiniStreamCutoff);
        Put32(h, kFirstMiniFatSectorAt, mini_fat_start_);
        Put32(h, kMiniFatSectorsAt, static_cast<std::uint32_t>(mini_fat_sectors_));
        Put32(h, kFirstDifatSectorAt, difat_start_);
        Put32(h, kDifatSectorsAt, static_cast<std::uint32_t>(difat_sectors_));
        // The FAT sectors' numbers: the first 109 here, the rest in the DIFAT
        // sectors, each ending with the number of the next.
        std::size_t listed = 0;
        const auto next_fat = [&] {
            const std::size_t n = listed++;
            return n < fat_sectors_ ? static_cast<std::uint32_t>(fat_start_ + n) : kFreeSector;
        };
        for (std::size_t i = 0; i < kHeaderDifatEntries; ++i) {
            Put32(h, kDifatAt + 4 * i, next_fat());
        }
        for (std::size_t d = 0; d < difat_sectors_; ++d) {
            const auto sector = SectorBytes(difat_start_ + d);
            for (std::size_t i = 0; i + 1 < kIdsPerSector; ++i) {
                Put32(sector, 4 * i, next_fat());
            }
            Put32(sector, kSectorSize - 4,
                  d + 1 < difat_sectors_ ? static_cast<std::uint32_t>(difat_start_ + d + 1)
                                         : kEndOfChain);
        }
    }

    // The mini stream: the small streams in the order Layout placed them.
    void AppendMiniStream() {
        for (const Node& node : nodes_) {
            if (!node.stream || node.size == 0 || node.size >= kMiniStreamCutoff) {
                continue;
            }
            const std::size_t at = out_.size();
            out_.resize(at + node.size);
            Read(node.source->content, 0, std::span(out_).subspan(at));
            out_.resize(CeilDiv(out_.size(), kMiniSectorSize) * kMiniSectorSize);
        }
    }

    // The FAT and the mini FAT: every sector free but the chains and the
    // FAT's and the DIFAT's own.
    void WriteTables() {
        const auto fat = SectorBytes(fat_start_).first(fat_sectors_ * kSectorSize);
        const auto mini_fat =
            mini_fat_sectors_ > 0
                ? SectorBytes(mini_fat_start_).first(mini_fat_sectors_ * kSectorSize)
                : std::span<std::uint8_t>();
        std::fill(fat.begin(), fat.end(), 0xFF);  // kFreeSector
        std::fill(mini_fat.begin(), mini_fat.end(), 0xFF);
        for (const Node& node : nodes_) {
            if (node.stream && node.size >= kMiniStreamCutoff) {
                Chain(fat, node.start, CeilDiv(node.size, kSectorSize));
            } else if (node.stream && node.size > 0) {
                Chain(mini_fat, node.start, CeilDiv(node.size, kMiniSectorSize));
            }
        }
        if (mini_fat_sectors_ > 0) {
            Chain(fat, nodes_[0].start, mini_stream_sectors_);
            Chain(fat, mini_fat_start_, mini_fat_sectors_);
        }
        Chain(fat, directory_start_, directory_sectors_);
        for (std::size_t i = 0; i < fat_sectors_ + difat_sectors_; ++i) {
            Put32(fat, 4 * (fat_start_ + i), i < fat_sectors_ ? kFatSector : kDifatSector);
        }
    }

    void WriteDirectory() {
        const std::span<std::uint8_t> directory = SectorBytes(directory_start_);
        for (std::size_t id = 0; id < directory_sectors_ * kEntriesPerSector; ++id) {
            const std::span<std::uint8_t> e = directory.subspan(id * kEntrySize, kEntrySize);
            if (id >= nodes_.size()) {
                // Unused entries, as PowerPoint leaves them.
                Put32(e, kLeftAt, kNoStream);
                Put32(e, kRightAt, kNoStream);
                Put32(e, kChildAt, kNoStream);
                continue;
            }
            const Node& node = nodes_[id];
            for (std::size_t i = 0; i < node.name.size(); ++i) {
                Put16(e, 2 * i, node.name[i]);
            }
            Put16(e, kNameLengthAt, static_cast<std::uint16_t>(2 * (node.name.size() + 1)));
            e[kTypeAt] = id == 0 ? kRoot : node.stream ? kStream : kStorage;
            e[kColorAt] = node.color;
            Put32(e, kLeftAt, node.left);
            Put32(e, kRightAt, node.right);
            Put32(e, kChildAt, node.child);
            if (!node.stream) {
                std::copy(node.source->clsid.begin(), node.source->clsid.end(),
                          e.begin() + kClassIdAt);
            }
            // A storage below the root has neither start nor size.
            const bool holds_data = id == 0 || node.stream;
            Put32(e, kStartAt, holds_data ? node.start : 0);
            Put64(e, kSizeAt, holds_data ? node.size : 0);
        }
    }
};

}  // namespace

void WriteCompoundFile(const StorageEntry& root, ByteSink& sink) {
    Writer(root).Write(sink);
}

std::vector<std::uint8_t> WriteCompoundFile(const StorageEntry& root) {
    struct Memory : ByteSink {
        std::vector<std::uint8_t> bytes;
        void Put(std::span<const std::uint8_t> piece) override {
            bytes.insert(bytes.end(), piece.begin(), piece.end());
        }
    } memory;
    WriteCompoundFile(root, memory);
    return std::move(memory.bytes);
}

}  // namespace cfb
