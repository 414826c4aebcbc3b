#include "pptfile/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

#include "pptfile/errors.h"

namespace pptfile {
namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

[[noreturn]] void ThrowIo(const char* verb, const std::filesystem::path& path, int error) {
    throw IoError(std::string("cannot ") + verb + " " + path.string() + ": " + Reason(error));
}

// Owns a file descriptor; closes it on every way out.
class Fd {
  public:
    explicit Fd(int fd) noexcept : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const noexcept { return fd_; }
    // Closing can report a late write error (NFS, quota): it must be seen.
    int Close() noexcept {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

// Removes the temporary file unless it was renamed into place.
class TempFileGuard {
  public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    ~TempFileGuard() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    void Release() noexcept { path_.clear(); }

  private:
    std::string path_;
};

std::string RandomSuffix() {
    static thread_local std::mt19937_64 generator{std::random_device{}() ^
                                                  static_cast<std::uint64_t>(::getpid())};
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string out;
    for (int i = 0; i < 10; ++i)
        out += kAlphabet[generator() % (sizeof kAlphabet - 1)];
    return out;
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        ThrowIo("read", path, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        ThrowIo("read", path, errno);
    if (S_ISDIR(info.st_mode))
        ThrowIo("read", path, EISDIR);
    std::vector<std::uint8_t> bytes;
    if (S_ISREG(info.st_mode) && info.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowIo("read", path, errno);
        }
        if (got == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

void WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes) {
    struct stat existing {};
    const bool target_exists = ::stat(target.c_str(), &existing) == 0;
    if (target_exists) {
        // Renaming over a device, a pipe or a directory would replace
        // something that is not ours to replace.
        if (!S_ISREG(existing.st_mode)) {
            throw IoError("cannot write " + target.string() + ": not a regular file");
        }
    } else if (errno != ENOENT) {
        ThrowIo("write", target, errno);
    }

    const std::filesystem::path directory = target.has_parent_path() ? target.parent_path() : ".";
    const std::string base = target.filename().string();
    std::string temp_path;
    int raw_fd = -1;
    for (int attempt = 0; attempt < 16 && raw_fd < 0; ++attempt) {
        // A short name keeps the temporary within the name length limit even
        // when the target's own name is near it.
        temp_path =
            (directory / ("." + base.substr(0, 64) + "." + RandomSuffix() + ".tmp")).string();
        raw_fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw_fd < 0 && errno != EEXIST)
            ThrowIo("write", target, errno);
    }
    if (raw_fd < 0)
        ThrowIo("write", target, EEXIST);
    Fd fd(raw_fd);
    TempFileGuard guard(temp_path);
    // A file that is replaced keeps its permissions: a presentation the user
    // had kept private stays private.
    if (target_exists && ::fchmod(fd.get(), existing.st_mode & 07777) != 0)
        ThrowIo("write", target, errno);

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            ThrowIo("write", target, errno);
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::fsync(fd.get()) != 0)
        ThrowIo("write", target, errno);
    if (fd.Close() != 0)
        ThrowIo("write", target, errno);
    if (::rename(temp_path.c_str(), target.c_str()) != 0)
        ThrowIo("write", target, errno);
    guard.Release();
    // Make the rename itself durable; failing here does not undo a complete write.
    Fd dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

}  // namespace pptfile
