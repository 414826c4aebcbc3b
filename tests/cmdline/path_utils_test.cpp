#include "cmdline/path_utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "automation/text_codec.h"
#include "framework/path_services.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr char16_t kWorkRun[] = uR"(D:\work\run)";

// A Windows current directory: ".." climbs one level and stays put at a drive
// root, anything else is taken as an absolute directory to move to.
class SimulatedDirectory final : public framework::CurrentDirectoryProvider {
  public:
    explicit SimulatedDirectory(std::u16string start) : current(std::move(start)) {}

    std::optional<std::u16string> Get() override {
        if (unreadable) {
            return std::nullopt;
        }
        if (read_after_climb && climbs > 0) {
            return read_after_climb();
        }
        return current;
    }

    bool Set(std::u16string_view path) override {
        ++sets;
        if (sets == throw_on_set) {
            throw std::bad_alloc();
        }
        if (path != u"..") {
            current = path;
            return true;
        }
        ++climbs;
        if (refuse_climbs) {
            return false;
        }
        constexpr std::size_t kRootLength = 3;  // "D:\"
        if (current.size() > kRootLength) {
            current.resize(std::max(current.rfind(u'\\'), kRootLength));
        }
        return true;
    }

    std::u16string current;
    int sets = 0;
    int climbs = 0;
    int throw_on_set = 0;  // the Set call (counted from 1) that runs out of memory
    bool refuse_climbs = false;
    bool unreadable = false;
    std::function<std::optional<std::u16string>()> read_after_climb;
};

std::string Narrow(std::u16string_view text) {
    return automation::ToUtf8(text);
}

std::u16string Resolved(std::u16string path) {
    CString text(std::move(path));
    ResolveFullPath(text);
    return text.str();
}

// ---------------------------------------------------------------------------
// The four helpers over the paths a user may type, against D:\work\run.

struct PathRow {
    const char16_t* path;
    const char16_t* resolved;  // null: the path comes back as given
    const char16_t* name;
    const char16_t* title;
    const char16_t* extension;
    int climbs;
};

void PrintTo(const PathRow& row, std::ostream* out) {
    *out << '"' << Narrow(row.path) << '"';
}

class PathTable : public ::testing::TestWithParam<PathRow> {
  protected:
    SimulatedDirectory directory_{kWorkRun};
    framework::ScopedCurrentDirectoryProvider scope_{directory_};
};

TEST_P(PathTable, ResolvesAndExtractsAndPutsTheDirectoryBack) {
    const PathRow& row = GetParam();
    const std::u16string expected = row.resolved != nullptr ? row.resolved : row.path;

    EXPECT_EQ(Narrow(Resolved(row.path)), Narrow(expected));
    EXPECT_EQ(directory_.current, kWorkRun);
    EXPECT_EQ(directory_.climbs, row.climbs);
    // Without parent steps the current directory is at most read.
    EXPECT_EQ(directory_.sets, row.climbs == 0 ? 0 : row.climbs + 1);

    const CString path(row.path);
    EXPECT_EQ(Narrow(ExtractFileName(path).str()), Narrow(row.name));
    EXPECT_EQ(directory_.current, kWorkRun);
    EXPECT_EQ(Narrow(ExtractFileTitle(path).str()), Narrow(row.title));
    EXPECT_EQ(directory_.current, kWorkRun);
    EXPECT_EQ(Narrow(ExtractFileExtension(path).str()), Narrow(row.extension));
    EXPECT_EQ(path, row.path);
}

