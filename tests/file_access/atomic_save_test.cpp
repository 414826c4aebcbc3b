// The files the engine reads and saves: a save replaces the target whole or
// not at all, and a file that cannot be read is refused with the reason.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <vector>

#include "file_access/atomic_save.h"
#include "file_access/input_file.h"
#include "file_access/io_error.h"
#include "support/compound.h"
#include "support/helpers.h"

namespace file_access {
namespace {

namespace fs = std::filesystem;

void Save(const fs::path& target, const std::vector<std::uint8_t>& bytes) {
    WriteFileAtomically(target, [&bytes](OutputFile& out) { out.Write(bytes); });
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
    // (Never a device outside the folder: a save that wrongly took it would
    // replace that device for the whole machine.)
    for (const fs::path& bad : {dir / "sub", dir / "missing" / "o.ppt", dir / "pipe"}) {
        EXPECT_THAT([&] { Save(bad, {'n'}); },
                    ::testing::ThrowsMessage<IoError>(
                        ::testing::StartsWith("cannot write " + bad.string() + ": ")));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
    EXPECT_THROW(InputFile(dir / "absent.ppt"), IoError);
    EXPECT_THROW(InputFile{dir}, IoError);
}

// A save follows a chain of symbolic links as far as the system opens one.
TEST(AtomicSave, FollowsLinksAsFarAsTheSystemDoes) {
    const test_support::TempFolder folder("zbn-file-io");
    for (const int links : {40, 41}) {
        const fs::path dir = folder.path() / std::to_string(links);
        fs::create_directory(dir);
        for (int i = 0; i < links; ++i) {
            fs::create_symlink(std::to_string(i + 1), dir / std::to_string(i));
        }
        const int fd = ::open((dir / "0").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const bool opens = fd >= 0 && ::close(fd) == 0 && fs::remove(dir / std::to_string(links));
        ASSERT_EQ(opens, links == 40) << "Linux follows 40 links in a path";
        bool saved = true;
        try {
            Save(dir / "0", {'x'});
        } catch (const IoError&) {
            saved = false;
        }
        EXPECT_EQ(saved, opens) << links;
    }
}

// Bytes copied from a file that is read, in the kernel or through memory
// (from another file system, here /dev/shm where there is one), land in
// order among those written; a file that no longer holds them is refused
// with its name.
TEST(AtomicSave, CopiesRangesOfAnInputFile) {
    const test_support::TempFolder folder("zbn-file-io");
    std::vector<std::uint8_t> source(300000);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    std::optional<test_support::TempFolder> shm;
    std::vector<fs::path> inputs{folder.path() / "in.pot"};
    if (fs::is_directory("/dev/shm")) {
        inputs.push_back(shm.emplace("zbn-file-io", "/dev/shm").path() / "in.pot");
    }
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input);
        test_support::WriteFile(input, source);
        const InputFile in(input);
        const fs::path target = folder.path() / "out.ppt";
        WriteFileAtomically(target, [&](OutputFile& out) {
            out.CopyFrom(in, 1000, 70000);
            out.Write(std::vector<std::uint8_t>{1, 2, 3});
            out.CopyFrom(in, 512, 1);
            out.CopyFrom(in, 0, 0);
        });
        std::vector<std::uint8_t> expected(source.begin() + 1000, source.begin() + 71000);
        expected.insert(expected.end(), {1, 2, 3, source[512]});
        EXPECT_EQ(test_support::ReadFile(target), expected);
        EXPECT_THAT(
            [&] {
                WriteFileAtomically(target, [&](OutputFile& out) { out.CopyFrom(in, 299990, 20); });
            },
            ::testing::ThrowsMessage<IoError>(
                ::testing::StartsWith("cannot read " + input.string())));
        EXPECT_EQ(test_support::ReadFile(target), expected);
    }
}

}  // namespace
}  // namespace file_access
