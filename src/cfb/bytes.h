// Bytes in and out: where a file is read from and written to, and the
// little-endian fields that the structures of the file formats are made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

namespace cfb {

// The bytes are not of the kind expected, or are damaged; or what was asked
// for cannot be written. The message is written for a person.
class FormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Raises FormatError(what) where `refused`.
inline void RefuseIf(bool refused, const char* what) {
    if (refused) {
        throw FormatError(what);
    }
}

// Random access to a file's bytes.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies the bytes from `offset` into `into` and returns how many; fewer
    // only where the source ends.
    virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const = 0;
};

// Bytes in memory as a source; they must outlive it.
class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) noexcept : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const override;

  private:
    std::span<const std::uint8_t> bytes_;
};

// Takes a file's bytes in order.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void Put(std::span<const std::uint8_t> bytes) = 0;
    // Puts `length` bytes of `source` from `offset`. This one reads them
    // through memory; a sink may copy them without. Raises FormatError where
    // the source no longer holds them.
    virtual void Copy(const ByteSource& source, std::uint64_t offset, std::uint64_t length);
};

inline std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
inline std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
    return Get16(b, at) | std::uint32_t{Get16(b, at + 2)} << 16;
}
inline std::uint64_t Get64(std::span<const std::uint8_t> b, std::size_t at) {
    return Get32(b, at) | std::uint64_t{Get32(b, at + 4)} << 32;
}
inline void Put16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
    Put16(b, at, static_cast<std::uint16_t>(v));
    Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}
inline void Put64(std::span<std::uint8_t> b, std::size_t at, std::uint64_t v) {
    Put32(b, at, static_cast<std::uint32_t>(v));
    Put32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace cfb