INSTANTIATE_TEST_SUITE_P(
    UserPaths, PathTable,
    ::testing::Values(
        PathRow{uR"(D:\data\part.zbn)", nullptr, u"part.zbn", u"part", u"zbn", 0},
        PathRow{uR"(D:/data/part.zbn)", uR"(D:\data\part.zbn)", u"part.zbn", u"part", u"zbn", 0},
        PathRow{uR"(part.zbn)", uR"(D:\work\run\part.zbn)", u"part.zbn", u"part", u"zbn", 0},
        PathRow{uR"(sub\part.zbn)", uR"(D:\work\run\sub\part.zbn)", u"part.zbn", u"part", u"zbn",
                0},
        PathRow{uR"(.\part.zbn)", uR"(D:\work\run\.\part.zbn)", u"part.zbn", u"part", u"zbn", 0},
        PathRow{uR"(sub\..\x.zbn)", uR"(D:\work\run\sub\..\x.zbn)", u"x.zbn", u"x", u"zbn", 0},
        PathRow{uR"(..\part.zbn)", uR"(D:\work\part.zbn)", u"part.zbn", u"part", u"zbn", 1},
        PathRow{uR"(..\lib\part.zbn)", uR"(D:\work\lib\part.zbn)", u"part.zbn", u"part", u"zbn", 1},
        PathRow{uR"(..\..\part.zbn)", uR"(D:\\part.zbn)", u"part.zbn", u"part", u"zbn", 2},
        PathRow{uR"(..\..\..\part.zbn)", uR"(D:\\part.zbn)", u"part.zbn", u"part", u"zbn", 3},
        PathRow{uR"(../lib/part.zbn)", uR"(D:\work\lib\part.zbn)", u"part.zbn", u"part", u"zbn", 1},
        PathRow{uR"(..\)", uR"(D:\work\)", u"", u"", uR"(\)", 1},
        PathRow{uR"(\data\part.zbn)", uR"(D:\data\part.zbn)", u"part.zbn", u"part", u"zbn", 0},
        PathRow{uR"(\\server\share\part.zbn)", nullptr, u"part.zbn", u"part", u"zbn", 0},
        PathRow{uR"(//server/share/part.zbn)", uR"(\\server\share\part.zbn)", u"part.zbn", u"part",
                u"zbn", 0},
        PathRow{uR"(\\part.zbn)", uR"(D:\\part.zbn)", u"part.zbn", u"part", u"zbn", 0},
        PathRow{uR"(D:part.zbn)", nullptr, u"", u"", u"zbn", 0},
        PathRow{uR"(D:\data\)", nullptr, u"", u"", uR"(D:\data\)", 0},
        PathRow{uR"(D:\my.dir\part)", nullptr, u"part", u"part", uR"(dir\part)", 0},
        PathRow{uR"(D:\data\a.b.zbn)", nullptr, u"a.b.zbn", u"a.b", u"zbn", 0},
        PathRow{uR"(D:\data\.zbn)", nullptr, u".zbn", u"", u"zbn", 0},
        PathRow{uR"(D:\data\part.)", nullptr, u"part.", u"part", u"", 0},
        PathRow{uR"(D:\Data\Part.ZBN)", nullptr, u"Part.ZBN", u"Part", u"ZBN", 0},
        PathRow{u"", uR"(D:\work\run\)", u"", u"", u"", 0}));

TEST(PathUtils, ResolvesAgainstADriveRootWithTwoBackslashes) {
    SimulatedDirectory directory(uR"(D:\)");
    framework::ScopedCurrentDirectoryProvider scope(directory);

    EXPECT_EQ(Narrow(Resolved(u"part.zbn")), Narrow(uR"(D:\\part.zbn)"));
    EXPECT_EQ(Narrow(Resolved(uR"(..\part.zbn)")), Narrow(uR"(D:\\part.zbn)"));
    EXPECT_EQ(Narrow(ExtractFileName(u"part.zbn").str()), "part.zbn");
    EXPECT_EQ(directory.current, uR"(D:\)");
}

TEST(PathUtils, NetworkShareCurrentDirectoryGivesNoDrive) {
    SimulatedDirectory directory(uR"(\\server\share\run)");
    framework::ScopedCurrentDirectoryProvider scope(directory);

    EXPECT_EQ(Narrow(Resolved(uR"(/data/part.zbn)")), Narrow(uR"(\data\part.zbn)"));
    EXPECT_EQ(Narrow(Resolved(u"part.zbn")), Narrow(uR"(\\server\share\run\part.zbn)"));
}

// ---------------------------------------------------------------------------
// The working buffers: a component or current directory that fits is used, one
// character more leaves the path as it is once its slashes are turned.

std::u16string Repeat(char16_t c, std::size_t n) {
    return std::u16string(n, c);
}

struct LimitRow {
    const char* what;
    std::u16string current;
    std::u16string path;
    std::u16string resolved;
};

void PrintTo(const LimitRow& row, std::ostream* out) {
    *out << row.what;
}

class BufferLimits : public ::testing::TestWithParam<LimitRow> {};

TEST_P(BufferLimits, UsesWhatFitsAndLeavesTheRestAlone) {
    const LimitRow& row = GetParam();
    SimulatedDirectory directory(row.current);
    framework::ScopedCurrentDirectoryProvider scope(directory);

    EXPECT_EQ(Narrow(Resolved(row.path)), Narrow(row.resolved));
    EXPECT_EQ(directory.current, row.current);
}

