// The built program in a fresh folder: exact messages, exit status, and files.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "automation/text_codec.h"
#include "bench/hostile_edit.h"
#include "support/compound.h"
#include "support/helpers.h"
#include "support/ppt_records.h"
#include "viewer/viewer_control_class.h"

namespace {

using namespace test_support;
namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

struct Outcome {
    int status;  // the exit status, or minus the signal that ended the program
    std::string out, err;
};

// Run as "nobody" (root passes every permission check), with files of at
// most `file_size` bytes, and standard error a pipe whose reader has gone.
struct Options {
    bool as_nobody = false;
    rlim_t file_size = RLIM_INFINITY;
    bool stderr_gone = false;
};

// Runs `program` with `arguments` in `folder`, its output captured elsewhere.
Outcome Start(const std::string& program, std::vector<std::string> arguments,
              const fs::path& folder, const Options& options = {}) {
    const TempFolder capture("zbn2ppt-cli");
    const std::string out = capture.path() / "out", err = capture.path() / "err";
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv(arguments.size() + 1);  // ending in a null pointer
    std::ranges::transform(arguments, argv.begin(), [](std::string& s) { return s.data(); });
    const passwd* nobody = options.as_nobody ? ::getpwnam("nobody") : nullptr;
    // Made before the child starts, so that they are there however early it ends.
    int gone[2] = {-1, -1};
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const int e = options.stderr_gone
                      ? (::pipe2(gone, O_CLOEXEC) == 0 && ::close(gone[0]) == 0 ? gone[1] : -1)
                      : ::open(err.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit file_size{options.file_size, options.file_size};
        if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 || ::close(0) != 0 ||
            ::chdir(folder.c_str()) != 0 || ::setrlimit(RLIMIT_FSIZE, &file_size) != 0 ||
            (nobody != nullptr && (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
                                   ::setuid(nobody->pw_uid) != 0))) {
            ::_exit(127);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(o);
    ::close(e);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status), ReadFile<std::string>(out),
            options.stderr_gone ? "" : ReadFile<std::string>(err)};
}

// Relative path -> content ("<saved>": a compound file not in `known`),
// "<dir>", or "-> " and a link's target. For Prepare, "== " and a name
// makes a hard link to that file.
Files List(const fs::path& folder, const Files& known = {}) {
    Files entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string& content = entries[entry.path().lexically_relative(folder).string()];
        if (entry.is_symlink()) {
            content = "-> " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_directory()) {
            content = "<dir>";
        } else {
            content = ReadFile<std::string>(entry.path());
            const auto old = known.find(entry.path().lexically_relative(folder).string());
            if (content.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") &&
                (old == known.end() || old->second != content)) {
                content = "<saved>";
            }
        }
    }
    return entries;
}

const std::string kUsage =
    "Command Line Usage:\n"
    "\"ApplicationName.exe\" \"path\\inputFile.zbn\" \"path\\outputFile.ppt\" "
    "\"path\\powerPointTempalateFile.pot\"  \n"
    "\nE.g."
    "\nc:\\...\\bin>KWP2PPT.exe \"C:\\bracket_multiple.zbn\"  \"C:\\bracket_Multiple.ppt\"  "
    "\"C:\\TrelvoTemplate.pot\" \n"
    "\nHere,\n"
    "param[0] = \"Zbn2PPT.exe\"                 : Application\n"
    "param[1] = \"C:\\bracket_multiple.zbn\"    : Input data File\n"
    "param[2] = \"C:\\bracket_Multiple.ppt\"    : Output MS-PowerPoint Presentation file, where "
    "zbn is linked in TrelvoPresenter\n"
    "The followings are OPTIONAL parameters, but has to be in the same order.\n"
    "param[3] = \"C:\\TrelvoTemplate.pot\"     : MS-PowerPoint Template file. \n"
    "\n\nNote: This is application is just a Beta Demo Version to show ppt creation for zbn\n"
    "\n\n      Dependencies :\n"
    "                  1.Trelvo Presenter 2009 and above\n"
    "                  2.MS-PowerPoint2003 and above\n";

