#include "pptfile/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pptfile/errors.h"
#include "support/temp_folder.h"

namespace pptfile {
namespace {

namespace fs = std::filesystem;

mode_t Mode(const fs::path& p) {
    struct stat info {};
    EXPECT_EQ(::stat(p.c_str(), &info), 0);
    return info.st_mode & 07777;
}

// A new file gets the permissions of a new file, a replaced one keeps its own
// and is replaced whole; what is no regular file, or cannot be made, is
// refused with the path and the reason. Nothing is left beside the target.
TEST(FileIo, ReplacesWholeOrRefusesAndLeavesNothingBehind) {
    const test_support::TempFolder folder("zbn-file-io");
    const fs::path dir = folder.path(), target = dir / (std::string(200, 'n') + "Größe.ppt");
    WriteFileAtomically(target, std::vector<std::uint8_t>{'h', 'i'});
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(Mode(target), 0666 & ~mask);
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    std::ofstream(target, std::ios::binary) << std::string(10000, 'x');
    for (const std::size_t size : {0u, 5u * 1024 * 1024 + 3}) {
        const std::vector<std::uint8_t> bytes(size, 0xA5);
        WriteFileAtomically(target, bytes);
        EXPECT_EQ(ReadWholeFile(target), bytes) << size;
        EXPECT_EQ(Mode(target), 0600u);
    }
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    fs::create_directory(dir / "sub");
    for (const fs::path& bad :
         {fs::path("/dev/null"), dir / "sub", dir / "missing" / "o.ppt", dir / "pipe"}) {
        try {
            WriteFileAtomically(bad, std::vector<std::uint8_t>{'n'});
            ADD_FAILURE() << "wrote to " << bad;
        } catch (const IoError& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with("cannot write " + bad.string() + ": "));
        }
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
    EXPECT_THROW(ReadWholeFile(dir / "absent.ppt"), IoError);
    EXPECT_THROW(ReadWholeFile(dir), IoError);
}

}  // namespace
}  // namespace pptfile