// "\" + 253 letters + "\" is a directory of 255 characters.
const std::u16string kDir255 = u"/" + Repeat(u'd', 253) + u"/";
const std::u16string kDir256 = u"/" + Repeat(u'd', 254) + u"/";
const std::u16string kName255 = Repeat(u'n', 255);
const std::u16string kName256 = Repeat(u'n', 256);
// The extension counts its dot.
const std::u16string kExt255 = u"." + Repeat(u'e', 254);
const std::u16string kExt256 = u"." + Repeat(u'e', 255);
// "D:\" + 256 letters is a current directory of 259 characters.
const std::u16string kCwd259 = uR"(D:\)" + Repeat(u'c', 256);
const std::u16string kCwd260 = uR"(D:\)" + Repeat(u'c', 257);

std::u16string Backslashed(std::u16string text) {
    std::replace(text.begin(), text.end(), u'/', u'\\');
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    AtAndOverEachLimit, BufferLimits,
    ::testing::Values(
        LimitRow{"directory 255", kWorkRun, kDir255 + u"p.z",
                 u"D:" + Backslashed(kDir255) + u"p.z"},
        LimitRow{"directory 256", kWorkRun, kDir256 + u"p.z", Backslashed(kDir256) + u"p.z"},
        LimitRow{"parent steps in a directory of 255", kWorkRun,
                 u"../" + Repeat(u'd', 251) + u"/p.z",
                 uR"(D:\work\)" + Repeat(u'd', 251) + uR"(\p.z)"},
        LimitRow{"parent steps in a directory of 256", kWorkRun,
                 u"../" + Repeat(u'd', 252) + u"/p.z", uR"(..\)" + Repeat(u'd', 252) + uR"(\p.z)"},
        LimitRow{"file name 255", kWorkRun, u"x/" + kName255 + u".z",
                 uR"(D:\work\run\x\)" + kName255 + u".z"},
        LimitRow{"file name 256", kWorkRun, u"x/" + kName256 + u".z", uR"(x\)" + kName256 + u".z"},
        LimitRow{"extension 255", kWorkRun, u"x/p" + kExt255, uR"(D:\work\run\x\p)" + kExt255},
        LimitRow{"extension 256", kWorkRun, u"x/p" + kExt256, uR"(x\p)" + kExt256},
        LimitRow{"drive and all three components at their limits", kWorkRun,
                 u"D:" + kDir255 + kName255 + kExt255,
                 u"D:" + Backslashed(kDir255) + kName255 + kExt255},
        LimitRow{"current directory 259", kCwd259, u"x/p.z", kCwd259 + uR"(\x\p.z)"},
        LimitRow{"current directory 260", kCwd260, u"x/p.z", uR"(x\p.z)"},
        LimitRow{"current directory 260, rooted path", kCwd260, u"/x/p.z", uR"(\x\p.z)"},
        LimitRow{"current directory 260, parent step", kCwd260, u"../p.z", uR"(..\p.z)"},
        LimitRow{"current directory 259, its drive before a rooted path", kCwd259, u"/x/p.z",
                 uR"(D:\x\p.z)"}));