const std::string kBadOutput = "Error\nERROR! INVALID OUTPUT FILE\n\n" + kUsage;
const std::string kBadData = "Error\nERROR! INVALID INPUTFILE EXTENSION\n\n" + kUsage;
const std::string kMissingTemplate = "Warning\nWarning!  MS-PowerPoint Template.\n\n" + kUsage;
const std::string kBadTemplate =
    "Error\nERROR! UNSUPPORTED MS-PowerPoint Template FILE EXTENSION. Supported Formats: "
    ".pot\n\n" +
    kUsage;

// Entries as List gives them; the last two only made for a case.
constexpr const char* kDir = "<dir>";
constexpr const char* kSaved = "<saved>";
constexpr const char* kPrecious = "precious bytes\n";
constexpr const char* kStickyDir = "<sticky dir>";
constexpr const char* kAnyoneMayWrite = "anyone may write this\n";

using Doc = std::vector<std::uint8_t>;

// SampleShow.ppt as t.pot beside `files`, with `change` made to its entries.
template <typename Change>
Files Template(Change change, Files files = {}) {
    cfb::StorageEntry root = ReadTree(ReadFile(kTestData / "good/SampleShow.ppt"));
    change(root, Data(*root.Find(u"PowerPoint Document")));
    const std::vector<std::uint8_t> bytes = cfb::WriteCompoundFile(root);
    files["t.pot"] = {bytes.begin(), bytes.end()};
    return files;
}

// The last drawing ([MS-ODRAW] 2.2.49: OfficeArtFDG) numbered 4095, the
// largest drawing id.
void LastDrawingIdAtMaximum(cfb::StorageEntry&, Doc& doc) {
    const std::size_t fdg = Find(doc, kFdg).back().at;
    doc[fdg] = 0xF0;
    doc[fdg + 1] = 0xFF;
}

// [MS-PPT] 2.3.3: the last user edit's persistIdSeed all ones.
void PersistIdSeedAtMaximum(cfb::StorageEntry&, Doc& doc) {
    Put32(doc, Find(doc, kUserEditAtom).back().Body() + 20, 0xFFFFFFFF);
}

// The environment's last child runs on over the records after it ([MS-PPT] 2.4.1).
void OverrunEnvironment(cfb::StorageEntry&, Doc& doc) {
    const Record environment = Find(doc, 0x03F2).at(0);
    std::size_t last = environment.Body();
    for (std::size_t at = last; at < environment.End(); at += 8 + Le32(doc, at + 4)) {
        last = at;
    }
    Put32(doc, last + 4, Le32(doc, last + 4) + 30000);
}

struct CliCase {
    const char* name;
    std::vector<std::string> arguments;
    Files before;
    std::string messages;  // standard error, exactly
    int status;
    Files changed;  // the entries that List gives otherwise than `before` after the run
    Options options = {};
    // The last slide's title of out.ppt, which has t.pot's slides before it
    // (read as Apache POI reads them, from a PP97_DUALSTORAGE if there is one)
    // and takes less than twice t.pot's bytes.
    std::u16string title = u"";
    bool counts_slides = true;  // in the document properties, which a save may keep
};

