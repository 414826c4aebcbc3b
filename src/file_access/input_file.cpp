#include "file_access/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include "file_access/io_error.h"

namespace file_access {
namespace {

Fd OpenToRead(const std::filesystem::path& path, struct stat& info) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        ThrowIo("read", path, errno);
    }
    if (::fstat(fd.get(), &info) != 0) {
        ThrowIo("read", path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        ThrowIo("read", path, EISDIR);
    }
    return fd;
}

// Reads `into` until it is full or the file ends: from `at`, or where a file
// that cannot seek (a pipe) has got to.
std::size_t ReadFrom(int fd, std::optional<std::uint64_t> at, std::span<std::uint8_t> into,
                     const std::filesystem::path& path) {
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got =
            at ? ::pread(fd, into.data() + done, into.size() - done, static_cast<off_t>(*at + done))
               : ::read(fd, into.data() + done, into.size() - done);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowIo("read", path, errno);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

// Only a file that is not regular is read whole: its size says nothing.
std::vector<std::uint8_t> ReadAll(int fd, const std::filesystem::path& path) {
    constexpr std::size_t kChunk = 1 << 16;
    std::vector<std::uint8_t> bytes;
    for (std::size_t got = kChunk; got == kChunk;) {
        const std::size_t old = bytes.size();
        bytes.resize(old + kChunk);
        got = ReadFrom(fd, std::nullopt, std::span(bytes).subspan(old), path);
        bytes.resize(old + got);
    }
    return bytes;
}

}  // namespace

InputFile::InputFile(const std::filesystem::path& path) : path_(path) {
    struct stat info {};
    Fd fd = OpenToRead(path, info);
    if (!S_ISREG(info.st_mode)) {
        whole_ = ReadAll(fd.get(), path);
        size_ = whole_.size();
        return;
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
    fd_ = std::move(fd);
}

std::size_t InputFile::ReadAt(std::uint64_t at, std::span<std::uint8_t> into) const {
    if (fd_.get() >= 0) {
        return ReadFrom(fd_.get(), at, into, path_);
    }
    const std::size_t count =
        at < whole_.size() ? std::min<std::size_t>(into.size(), whole_.size() - at) : 0;
    std::copy_n(whole_.begin() + static_cast<std::ptrdiff_t>(at), count, into.begin());
    return count;
}

}  // namespace file_access
