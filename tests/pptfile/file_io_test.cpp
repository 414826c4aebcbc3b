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

class FileIoTest : public ::testing::Test {
  protected:
    // A read-only folder is made writable again so that it can go.
    void TearDown() override { fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add); }
    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) {
            names.insert(e.path().filename().string());
        }
        return names;
    }
    static void WriteText(const fs::path& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    }
    static std::string ReadText(const fs::path& p) {
        const auto bytes = ReadWholeFile(p);
        return {bytes.begin(), bytes.end()};
    }
    test_support::TempFolder folder_{"zbn-file-io"};
    const fs::path& dir_ = folder_.path();
};

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST_F(FileIoTest, CreatesTheFileWithThePermissionsOfANewFile) {
    const fs::path target = dir_ / (std::string(200, 'n') + "Größe.ppt");
    WriteFileAtomically(target, Bytes("hello"));
    EXPECT_EQ(ReadText(target), "hello");
    EXPECT_EQ(Entries(), (std::set<std::string>{target.filename().string()}));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}


TEST_F(FileIoTest, AReplacedFileKeepsItsPermissions) {
    const fs::path target = dir_ / "private.ppt";
    WriteText(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    WriteFileAtomically(target, Bytes("new"));
    EXPECT_EQ(ReadText(target), "new");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(FileIoTest, WritesEmptyAndLargeContents) {
    WriteText(dir_ / "sized.ppt", std::string(10000, 'x'));  // replaced whole
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{5 * 1024 * 1024 + 3}}) {
        const fs::path target = dir_ / "sized.ppt";
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7);
        }
        WriteFileAtomically(target, bytes);
        EXPECT_EQ(ReadWholeFile(target), bytes) << size;
        EXPECT_EQ(Entries(), (std::set<std::string>{"sized.ppt"}));
    }
}


struct RefusedCase {
    const char* name;
    // Returns the target, creating whatever stands in the way.
    fs::path (*make)(const fs::path& dir);
};

class FileIoRefused : public FileIoTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(FileIoRefused, RaisesIoErrorAndLeavesNothingBehind) {
    const fs::path target = GetParam().make(dir_);
    const std::set<std::string> before = Entries();
    try {
        WriteFileAtomically(target, Bytes("new content"));
        FAIL() << "wrote to " << target;
    } catch (const IoError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("cannot write " + target.string() + ": ", 0), 0u)
            << e.what();
    }
    EXPECT_EQ(Entries(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, FileIoRefused,
    ::testing::Values(RefusedCase{"DevNull", [](const fs::path&) { return fs::path("/dev/null"); }},
                      RefusedCase{"Directory",
                                  [](const fs::path& dir) {
                                      fs::create_directory(dir / "sub");
                                      return dir / "sub";
                                  }},
                      RefusedCase{"MissingFolder",
                                  [](const fs::path& dir) { return dir / "missing" / "out.ppt"; }},
                      RefusedCase{"Fifo",
                                  [](const fs::path& dir) {
                                      ::mkfifo((dir / "pipe").c_str(), 0600);
                                      return dir / "pipe";
                                  }}),
    [](const ::testing::TestParamInfo<RefusedCase>& param_info) { return param_info.param.name; });

TEST_F(FileIoTest, ReadOnlyFolderLeavesTheTargetUntouched) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes to read-only folders";
    }
    const fs::path target = dir_ / "out.ppt";
    WriteText(target, "old content");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(WriteFileAtomically(target, Bytes("new content")), IoError);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(ReadText(target), "old content");
    EXPECT_EQ(Entries(), (std::set<std::string>{"out.ppt"}));
}

TEST_F(FileIoTest, ReadWholeFileNamesThePathAndTheReason) {
    try {
        ReadWholeFile(dir_ / "absent.ppt");
        FAIL();
    } catch (const IoError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "cannot read " + (dir_ / "absent.ppt").string() + ": No such file or directory");
    }
    EXPECT_THROW(ReadWholeFile(dir_), IoError);
}

}  // namespace
}  // namespace pptfile