std::vector<CliCase> Cases() {
    const auto probe_failure = [](const std::string& why) {
        return "Error\nERROR! INVALID OUTPUT FILE\n\n" + why + "\n\n" + kUsage;
    };
    const auto refused = [](const std::string& reason) { return "Zbn2PPT\n" + reason + "\n"; };
    // A refused template leaves the output and itself as they were.
    const std::string control_name = "d\x1b[2J\x07\xC2\x9B.pot";
    const Files ppt95{{"out.ppt", kPrecious},
                      {control_name, ReadFile<std::string>(kTestData / "bad/PPT95.ppt")}};
    const std::string kSaveFailed = "Could not save the presentation as ";
    const std::string kNoIdsLeft = kSaveFailed + "\"out.ppt\": the template has no ";
    // Whatever leads there, the data file is never written.
    const Files data_link{{"sub", kDir}, {"real.zbn", kPrecious}, {"real.ppt", "-> real.zbn"}};
    const std::string kDamaged = "Could not open the template \"t.pot\": the file is damaged: ";
    const std::vector<std::string> with_template = {"d.zbn", "out.ppt", "t.pot"};
    const Files saved{{"out.ppt", kSaved}};
    return {
        // clang-format off
    {"NoArguments", {}, {}, "Help\n" + kUsage, 2, {}},
    {"OneArgumentWithoutZbn", {"data.txt"}, {}, kBadOutput, 2, {}},
    {"EmptyOutputArgumentIsNotDerived", {"d.zbn", ""}, {}, probe_failure("No such file or directory"), 2, {}},
    {"OutputIsAFolder", {"d.zbn", "out.ppt"}, {{"out.ppt", kDir}}, probe_failure("Is a directory"), 2, {}},
    {"DataExtensionWrong", {"d.txt", "keep.ppt"}, {{"keep.ppt", kPrecious}}, kBadData, 2, {}},
    {"DerivedOutputKept", {"x.zbn.bak"}, {{"x.ppt.bak", kPrecious}}, kBadData, 2, {}},
    {"OutputExtensionWrong", {"d.zbn", "o.pptx"}, {}, "Error\nERROR! UNSUPPORTED OUTPUT FILE EXTENSION. Supported Formats: .ppt\n\n" + kUsage, 2, {{"o.pptx", ""}}},
    {"TemplateExtensionWrong", {"d.zbn", "keep.ppt", "T.potx"}, {{"keep.ppt", kPrecious}}, kBadTemplate, 2, {}},
    {"EmptyTemplateArgument", {"d.zbn", "o.ppt", ""}, {}, kBadTemplate, 2, {{"o.ppt", ""}}},
    {"TemplateMissing", {"d.zbn", "o.ppt", "none.pot"}, {}, kMissingTemplate, 0, {{"o.ppt", kSaved}}},
    {"TemplateIsNoPresentation", {"d.zbn", "o.ppt", " T.POT ", "ignored"}, {{"T.POT", "t"}}, refused("Could not open the template \"T.POT\": not a PowerPoint 97-2003 file"), 1, {}},
    {"BlanksAroundTheOnlyArgument", {"  d.zbn \t\n\v\f\r"}, {}, "", 0, {{"d.ppt", kSaved}}},
    {"NonUtf8NameDerivesTheSameBytes", {"caf\xE9\xFF.zbn"}, {}, "", 0, {{"caf\xE9\xFF.ppt", kSaved}}},
    // The new slide's title is the data file's name as a person reads it: a
    // backslash is a letter of a POSIX name, and each byte that is no UTF-8
    // is U+FFFD.
    {"TitleWithABackslash", {"back\\slash.zbn", "out.ppt"}, {}, "", 0, saved, {}, u"back\\slash"},
    {"TitleOfNoUtf8", {"\xff\xfe\x80" "bad.zbn", "out.ppt"}, {}, "", 0, saved, {}, u"\uFFFD\uFFFD\uFFFDbad"},
    {"OutputIsALink", {"d.zbn", "link.ppt"}, {{"real.ppt", kPrecious}, {"link.ppt", "-> real.ppt"}}, "", 0, {{"real.ppt", kSaved}}},
    {"OutputIsADanglingLink", {"d.zbn", "link.ppt"}, {{"link.ppt", "-> new.ppt"}}, "", 0, {{"new.ppt", kSaved}}},
    {"OutputIsALinkToTheDataFile", {"sub/../real.zbn", "real.ppt"}, data_link, refused(kSaveFailed + "\"real.ppt\": Presentation.SaveAs: real.ppt is the data file of a control on a slide; it is only read, never written"), 1, {}},
    {"OutputIsAHardLinkToTheDataFile", {"real.zbn", "h.ppt"}, {{"real.zbn", kPrecious}, {"h.ppt", "== real.zbn"}}, refused(kSaveFailed + "\"h.ppt\": Presentation.SaveAs: h.ppt is the data file of a control on a slide; it is only read, never written"), 1, {{"h.ppt", kPrecious}}},
    {"FileSizeLimitReached", {"d.zbn", "out.ppt"}, {}, refused(kSaveFailed + "\"out.ppt\": cannot write out.ppt: File too large"), 1, {}, {.file_size = 4096}},
    {"MessagesCannotBeWritten", {"d.zbn", "o.ppt", "none.pot"}, {}, "", 0, {{"o.ppt", kSaved}}, {.stderr_gone = true}},
    {"FolderRefusesNewFiles", {"d.zbn", "ro/out.ppt"}, {{"ro", kDir}, {"ro/out.ppt", kAnyoneMayWrite}}, refused("Could not save the presentation as \"ro/out.ppt\": cannot write ro/out.ppt: no new file may be made in the folder \"ro\" (Permission denied)"), 1, {}, {.as_nobody = true}},
    {"StickyFolderKeepsAnotherUsersFile", {"d.zbn", "st/out.ppt"}, {{"st", kStickyDir}, {"st/out.ppt", kAnyoneMayWrite}}, refused("Could not save the presentation as \"st/out.ppt\": cannot write st/out.ppt: the folder \"st\" lets only a file's owner replace it, and out.ppt belongs to another user (Operation not permitted)"), 1, {{"st", kDir}}, {.as_nobody = true}},
    {"TemplateControlCharactersInTheName", {"d.zbn", "out.ppt", control_name}, ppt95, refused("Could not open the template \"d\\x1b[2J\\x07\\u009b.pot\": a PowerPoint 95 or older file, not 97-2003"), 1, {}},
    {"TemplatePersistIdSeedAtMaximum", with_template, Template(PersistIdSeedAtMaximum, {{"out.ppt", kPrecious}}), refused(kNoIdsLeft + "persist identifiers left for new slides"), 1, {}},
    // [MS-ODRAW] 2.2.48: the drawing group's count of drawings saved.
    {"TemplateDrawingIdAtMaximum", with_template, Template(LastDrawingIdAtMaximum, {{"out.ppt", kPrecious}}), refused(kNoIdsLeft + "drawing identifiers left for new slides"), 1, {}},
    {"TemplateClusterTableIsGarbage", with_template, Template([](cfb::StorageEntry& root, Doc&) { hostile::GarbageClusterTable(root); }), "", 0, saved, {}, u"d"},
    // [MS-OLEPS] 2.20: property values in order of offset.
    {"TemplatePropertiesShareOneValue", with_template, Template([](cfb::StorageEntry& root, Doc&) { Data(*root.Find(u"\u0005DocumentSummaryInformation")) = hostile::SharedValueProperties(2048, 4096); }), "", 0, saved, {}, u"d", false},
    {"TemplateEnvironmentOverrunsItsContainer", with_template, Template(OverrunEnvironment), refused(kDamaged + "a record runs past the end of its container"), 1, {}},
        // clang-format on
    };
}

