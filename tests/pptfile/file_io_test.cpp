#include "pptfile/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "pptfile/errors.h"
#include "support/temp_folder.h"

namespace pptfile {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

mode_t Mode(const fs::path& p) {
    struct stat info {};
    EXPECT_EQ(::stat(p.c_str(), &info), 0);
    return info.st_mode & 07777;
}

// A new file gets the permissions of a new file; a replaced one keeps its
// own, and is replaced whole, whatever the sizes.
TEST(FileIo, WritesNewFilesAndReplacesOldOnesWhole) {
    const test_support::TempFolder folder("zbn-file-io");
    const fs::path target = folder.path() / (std::string(200, 'n') + "Größe.ppt");
    WriteFileAtomically(target, std::vector<std::uint8_t>{'h', 'i'});
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(Mode(target), 0666 & ~mask);
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    std::ofstream(target, std::ios::binary) << std::string(10000, 'x');
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{5 * 1024 * 1024 + 3}}) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7);
        }
        WriteFileAtomically(target, bytes);
        EXPECT_EQ(ReadWholeFile(target), bytes) << size;
        EXPECT_EQ(Entries(folder.path()), std::set<std::string>{target.filename().string()});
        EXPECT_EQ(Mode(target), 0600u);
    }
}

// What is no regular file, or cannot be made, is refused with the path and
// the reason, and nothing is left behind.
TEST(FileIo, RefusedTargetsRaiseIoErrorAndLeaveNothingBehind) {
    const test_support::TempFolder folder("zbn-file-io");
    const fs::path dir = folder.path();
    fs::create_directory(dir / "sub");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    for (const fs::path& target :
         {fs::path("/dev/null"), dir / "sub", dir / "missing" / "out.ppt", dir / "pipe"}) {
        try {
            WriteFileAtomically(target, std::vector<std::uint8_t>{'n', 'e', 'w'});
            ADD_FAILURE() << "wrote to " << target;
        } catch (const IoError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("cannot write " + target.string() + ": ", 0), 0u)
                << e.what();
        }
        EXPECT_EQ(Entries(dir), (std::set<std::string>{"pipe", "sub"}));
    }
    try {
        ReadWholeFile(dir / "absent.ppt");
        ADD_FAILURE() << "read";
    } catch (const IoError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "cannot read " + (dir / "absent.ppt").string() + ": No such file or directory");
    }
    EXPECT_THROW(ReadWholeFile(dir), IoError);
}

}  // namespace
}  // namespace pptfile
