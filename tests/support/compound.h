// Files read and written whole, and compound files and presentations held in
// memory, for the tests and the benchmarks' template makers. Reading or
// writing a file raises std::runtime_error naming it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cfb/compound_file.h"
#include "pptfile/presentation.h"

namespace test_support {

using Bytes = std::vector<std::uint8_t>;

template <class Bytes = std::vector<std::uint8_t>>
Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(std::istreambuf_iterator<char>(in), {});
    if (!in && !in.eof()) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return bytes;
}

inline void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

// Fields as the file formats store them, little-endian.
inline std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}
inline void Put32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A source that keeps its bytes.
class OwnedSource final : public cfb::ByteSource {
  public:
    explicit OwnedSource(Bytes bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const override {
        return cfb::MemorySource(bytes_).ReadAt(offset, into);
    }

  private:
    Bytes bytes_;
};

inline pptfile::SourcePresentation Open(Bytes bytes) {
    return pptfile::SourcePresentation::Read(std::make_unique<OwnedSource>(std::move(bytes)));
}

// A sink that keeps what it is given.
struct MemorySink final : cfb::ByteSink {
    Bytes bytes;
    void Put(std::span<const std::uint8_t> piece) override {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
};

inline Bytes Saved(const pptfile::SaveJob& job) {
    MemorySink sink;
    pptfile::WritePresentation(job, sink);
    return std::move(sink.bytes);
}

inline cfb::StorageEntry Stream(std::u16string name, Bytes data) {
    cfb::StorageEntry e{std::move(name), false, {}, {}, {}};
    e.content.emplace_back(std::move(data));
    return e;
}

inline cfb::StorageEntry Storage(std::u16string name, cfb::ClassId clsid,
                                 std::vector<cfb::StorageEntry> children) {
    return {std::move(name), true, clsid, {}, std::move(children)};
}

// A stream's bytes, which a tree read by ReadTree holds as one piece.
inline Bytes& Data(cfb::StorageEntry& stream) {
    if (stream.content.empty()) {
        stream.content.emplace_back(Bytes{});
    }
    return std::get<Bytes>(stream.content.front());
}

// Every stream's bytes brought into memory.
inline void Load(cfb::StorageEntry& entry) {
    if (!entry.is_storage) {
        entry.content = {cfb::ReadAll(entry)};
    }
    for (cfb::StorageEntry& child : entry.children) {
        Load(child);
    }
}

// A compound file's whole tree, in memory.
inline cfb::StorageEntry ReadTree(std::span<const std::uint8_t> bytes) {
    const cfb::MemorySource source(bytes);
    const cfb::CompoundFile file(source);
    cfb::StorageEntry root = file.root();
    Load(root);
    return root;
}

// The bytes of stream `name` of a compound file; empty where there is none.
inline Bytes StreamOf(std::span<const std::uint8_t> file, std::u16string_view name) {
    const cfb::MemorySource source(file);
    const cfb::CompoundFile compound(source);
    const cfb::StorageEntry* stream = compound.root().Find(name);
    return stream != nullptr && !stream->is_storage ? cfb::ReadAll(*stream) : Bytes{};
}

inline std::string Utf8(std::u16string_view name) {
    return std::filesystem::path(name).string();
}

inline std::uint32_t Fnv1a(std::span<const std::uint8_t> bytes) {
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t b : bytes) {
        hash = (hash ^ b) * 16777619u;
    }
    return hash;
}

// "path size fnv1a" a stream, sorted: what tests/pptfile/olefile_listing.py
// prints of a file.
inline std::string Listing(const cfb::StorageEntry& storage, const std::string& prefix = "") {
    std::map<std::string, std::string> lines;
    for (const cfb::StorageEntry& child : storage.children) {
        const std::string path = prefix + Utf8(child.name) + (child.is_storage ? "/" : "");
        if (child.is_storage) {
            lines[path] = Listing(child, path);
            continue;
        }
        const Bytes data = cfb::ReadAll(child);
        lines[path] =
            path + " " + std::to_string(data.size()) + " " + std::to_string(Fnv1a(data)) + "\n";
    }
    std::string out;
    for (const auto& [path, line] : lines) {
        out += line;
    }
    return out;
}

}  // namespace test_support