void Prepare(const fs::path& folder, const Files& files) {
    for (const auto& [name, content] : files) {
        const fs::path path = folder / name;
        if (content == kDir || content == kStickyDir) {
            fs::create_directories(path);
            if (content == kStickyDir) {
                fs::permissions(path, fs::perms(01777));
            }
        } else if (content.starts_with("-> ")) {
            fs::create_symlink(content.substr(3), path);
        } else if (!content.starts_with("== ")) {
            std::ofstream(path, std::ios::binary) << content;
            if (content == kAnyoneMayWrite) {
                fs::permissions(path, fs::perms(0666));
            }
        }
    }
    for (const auto& [name, content] : files) {
        if (content.starts_with("== ")) {
            fs::create_hard_link(folder / content.substr(3), folder / name);
        }
    }
}

class CliTest : public ::testing::TestWithParam<CliCase> {};

TEST_P(CliTest, MessagesStatusAndFiles) {
    const CliCase& c = GetParam();
    if (c.options.as_nobody && ::geteuid() != 0) {
        GTEST_SKIP() << "needs root, to run the program as a user who does not own the folder";
    }
    const TempFolder folder("zbn2ppt-cli");
    fs::permissions(folder.path(), fs::perms(0711));
    Prepare(folder.path(), c.before);

    const Outcome run = Start(ZBN2PPT_PROGRAM, c.arguments, folder.path(), c.options);

    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.messages);
    EXPECT_EQ(run.status, c.status);
    Files after = c.changed;
    after.merge(Files(c.before));
    EXPECT_EQ(List(folder.path(), c.before), after);
    std::size_t slides = 1;
    if (!c.title.empty() && c.before.contains("t.pot")) {
        EXPECT_LT(fs::file_size(folder.path() / "out.ppt"),
                  2 * fs::file_size(folder.path() / "t.pot"));
        slides += Open(ReadFile(folder.path() / "t.pot")).Slides().size();
    }
