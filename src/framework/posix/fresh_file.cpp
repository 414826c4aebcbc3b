// The probe's new file on POSIX: known by its device and inode, and found for
// removal through any links that the output path follows.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include "automation/text_codec.h"
#include "framework/fresh_file.h"

namespace framework {

FreshFile::FreshFile(const CString& path) : path_(path) {
    struct stat info {};
    absent_before_ =
        ::stat(automation::EncodeOsString(path_.str()).c_str(), &info) != 0 && errno == ENOENT;
}

void FreshFile::NoteCreated() {
    struct stat info {};
    if (absent_before_ && ::stat(automation::EncodeOsString(path_.str()).c_str(), &info) == 0 &&
        S_ISREG(info.st_mode)) {
        created_ = true;
        volume_ = info.st_dev;
        index_ = info.st_ino;
    }
}

void FreshFile::Discard() const noexcept {
    if (!created_) {
        return;
    }
    // The file itself, not a link that leads to it: a link was there before.
    const std::unique_ptr<char, decltype(&std::free)> real(
        ::realpath(automation::EncodeOsString(path_.str()).c_str(), nullptr), &std::free);
    struct stat info {};
    if (real != nullptr && ::lstat(real.get(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_dev == volume_ && info.st_ino == index_ && info.st_size == 0) {
        ::unlink(real.get());
    }
}

}  // namespace framework
