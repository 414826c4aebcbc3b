#include "file_access/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "file_access/io_error.h"

namespace file_access {

InputFile::InputFile(const std::filesystem::path& path) : path_(path) {
    fd_ = Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (fd_.get() < 0 || ::fstat(fd_.get(), &info) != 0) {
        ThrowIo("read", path, errno);
    }
    // A pipe or a device has no size to read by; a folder no bytes.
    if (!S_ISREG(info.st_mode)) {
        throw IoError("cannot read " + path.string() + ": not a regular file");
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
}

std::size_t InputFile::ReadAt(std::uint64_t at, std::span<std::uint8_t> into) const {
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got = ::pread(fd_.get(), into.data() + done, into.size() - done,
                                    static_cast<off_t>(at + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ThrowIo("read", path_, errno);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace file_access
