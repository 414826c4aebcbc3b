// The files the engine reads and saves: a save replaces the target whole or
// not at all, and a file that cannot be read is refused with the reason.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <vector>

#include "file_access/atomic_save.h"
#include "file_access/input_file.h"
#include "file_access/io_error.h"
#include "support/file_bytes.h"
#include "support/helpers.h"

namespace file_access {
namespace {

namespace fs = std::filesystem;

void Save(const fs::path& target, const std::vector<std::uint8_t>& bytes) {
    WriteFileAtomically(target, [&bytes](const Sink& put) { put(bytes); });
}

unsigned Mode(const fs::path& p) {
    return static_cast<unsigned>(fs::status(p).permissions());
}

// A new file gets the permissions of a new file, a replaced one keeps its own
// and is replaced whole; what is no regular file, or cannot be made, is
// refused with the path and the reason. Nothing is left beside the target.
TEST(AtomicSave, ReplacesWholeOrRefusesAndLeavesNothingBehind) {
    const test_support::TempFolder folder("zbn-file-io");
    const fs::path dir = folder.path(), target = dir / (std::string(200, 'n') + "Größe.ppt");
    Save(target, {'h', 'i'});
    const unsigned mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(Mode(target), 0666 & ~mask);
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    std::ofstream(target, std::ios::binary) << std::string(10000, 'x');
    for (const std::size_t size : {0u, 5u * 1024 * 1024 + 3}) {
        const std::vector<std::uint8_t> bytes(size, 0xA5);
        Save(target, bytes);
        EXPECT_EQ(test_support::ReadFile(target), bytes) << size;
        EXPECT_EQ(Mode(target), 0600u);
    }
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    fs::create_directory(dir / "sub");
    for (const fs::path& bad :
         {fs::path("/dev/null"), dir / "sub", dir / "missing" / "o.ppt", dir / "pipe"}) {
        EXPECT_THAT([&] { Save(bad, {'n'}); },
                    ::testing::ThrowsMessage<IoError>(
                        ::testing::StartsWith("cannot write " + bad.string() + ": ")));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
    EXPECT_THROW(InputFile(dir / "absent.ppt"), IoError);
    EXPECT_THROW(InputFile{dir}, IoError);
}

}  // namespace
}  // namespace file_access
