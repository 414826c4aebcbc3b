// Whole-file reads and all-or-nothing writes through the Windows file API:
// replacing, refusing what is not a file, and leaving nothing behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "pptfile/errors.h"
#include "pptfile/file_io.h"

namespace pptfile {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

class FileIoWin32Test : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zbn-file-io-" + std::to_string(std::random_device{}()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
            ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::set<std::wstring> Entries() const {
        std::set<std::wstring> names;
        for (const auto& e : fs::directory_iterator(dir_)) {
            names.insert(e.path().filename().wstring());
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
    fs::path dir_;
};

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

struct WrittenCase {
    const char* name;
    const wchar_t* file_name;
    std::size_t old_size;  // 0: no file there before
    std::size_t new_size;
};

class FileIoWritten : public FileIoWin32Test, public ::testing::WithParamInterface<WrittenCase> {};

TEST_P(FileIoWritten, HoldsExactlyTheNewBytesAndNoTemporary) {
    const WrittenCase& c = GetParam();
    const fs::path target = dir_ / c.file_name;
    if (c.old_size > 0) {
        WriteText(target, std::string(c.old_size, 'x'));
    }
    std::vector<std::uint8_t> bytes(c.new_size);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }

    WriteFileAtomically(target, bytes);

    EXPECT_EQ(ReadWholeFile(target), bytes);
    EXPECT_EQ(Entries(), (std::set<std::wstring>{c.file_name}));
}

INSTANTIATE_TEST_SUITE_P(
    Targets, FileIoWritten,
    ::testing::Values(WrittenCase{"New", L"new.ppt", 0, 5},
                      WrittenCase{"Empty", L"empty.ppt", 0, 0},
                      WrittenCase{"ReplacesALongerFileWhole", L"out.ppt", 10000, 5},
                      WrittenCase{"ReplacesAShorterFile", L"out.ppt", 3, 70000},
                      // More than the one-megabyte pieces the system calls take.
                      WrittenCase{"Large", L"large.ppt", 0, 5 * 1024 * 1024 + 3},
                      WrittenCase{"NonAsciiName", L"Gr\u00f6\u00dfe \u6570\u636e \U0001F600.ppt", 0,
                                  100},
                      WrittenCase{"LongName",
                                  L"nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"
                                  L"nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"
                                  L"nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"
                                  L"nnnnnnnnnnnnnnnnnnnnnnnn.ppt",
                                  0, 4}),
    [](const ::testing::TestParamInfo<WrittenCase>& param_info) { return param_info.param.name; });

struct RefusedCase {
    const char* name;
    // Returns the target, creating whatever stands in the way.
    fs::path (*make)(const fs::path& dir);
    const char* reason;  // null: the system's own words
};

class FileIoRefused : public FileIoWin32Test, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(FileIoRefused, RaisesIoErrorNamingThePathAndLeavesNothingBehind) {
    const RefusedCase& c = GetParam();
    const fs::path target = c.make(dir_);
    const std::set<std::wstring> before = Entries();
    try {
        WriteFileAtomically(target, Bytes("new content"));
        FAIL() << "wrote to " << Utf8(target);
    } catch (const IoError& e) {
        const std::string prefix = "cannot write " + Utf8(target) + ": ";
        const std::string message = e.what();
        ASSERT_EQ(message.rfind(prefix, 0), 0u) << message;
        const std::string reason = message.substr(prefix.size());
        if (c.reason != nullptr) {
            EXPECT_EQ(reason, c.reason);
        } else {
            EXPECT_FALSE(reason.empty());
            EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << reason;
        }
    }
    EXPECT_EQ(Entries(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, FileIoRefused,
    ::testing::Values(RefusedCase{"Directory",
                                  [](const fs::path& dir) {
                                      fs::create_directory(dir / "sub");
                                      return dir / "sub";
                                  },
                                  "not a regular file"},
                      RefusedCase{"NulDevice", [](const fs::path&) { return fs::path(L"NUL"); },
                                  "not a regular file"},
                      RefusedCase{"MissingFolder",
                                  [](const fs::path& dir) { return dir / "missing" / "out.ppt"; },
                                  nullptr}),
    [](const ::testing::TestParamInfo<RefusedCase>& param_info) { return param_info.param.name; });

TEST_F(FileIoWin32Test, AReadOnlyTargetKeepsItsContent) {
    const fs::path target = dir_ / "out.ppt";
    WriteText(target, "old content");
    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_THROW(WriteFileAtomically(target, Bytes("new content")), IoError);
    EXPECT_EQ(ReadText(target), "old content");
    EXPECT_EQ(Entries(), (std::set<std::wstring>{L"out.ppt"}));
}

TEST_F(FileIoWin32Test, ReadWholeFileNamesThePathAndTheReason) {
    const fs::path absent = dir_ / L"abw\u00e9send.ppt";
    try {
        ReadWholeFile(absent);
        FAIL();
    } catch (const IoError& e) {
        const std::string message = e.what();
        const std::string prefix = "cannot read " + Utf8(absent) + ": ";
        EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
        EXPECT_GT(message.size(), prefix.size());
    }
    EXPECT_THROW(ReadWholeFile(dir_), IoError);
}

}  // namespace
}  // namespace pptfile