TEST(PathUtils, ClimbedDirectoryThatCannotBeReadLeavesThePathAndPutsTheDirectoryBack) {
    struct Case {
        const char* what;
        std::function<std::optional<std::u16string>()> read;
        std::u16string resolved;
    };
    const std::vector<Case> cases{
        {"unreadable", [] { return std::nullopt; }, uR"(..\p.z)"},
        {"260 characters", [] { return std::optional<std::u16string>(kCwd260); }, uR"(..\p.z)"},
        {"259 characters", [] { return std::optional<std::u16string>(kCwd259); },
         kCwd259 + uR"(\p.z)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimulatedDirectory directory(kWorkRun);
        directory.read_after_climb = c.read;
        framework::ScopedCurrentDirectoryProvider scope(directory);

        EXPECT_EQ(Narrow(Resolved(u"../p.z")), Narrow(c.resolved));
        EXPECT_EQ(directory.current, kWorkRun);
    }
}

TEST(PathUtils, UnreadableCurrentDirectoryLeavesRelativePathsAlone) {
    SimulatedDirectory directory(kWorkRun);
    directory.unreadable = true;
    framework::ScopedCurrentDirectoryProvider scope(directory);

    EXPECT_EQ(Narrow(Resolved(u"sub/part.zbn")), Narrow(uR"(sub\part.zbn)"));
    EXPECT_EQ(Narrow(Resolved(uR"(..\part.zbn)")), Narrow(uR"(..\part.zbn)"));
    EXPECT_EQ(Narrow(Resolved(u"/part.zbn")), Narrow(uR"(\part.zbn)"));
    EXPECT_EQ(Narrow(ExtractFileTitle(u"sub/part.zbn").str()), "part");
    EXPECT_EQ(directory.sets, 0);
}

// A bare name keeps its title when the current directory cannot be used, as
// in a folder deeper than the working buffer: the name is marked as relative
// to the current directory rather than left without any separator.
TEST(PathUtils, BareNameKeepsItsTitleWithoutTheCurrentDirectory) {
    struct Case {
        const char* what;
        bool unreadable;
        std::u16string current;
    };
    const std::vector<Case> cases{
        {"unreadable", true, kWorkRun},
        {"260 characters", false, kCwd260},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimulatedDirectory directory(c.current);
        directory.unreadable = c.unreadable;
        framework::ScopedCurrentDirectoryProvider scope(directory);

        EXPECT_EQ(Narrow(Resolved(u"part.zbn")), Narrow(uR"(.\part.zbn)"));
        EXPECT_EQ(Narrow(ExtractFileName(u"part.zbn").str()), "part.zbn");
        EXPECT_EQ(Narrow(ExtractFileTitle(u"part.zbn").str()), "part");
        EXPECT_EQ(Narrow(Resolved(u"")), Narrow(uR"(.\)"));
        EXPECT_EQ(Narrow(ExtractFileTitle(u"").str()), "");
        // A drive-relative name is not the current directory's business.
        EXPECT_EQ(Narrow(ExtractFileTitle(u"D:part.zbn").str()), "");
        EXPECT_EQ(directory.sets, 0);
    }
}

TEST(PathUtils, EmbeddedZeroIsNotCutOff) {
    SimulatedDirectory directory(kWorkRun);
    framework::ScopedCurrentDirectoryProvider scope(directory);

    const std::u16string path(u"a/b\0c.zbn", 9);
    EXPECT_EQ(Resolved(path), std::u16string(u"a\\b\0c.zbn", 9));
}

// ---------------------------------------------------------------------------
// Climbs that go wrong part way.

TEST(PathUtils, RefusedStepsAreStillDropped) {
    SimulatedDirectory directory(kWorkRun);
    directory.refuse_climbs = true;
    framework::ScopedCurrentDirectoryProvider scope(directory);

    EXPECT_EQ(Narrow(Resolved(uR"(..\..\lib\part.zbn)")), Narrow(uR"(D:\work\run\lib\part.zbn)"));
    EXPECT_EQ(directory.current, kWorkRun);
}

TEST(PathUtils, OutOfMemoryDuringAClimbPutsTheDirectoryBack) {
    for (int failing_step = 1; failing_step <= 3; ++failing_step) {
        SCOPED_TRACE(failing_step);
        SimulatedDirectory directory(kWorkRun);
        directory.throw_on_set = failing_step;
        framework::ScopedCurrentDirectoryProvider scope(directory);

        EXPECT_THROW(ExtractFileName(uR"(..\..\..\part.zbn)"), std::bad_alloc);
        EXPECT_EQ(directory.current, kWorkRun);
    }
}

TEST(PathUtils, OutOfMemoryWhilePuttingTheDirectoryBackIsNotReported) {
    SimulatedDirectory directory(kWorkRun);
    directory.throw_on_set = 3;  // two climbs, then the way back
    framework::ScopedCurrentDirectoryProvider scope(directory);

    std::u16string resolved;
    EXPECT_NO_THROW(resolved = Resolved(uR"(..\..\part.zbn)"));
    EXPECT_EQ(Narrow(resolved), Narrow(uR"(D:\\part.zbn)"));
}

// ---------------------------------------------------------------------------
// The platform calls underneath.

struct SplitRow {
    const char16_t* path;
    const char16_t* drive;
    const char16_t* dir;
    const char16_t* fname;
    const char16_t* ext;
};

void PrintTo(const SplitRow& row, std::ostream* out) {
    *out << '"' << Narrow(row.path) << '"';
}

// Buffers one character longer than they are said to be, the extra one a
// canary that must survive every call.
struct GuardedBuffer {
    static constexpr char16_t kCanary = u'#';
    explicit GuardedBuffer(std::size_t said_size) : size(said_size), text(said_size + 1, u'?') {
        text[said_size] = kCanary;
    }
    char16_t* data() { return text.data(); }
    std::u16string value() const { return std::u16string(text.c_str()); }
    bool intact() const { return text[size] == kCanary; }
    std::size_t size;
    std::u16string text;
};

class Split : public ::testing::TestWithParam<SplitRow> {};

TEST_P(Split, GivesTheFourComponents) {
    const SplitRow& row = GetParam();
    GuardedBuffer drive(3), dir(256), fname(256), ext(256);
    ASSERT_EQ(_wsplitpath_s(row.path, drive.data(), drive.size, dir.data(), dir.size, fname.data(),
                            fname.size, ext.data(), ext.size),
              0);
    EXPECT_EQ(Narrow(drive.value()), Narrow(row.drive));
    EXPECT_EQ(Narrow(dir.value()), Narrow(row.dir));
    EXPECT_EQ(Narrow(fname.value()), Narrow(row.fname));
    EXPECT_EQ(Narrow(ext.value()), Narrow(row.ext));
    EXPECT_EQ(Narrow(drive.value() + dir.value() + fname.value() + ext.value()), Narrow(row.path));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Split,
    ::testing::Values(SplitRow{uR"(D:\data\part.zbn)", u"D:", uR"(\data\)", u"part", u".zbn"},
                      SplitRow{uR"(D:/a\b/part.zbn)", u"D:", uR"(/a\b/)", u"part", u".zbn"},
                      SplitRow{uR"(D:part.zbn)", u"D:", u"", u"part", u".zbn"},
                      SplitRow{u"D:", u"D:", u"", u"", u""},
                      SplitRow{uR"(\\srv\share\x)", u"", uR"(\\srv\share\)", u"x", u""},
                      SplitRow{uR"(my.dir\part)", u"", uR"(my.dir\)", u"part", u""},
                      SplitRow{uR"(a.b.c)", u"", u"", u"a.b", u".c"},
                      SplitRow{uR"(.zbn)", u"", u"", u"", u".zbn"},
                      SplitRow{uR"(part.)", u"", u"", u"part", u"."},
                      SplitRow{uR"(dir\)", u"", uR"(dir\)", u"", u""},
                      SplitRow{u"ab:c", u"", u"", u"ab:c", u""},
                      SplitRow{u"", u"", u"", u"", u""}));

TEST(SplitPath, ComponentThatDoesNotFitEmptiesEveryBufferAndWritesNoFurther) {
    struct Case {
        const char* what;
        std::size_t drive, dir, fname, ext;
    };
    const std::vector<Case> cases{{"drive", 2, 256, 256, 256},
                                  {"directory", 3, 6, 256, 256},
                                  {"file name", 3, 256, 4, 256},
                                  {"extension", 3, 256, 256, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GuardedBuffer drive(c.drive), dir(c.dir), fname(c.fname), ext(c.ext);
        EXPECT_EQ(_wsplitpath_s(uR"(D:\data\part.zbn)", drive.data(), drive.size, dir.data(),
                                dir.size, fname.data(), fname.size, ext.data(), ext.size),
                  ERANGE);
        for (const GuardedBuffer* b : {&drive, &dir, &fname, &ext}) {
            EXPECT_EQ(b->value(), u"");
            EXPECT_TRUE(b->intact());
        }
    }
}

TEST(SplitPath, UnwantedComponentsAndBadArguments) {
    GuardedBuffer drive(3);
    EXPECT_EQ(
        _wsplitpath_s(uR"(D:\a\b.c)", drive.data(), drive.size, nullptr, 0, nullptr, 0, nullptr, 0),
        0);
    EXPECT_EQ(drive.value(), u"D:");

    GuardedBuffer dir(256);
    EXPECT_EQ(_wsplitpath_s(nullptr, drive.data(), drive.size, dir.data(), dir.size, nullptr, 0,
                            nullptr, 0),
              EINVAL);
    EXPECT_EQ(drive.value(), u"");
    EXPECT_EQ(_wsplitpath_s(u"a", drive.data(), 0, nullptr, 0, nullptr, 0, nullptr, 0), EINVAL);
    EXPECT_EQ(_wsplitpath_s(u"a", nullptr, 3, nullptr, 0, nullptr, 0, nullptr, 0), EINVAL);
    EXPECT_TRUE(drive.intact());
}

TEST(CurrentDirectoryCalls, KeepTheBufferContract) {
    SimulatedDirectory directory(uR"(D:\)");
    framework::ScopedCurrentDirectoryProvider scope(directory);

    GuardedBuffer exact(4);
    EXPECT_EQ(GetCurrentDirectoryW(4, exact.data()), 3u);
    EXPECT_EQ(exact.value(), uR"(D:\)");
    EXPECT_TRUE(exact.intact());

    GuardedBuffer small(3);
    EXPECT_EQ(GetCurrentDirectoryW(3, small.data()), 4u);
    EXPECT_EQ(small.text, u"???#");
    EXPECT_EQ(GetCurrentDirectoryW(0, nullptr), 4u);

    directory.unreadable = true;
    EXPECT_EQ(GetCurrentDirectoryW(4, exact.data()), 0u);

    EXPECT_EQ(SetCurrentDirectoryW(uR"(E:\x)"), TRUE);
    EXPECT_EQ(directory.current, uR"(E:\x)");
    EXPECT_EQ(SetCurrentDirectoryW(nullptr), FALSE);
}

TEST(CurrentDirectoryCalls, ProvidersNest) {
    SimulatedDirectory outer(uR"(D:\outer)");
    framework::ScopedCurrentDirectoryProvider outer_scope(outer);
    {
        SimulatedDirectory inner(uR"(E:\inner)");
        framework::ScopedCurrentDirectoryProvider inner_scope(inner);
        EXPECT_EQ(Narrow(Resolved(u"x")), Narrow(uR"(E:\inner\x)"));
    }
    EXPECT_EQ(Narrow(Resolved(u"x")), Narrow(uR"(D:\outer\x)"));
}

// ---------------------------------------------------------------------------
// The process's own current directory.

std::u16string ProcessDirectory() {
    return automation::DecodeOsString(fs::current_path().native());
}

// Works in a fresh directory tree of its own and leaves the process where it
// found it.
class RealDirectory : public ::testing::Test {
  protected:
    void TearDown() override { fs::current_path(original_); }
    void Enter(const fs::path& relative) {
        fs::create_directories(root_ / relative);
        fs::current_path(root_ / relative);
    }
    static std::u16string Os(const fs::path& p) { return automation::DecodeOsString(p.native()); }

    fs::path original_ = fs::current_path();
    test_support::TempFolder folder_{"zbn-path-utils"};
    fs::path root_ = fs::canonical(folder_.path());
};

TEST_F(RealDirectory, RelativePathGoesAfterTheCurrentDirectory) {
    Enter("run");
    const std::u16string before = ProcessDirectory();

    EXPECT_EQ(Narrow(Resolved(u"sub/part.zbn")), Narrow(Os(root_ / "run") + uR"(\sub\part.zbn)"));
    EXPECT_EQ(Narrow(ExtractFileTitle(u"part.zbn").str()), "part");
    EXPECT_EQ(ProcessDirectory(), before);
}

TEST_F(RealDirectory, ParentStepsClimbAndComeBack) {
    Enter("a/b/c");

    EXPECT_EQ(Narrow(Resolved(uR"(..\x.zbn)")), Narrow(Os(root_ / "a" / "b") + uR"(\x.zbn)"));
    EXPECT_EQ(Narrow(Resolved(u"../../y/x.zbn")), Narrow(Os(root_ / "a") + uR"(\y\x.zbn)"));
    EXPECT_EQ(ProcessDirectory(), Os(root_ / "a" / "b" / "c"));
}

TEST_F(RealDirectory, DirectoryNamedWithBytesThatAreNotUtf8ComesBackExactly) {
    const fs::path odd = fs::path("caf\xe9") / "\xff\xfe";
    Enter(odd);

    EXPECT_EQ(ExtractFileName(uR"(..\..\x.zbn)"), u"x.zbn");
    EXPECT_EQ(fs::current_path(), root_ / odd);
}

TEST_F(RealDirectory, ClimbOutOfADirectoryThatIsGoneStillTriesToComeBack) {
    Enter("gone/deeper");
    fs::remove_all(root_ / "gone");

    // getcwd cannot name a removed directory: nothing is read, nothing moves.
    EXPECT_EQ(Narrow(Resolved(u"../x.zbn")), Narrow(uR"(..\x.zbn)"));
}

}  // namespace
