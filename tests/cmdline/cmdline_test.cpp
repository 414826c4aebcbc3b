// The command line's helpers over the paths a user may type, run in a folder
// tree of their own: the absolute form, the file name and title (the slide
// title) and the extension, with the current directory always put back.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>

#include "automation/text_codec.h"
#include "cmdline/path_utils.h"
#include "framework/file.h"
#include "framework/fresh_file.h"
#include "support/helpers.h"

namespace {

namespace fs = std::filesystem;

std::u16string Os(const fs::path& path) {
    return automation::DecodeOsString(path.native());
}

std::u16string Resolved(std::u16string path) {
    CString text(std::move(path));
    ResolveFullPath(text);
    return text.str();
}

struct PathRow {
    // In `resolved` "<run>" and "<work>" stand for those folders.
    std::u16string path, resolved, title, extension;
};

// Works in <folder>/work/run and leaves the process where it found it.
class PathTable : public ::testing::TestWithParam<PathRow> {
  protected:
    void SetUp() override {
        fs::create_directories(root_ / "work/run");
        fs::current_path(root_ / "work/run");
    }
    void TearDown() override { fs::current_path(original_); }

    fs::path original_ = fs::current_path();
    test_support::TempFolder folder_{"zbn-path"};
    fs::path root_ = fs::canonical(folder_.path());
};

TEST_P(PathTable, ResolvesAndExtractsAndPutsTheDirectoryBack) {
    const PathRow& row = GetParam();
    std::u16string expected = row.resolved;
    for (const auto& [mark, folder] :
         {std::pair{u"<run>", root_ / "work/run"}, std::pair{u"<work>", root_ / "work"}}) {
        if (expected.starts_with(mark)) {
            expected = Os(folder) + expected.substr(std::u16string_view(mark).size());
        }
    }
    const fs::path before = fs::current_path();

    EXPECT_EQ(Resolved(row.path), expected);
    EXPECT_EQ(ExtractFileTitle(row.path).str(), row.title);
    EXPECT_EQ(ExtractFileExtension(row.path).str(), row.extension);
    EXPECT_EQ(fs::current_path(), before);
}

const std::u16string kLongName(256, u'n');

INSTANTIATE_TEST_SUITE_P(
    UserPaths, PathTable,
    ::testing::Values(
        PathRow{uR"(D:\data\part.zbn)", uR"(D:\data\part.zbn)", u"part", u"zbn"},
        PathRow{u"D:/data/part.zbn", uR"(D:\data\part.zbn)", u"part", u"zbn"},
        PathRow{u"part.zbn", uR"(<run>\part.zbn)", u"part", u"zbn"},
        PathRow{uR"(..\part.zbn)", uR"(<work>\part.zbn)", u"part", u"zbn"},
        // Surplus steps end at the root.
        PathRow{uR"(..\..\..\..\..\..\..\..\..\..\..\..\..\..\..\..\x.zbn)", uR"(/\x.zbn)", u"x",
                u"zbn"},
        PathRow{uR"(\data\part.zbn)", uR"(\data\part.zbn)", u"part", u"zbn"},
        PathRow{uR"(\\server\share\part.zbn)", uR"(\\server\share\part.zbn)", u"part", u"zbn"},
        PathRow{u"D:part.zbn", u"D:part.zbn", u"", u"zbn"},
        PathRow{uR"(D:\my.dir\part)", uR"(D:\my.dir\part)", u"part", uR"(dir\part)"},
        PathRow{uR"(D:\data\a.b.zbn)", uR"(D:\data\a.b.zbn)", u"a.b", u"zbn"},
        PathRow{uR"(D:\data\.zbn)", uR"(D:\data\.zbn)", u"", u"zbn"},
        PathRow{u"", uR"(<run>\)", u"", u""},
        // The split sees a path only up to a zero: one holding it stays whole.
        PathRow{std::u16string(u"a/b\0c.zbn", 9), std::u16string(u"a\\b\0c.zbn", 9),
                std::u16string(u"b\0c", 3), u"zbn"},
        // A name longer than the working buffer leaves the path as it is.
        PathRow{u"x/" + kLongName + u".z", uR"(x\)" + kLongName + u".z", kLongName, u"z"}));

// A file's descriptor is closed once: its end after Close closes nothing
// else, such as standard input.
TEST(FileTest, ClosesItsDescriptorOnce) {
    if (::fcntl(0, F_GETFD) == -1) {
        GTEST_SKIP() << "standard input is closed";
    }
    const test_support::TempFolder folder("zbn-file");
    {
        CFile file;
        ASSERT_TRUE(
            file.Open(Os(folder.path() / "f").c_str(), CFile::modeCreate | CFile::modeWrite));
        file.Close();
    }
    EXPECT_NE(::fcntl(0, F_GETFD), -1);
}

// The probe's file is removed only while it is the empty file the probe
// made: never a file that was there before, whatever errno held when it was
// looked for, nor one written to, nor another file in its place.
TEST(FreshFileTest, RemovesOnlyTheEmptyFileItMade) {
    const test_support::TempFolder folder("zbn-fresh");
    const fs::path path = folder.path() / "out.ppt", other = folder.path() / "other";
    const auto nothing = [] {};
    const auto written = [&] { std::ofstream(path, std::ios::app) << "x"; };
    const auto replaced = [&] {
        std::ofstream{other};
        fs::rename(other, path);
    };
    const std::tuple<const char*, bool, std::function<void()>, bool> kRows[] = {
        {"made", false, nothing, false},
        {"there before", true, nothing, true},
        {"written to", false, written, true},
        {"replaced", false, replaced, true},
    };
    for (const auto& [name, there_before, meanwhile, kept] : kRows) {
        fs::remove(path);
        if (there_before) {
            std::ofstream{path};
        }
        errno = ENOENT;  // left by an earlier call
        framework::FreshFile fresh(CString(Os(path)));
        std::ofstream(path, std::ios::app).flush();  // the probe
        fresh.NoteCreated();
        meanwhile();
        fresh.Discard();
        EXPECT_EQ(fs::exists(path), kept) << name;
    }
}

}  // namespace