#ifdef ZBN_OLEFILE_PYTHON
    // python3-olefile reads each saved file back, its sibling trees in order,
    // and the document properties of a presentation with the title checked.
    for (const auto& [name, content] : after) {
        if (content == kSaved) {
            const std::string command =
                std::string(ZBN_OLEFILE_PYTHON) + " " + ZBN_OLEFILE_SCRIPT + " '" +
                (folder.path() / name).string() + "' " +
                (c.title.empty() || !c.counts_slides ? "" : std::to_string(slides)) +
                " > /dev/null";
            EXPECT_EQ(std::system(command.c_str()), 0) << name;
        }
    }
#endif
    if (!c.title.empty()) {
        const auto bytes = ReadFile(folder.path() / "out.ppt");
        const auto saved = Open(bytes);
        ASSERT_EQ(saved.Slides().size(), slides);
        EXPECT_EQ(saved.Slides().back().title, c.title);
        // The viewer, centred on the 720-point slide 2 points below the title
        // (in master units: top, left, right, bottom), bound to the data file
        // as it was named, whatever its bytes.
        const auto controls = Controls(bytes);
        ASSERT_EQ(controls.size(), 1u);
        EXPECT_EQ(controls[0].prog_id, u"TRELVO.TrelvoCtrl.1");
        EXPECT_EQ(controls[0].clsid, viewer::kViewerControlClsid.bytes);
        EXPECT_EQ(controls[0].anchor, (std::vector<std::int32_t>{909, 480, 5280, 4109}));
        EXPECT_EQ(ViewerStatePath(controls[0].state), automation::DecodeOsString(c.arguments[0]));
    }
}

INSTANTIATE_TEST_SUITE_P(Requests, CliTest, ::testing::ValuesIn(Cases()), CaseName());

// With SOURCE_DATE_EPOCH, every time the file records is that time
// ([MS-OLEPS] 2.13: 100-nanosecond intervals since 1601), and the same inputs
// give the same bytes. A time before 1970 or past the clock's reach is not taken.
TEST(Reproducible, SameInputsGiveTheSameBytes) {
    const TempFolder folder("zbn2ppt-cli");
    fs::copy_file(kTestData / "good/SampleShow.ppt", folder.path() / "t.pot");
    const auto run = [&](std::int64_t epoch, bool recorded = true) {
        ::setenv("SOURCE_DATE_EPOCH", std::to_string(epoch).c_str(), 1);
        EXPECT_EQ(Start(ZBN2PPT_PROGRAM, {"d.zbn", "a.ppt", "t.pot"}, folder.path()).status, 0);
        ::unsetenv("SOURCE_DATE_EPOCH");
        const auto file = ReadFile(folder.path() / "a.ppt");
        const auto time = static_cast<std::uint64_t>((epoch + 11644473600) * 10000000);
        std::vector<std::uint8_t> at_epoch(8);
        Put32(at_epoch, 0, static_cast<std::uint32_t>(time));
        Put32(at_epoch, 4, static_cast<std::uint32_t>(time >> 32));
        const auto summary = StreamOf(file, u"\x05SummaryInformation");
        EXPECT_EQ(std::ranges::search(summary, at_epoch).empty(), !recorded) << epoch;
        return file;
    };
    EXPECT_EQ(run(1700000000), run(1700000000));
    run(-1, false);
    run(253402300799, false);  // the end of 9999
}

}  // namespace
