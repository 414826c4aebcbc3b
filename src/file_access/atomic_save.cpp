#include "file_access/atomic_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <utility>

#include "file_access/descriptor.h"
#include "file_access/io_error.h"

namespace file_access {
namespace {

std::string RandomSuffix() {
    static thread_local std::mt19937_64 generator{std::random_device{}() ^
                                                  static_cast<std::uint64_t>(::getpid())};
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string out;
    for (int i = 0; i < 10; ++i) {
        out += kAlphabet[generator() % (sizeof kAlphabet - 1)];
    }
    return out;
}

// What the signal handler removes: a name in a folder, set only while the
// three signals are blocked, so the handler never sees half of it.
struct PendingTemp {
    int folder = -1;
    char name[NAME_MAX + 1] = {};
};
PendingTemp g_pending;
volatile std::sig_atomic_t g_armed = 0;

extern "C" void RemoveTempAndDie(int signal_number) {
    if (g_armed != 0) {
        ::unlinkat(g_pending.folder, g_pending.name, 0);
    }
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

constexpr std::array<int, 3> kInterrupts = {SIGINT, SIGTERM, SIGHUP};

// Blocks the interrupting signals for its lifetime: a name is made and
// recorded for the handler, or removed and forgotten, as one step.
class InterruptsBlocked {
  public:
    InterruptsBlocked() noexcept {
        sigset_t set;
        sigemptyset(&set);
        for (int s : kInterrupts) {
            sigaddset(&set, s);
        }
        ::sigprocmask(SIG_BLOCK, &set, &old_);
    }
    InterruptsBlocked(const InterruptsBlocked&) = delete;
    InterruptsBlocked& operator=(const InterruptsBlocked&) = delete;
    ~InterruptsBlocked() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }

  private:
    sigset_t old_;
};

// An interrupting signal removes the temporary file before the process ends as the
// signal would end it; every other way out removes it too unless it was renamed.
class TempName {
  public:
    explicit TempName(int folder) noexcept {
        g_pending.folder = folder;
        for (std::size_t i = 0; i < kInterrupts.size(); ++i) {
            struct sigaction action {};
            action.sa_handler = RemoveTempAndDie;
            sigemptyset(&action.sa_mask);
            ::sigaction(kInterrupts[i], nullptr, &old_[i]);
            if (old_[i].sa_handler != SIG_IGN) {
                ::sigaction(kInterrupts[i], &action, nullptr);
            }
        }
    }
    TempName(const TempName&) = delete;
    TempName& operator=(const TempName&) = delete;
    ~TempName() {
        {
            InterruptsBlocked blocked;
            if (g_armed != 0) {
                ::unlinkat(g_pending.folder, g_pending.name, 0);
            }
            g_armed = 0;
        }
        for (std::size_t i = 0; i < kInterrupts.size(); ++i) {
            ::sigaction(kInterrupts[i], &old_[i], nullptr);
        }
    }

    // Calls make(name) with fresh names until it succeeds (true) or fails for
    // another reason than a taken name (false, errno set), recording the name
    // for removal in the same step.
    template <class Make>
    bool Create(const std::string& hint, Make make) {
        for (int attempt = 0; attempt < 16; ++attempt) {
            const std::string name = "." + hint.substr(0, 64) + "." + RandomSuffix() + ".tmp";
            InterruptsBlocked blocked;
            if (make(name.c_str())) {
                std::memcpy(g_pending.name, name.c_str(), name.size() + 1);
                g_armed = 1;
                return true;
            }
            if (errno != EEXIST) {
                return false;
            }
        }
        errno = EEXIST;
        return false;
    }

    const char* name() const noexcept { return g_pending.name; }
    // The name is the target's now: nothing to remove.
    void Release() noexcept { g_armed = 0; }

  private:
    std::array<struct sigaction, kInterrupts.size()> old_{};
};

// The file that finally receives the bytes: the target or what its symbolic links name,
// held as its folder's descriptor and its name there.
struct Destination {
    Fd folder{-1};
    std::string folder_shown;  // for messages
    std::string name;
    bool exists = false;
    struct stat info {};
};

constexpr int kMaxLinks = 40;

#ifndef O_PATH
constexpr int O_PATH = O_RDONLY;  // where folders cannot be held without reading them
#endif

std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

Destination Resolve(const std::filesystem::path& target) {
    Destination d;
    auto [folder, name] = SplitPath(target.string());
    int base = AT_FDCWD;
    for (int hop = 0;; ++hop) {
        if (hop > kMaxLinks) {
            ThrowIo("write", target, ELOOP);
        }
        Fd next(::openat(base, folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (next.get() < 0) {
            ThrowIo("write", target, errno);
        }
        d.folder_shown = folder.front() == '/' || base == AT_FDCWD
                             ? folder
                             : (std::filesystem::path(d.folder_shown) / folder).string();
        d.folder = std::move(next);
        d.name = name;
        if (name.empty() || name == "." || name == "..") {
            throw IoError("cannot write " + target.string() + ": not a regular file");
        }
        if (::fstatat(d.folder.get(), name.c_str(), &d.info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) {
                ThrowIo("write", target, errno);
            }
            return d;  // a new file, or the missing file a dangling link names
        }
        if (!S_ISLNK(d.info.st_mode)) {
            // Renaming over a device, a pipe or a directory would replace
            // something that is not ours to replace.
            if (!S_ISREG(d.info.st_mode)) {
                throw IoError("cannot write " + target.string() + ": not a regular file");
            }
            d.exists = true;
            return d;
        }
        std::array<char, PATH_MAX> link{};
        const ssize_t length = ::readlinkat(d.folder.get(), name.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<std::size_t>(length) >= link.size()) {
            ThrowIo("write", target, length < 0 ? errno : ENAMETOOLONG);
        }
        std::tie(folder, name) =
            SplitPath(std::string(link.data(), static_cast<std::size_t>(length)));
        base = d.folder.get();
    }
}

#ifdef O_TMPFILE
// Gives the unnamed file `fd` a name in the destination's folder: through
// /proc, or directly where the process may do that.
bool Link(int fd, const Destination& d, const char* name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), d.folder.get(), name, AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    return errno != EEXIST && ::linkat(fd, "", d.folder.get(), name, AT_EMPTY_PATH) == 0;
}
#endif

bool IsPermissionError(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

// A new file the folder refuses, or another failure to make one.
[[noreturn]] void ThrowCannotCreate(const std::filesystem::path& target, const Destination& d,
                                    int error) {
    if (!IsPermissionError(error)) {
        ThrowIo("write", target, error);
    }
    throw IoError("cannot write " + target.string() + ": no new file may be made in the folder \"" +
                  d.folder_shown + "\" (" + std::strerror(error) + ")");
}

}  // namespace

void OutputFile::Write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(fd_, bytes.data(), bytes.size());
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowIo("write", target_, errno);
        }
        bytes = bytes.subspan(static_cast<std::size_t>(wrote));
    }
}

void OutputFile::CopyFrom(const InputFile& from, std::uint64_t offset, std::uint64_t length) {
    // From file to file in the kernel, where the two files allow it.
    while (length > 0 && kernel_copies_) {
        auto at = static_cast<off_t>(offset);
        const ssize_t copied = ::copy_file_range(from.fd(), &at, fd_, nullptr, length, 0);
        if (copied < 0) {
            const int error = errno;
            // Not between these two files: this piece and the next through memory.
            kernel_copies_ = error != EXDEV && error != EINVAL && error != ENOSYS &&
                             error != EOPNOTSUPP && error != EBADF;
            if (kernel_copies_ && error != EINTR) {
                ThrowIo("write", target_, error);
            }
            continue;
        }
        if (copied == 0) {
            ThrowIo("read", from.path(), EIO);  // the file is shorter than it was
        }
        offset += static_cast<std::uint64_t>(copied);
        length -= static_cast<std::uint64_t>(copied);
    }
    std::array<std::uint8_t, 64 * 1024> chunk;
    while (length > 0) {
        const std::span<std::uint8_t> into(chunk.data(),
                                           std::min<std::uint64_t>(length, chunk.size()));
        if (from.ReadAt(offset, into) < into.size()) {
            ThrowIo("read", from.path(), EIO);
        }
        Write(into);
        offset += into.size();
        length -= into.size();
    }
}

void WriteFileAtomically(const std::filesystem::path& target,
                         const std::function<void(OutputFile&)>& write) {
    const Destination d = Resolve(target);
    TempName temp(d.folder.get());

    // A file with no name until it is complete: a kill -9 leaves nothing.
    // Where the system cannot make one, a named file in the same folder.
    int raw_fd = -1;
#ifdef O_TMPFILE
    raw_fd = ::openat(d.folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (raw_fd < 0 && IsPermissionError(errno)) {
        ThrowCannotCreate(target, d, errno);
    }
#endif
    const bool unnamed = raw_fd >= 0;
    if (!unnamed && !temp.Create(d.name, [&](const char* name) {
            raw_fd = ::openat(d.folder.get(), name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            return raw_fd >= 0;
        })) {
        ThrowCannotCreate(target, d, errno);
    }
    Fd fd(raw_fd);
    // A file that is replaced keeps its permissions: a presentation the user
    // had kept private stays private.
    if (d.exists && ::fchmod(fd.get(), d.info.st_mode & 07777) != 0) {
        ThrowIo("write", target, errno);
    }
    OutputFile out(fd.get(), target);
    write(out);
    if (::fsync(fd.get()) != 0) {
        ThrowIo("write", target, errno);
    }
#ifdef O_TMPFILE
    if (unnamed &&
        !temp.Create(d.name, [&](const char* name) { return Link(fd.get(), d, name); })) {
        ThrowCannotCreate(target, d, errno);
    }
#endif
    if (fd.Close() != 0) {
        ThrowIo("write", target, errno);
    }
    if (::renameat(d.folder.get(), temp.name(), d.folder.get(), d.name.c_str()) != 0) {
        const int error = errno;
        struct stat folder {};
        if (IsPermissionError(error) && d.exists && ::fstat(d.folder.get(), &folder) == 0 &&
            (folder.st_mode & S_ISVTX) != 0) {
            throw IoError("cannot write " + target.string() + ": the folder \"" + d.folder_shown +
                          "\" lets only a file's owner replace it, and " + d.name +
                          " belongs to another user (" + std::strerror(error) + ")");
        }
        ThrowIo("write", target, error);
    }
    temp.Release();
    // Make the rename itself durable; failing here does not undo a complete write.
    Fd dir(::openat(d.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
}

}  // namespace file_access
