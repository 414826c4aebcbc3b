// The program as a user meets it: each request runs the built executable in
// a fresh folder; standard error must hold exactly the expected message boxes,
// the exit status must tell how the request ended, and the folder must hold
// exactly the expected files. An existing output is never emptied, and a
// refused template costs one message and nothing else.
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "pptfile/compound_file.h"
#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

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
std::string ProbeFailure(const std::string& description) {
    return "Error\nERROR! INVALID OUTPUT FILE\n\n" + description + "\n\n" + kUsage;
}
std::string Refused(const std::string& reason) {
    return "Zbn2PPT\n" + reason + "\n";
}

// Folder entries, as cli::ListFolder gives them; a link is "-> " and what it
// names. kSaved stands for a new presentation.
constexpr const char* kDir = "<dir>";
constexpr const char* kSaved = "<saved>";
constexpr const char* kPrecious = "precious bytes\n";
// Made for the case only: a folder anyone may write to but where only a
// file's owner may replace it, and a file anyone may write.
constexpr const char* kStickyDir = "<sticky dir>";
constexpr const char* kAnyoneMayWrite = "anyone may write this\n";

struct CliCase {
    const char* name;
    std::vector<std::string> arguments;
    Files before;
    std::string messages;  // standard error, exactly
    int status;
    Files after;
    bool as_nobody = false;  // run as a user who does not own the folder
};

void PrintTo(const CliCase& c, std::ostream* out) {
    *out << c.name;
}

const std::string kNotATemplate =
    Refused("Could not open the template \"T.POT\": not a PowerPoint 97-2003 file");

const CliCase kCases[] = {
    // clang-format off
    {"NoArguments", {}, {}, "Help\n" + kUsage, 2, {}},
    {"OneArgumentWithoutZbn", {"data.txt"}, {}, kBadOutput, 2, {}},
    {"UpperCaseZbnIsNotReplaced", {"M.ZBN"}, {}, kBadOutput, 2, {}},
    {"ZbnTwice", {"a.zbn\\b.zbn"}, {}, kBadOutput, 2, {}},
    {"EmptyOutputArgumentIsNotDerived", {"d.zbn", ""}, {}, ProbeFailure("No such file or directory"), 2, {}},
    {"OutputInMissingFolder", {"d.txt", "missing/o.ppt"}, {}, ProbeFailure("No such file or directory"), 2, {}},
    {"OutputIsAFolder", {"d.zbn", "out.ppt"}, {{"out.ppt", kDir}}, ProbeFailure("Is a directory"), 2, {{"out.ppt", kDir}}},
    {"DataExtensionWrong", {"d.txt", "keep.ppt"}, {{"keep.ppt", kPrecious}}, kBadData, 2, {{"keep.ppt", kPrecious}}},
    {"DerivedOutputKept", {"x.zbn.bak"}, {{"x.ppt.bak", kPrecious}}, kBadData, 2, {{"x.ppt.bak", kPrecious}}},
    {"OutputExtensionWrong", {"d.zbn", "o.pptx"}, {}, "Error\nERROR! UNSUPPORTED OUTPUT FILE EXTENSION. Supported Formats: .ppt\n\n" + kUsage, 2, {{"o.pptx", ""}}},
    {"TemplateExtensionWrong", {"d.zbn", "keep.ppt", "T.potx"}, {{"keep.ppt", kPrecious}}, kBadTemplate, 2, {{"keep.ppt", kPrecious}}},
    {"EmptyTemplateArgument", {"d.zbn", "o.ppt", ""}, {}, kBadTemplate, 2, {{"o.ppt", ""}}},
    {"TemplateMissing", {"d.zbn", "o.ppt", "none.pot"}, {}, kMissingTemplate, 0, {{"o.ppt", kSaved}}},
    {"TemplateIsAFolder", {"d.zbn", "o.ppt", "t.pot"}, {{"t.pot", kDir}}, kMissingTemplate, 0, {{"o.ppt", kSaved}, {"t.pot", kDir}}},
    {"TemplateIsNoPresentation", {"d.zbn", "o.ppt", " T.POT ", "ignored"}, {{"T.POT", "t"}}, kNotATemplate, 1, {{"o.ppt", ""}, {"T.POT", "t"}}},
    {"BlanksAroundTheOnlyArgument", {"  d.zbn \t"}, {}, "", 0, {{"d.ppt", kSaved}}},
    {"BlanksAroundTheOutput", {"d.zbn", " o.ppt\t"}, {}, "", 0, {{"o.ppt", kSaved}}},
    {"NonUtf8NameDerivesTheSameBytes", {"caf\xE9\xFF.zbn"}, {}, "", 0, {{"caf\xE9\xFF.ppt", kSaved}}},
    {"OutputIsALink", {"d.zbn", "link.ppt"}, {{"real.ppt", kPrecious}, {"link.ppt", "-> real.ppt"}}, "", 0,
     {{"link.ppt", "-> real.ppt"}, {"real.ppt", kSaved}}},
    {"OutputIsADanglingLink", {"d.zbn", "link.ppt"}, {{"link.ppt", "-> new.ppt"}}, "", 0, {{"link.ppt", "-> new.ppt"}, {"new.ppt", kSaved}}},
    {"FolderRefusesNewFiles", {"d.zbn", "ro/out.ppt"}, {{"ro", kDir}, {"ro/out.ppt", kAnyoneMayWrite}},
     Refused("Could not save the presentation as \"ro/out.ppt\": cannot write ro/out.ppt: no new "
             "file may be made in the folder \"ro\" (Permission denied)"),
     1, {{"ro", kDir}, {"ro/out.ppt", kAnyoneMayWrite}}, true},
    {"StickyFolderKeepsAnotherUsersFile", {"d.zbn", "st/out.ppt"}, {{"st", kStickyDir}, {"st/out.ppt", kAnyoneMayWrite}},
     Refused("Could not save the presentation as \"st/out.ppt\": cannot write st/out.ppt: the "
             "folder \"st\" lets only a file's owner replace it, and out.ppt belongs to another user "
             "(Operation not permitted)"),
     1, {{"st", kDir}, {"st/out.ppt", kAnyoneMayWrite}}, true},
    // clang-format on
};

void Prepare(const fs::path& folder, const Files& files) {
    for (const auto& [name, content] : files) {
        const fs::path path = folder / name;
        if (content == kDir || content == kStickyDir) {
            fs::create_directories(path);
            if (content == kStickyDir) {
                fs::permissions(path, fs::perms::all | fs::perms::sticky_bit);
            }
        } else if (content.starts_with("-> ")) {
            fs::create_symlink(content.substr(3), path);
        } else {
            std::ofstream(path, std::ios::binary) << content;
            if (content == kAnyoneMayWrite) {
                fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write |
                                          fs::perms::group_read | fs::perms::group_write |
                                          fs::perms::others_read | fs::perms::others_write);
            }
        }
    }
}

class CliTest : public ::testing::TestWithParam<CliCase> {};

TEST_P(CliTest, MessagesStatusAndFiles) {
    const CliCase& c = GetParam();
    if (c.as_nobody && ::geteuid() != 0) {
        GTEST_SKIP() << "needs root, to run the program as a user who does not own the folder";
    }
    cli::TempFolder folder;
    fs::permissions(folder.path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    Prepare(folder.path(), c.before);

    const cli::RunResult run =
        cli::RunProgram(ZBN2PPT_PROGRAM, c.arguments, folder.path(), {.as_nobody = c.as_nobody});

    EXPECT_EQ(run.standard_output, "");
    EXPECT_EQ(run.standard_error, c.messages);
    EXPECT_EQ(run.exit_status, c.status);
    Files files = cli::ListFolder(folder.path());
    for (auto& [name, content] : files) {
        if (content.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
            content = kSaved;  // a compound file
        }
    }
    EXPECT_EQ(files, c.after);
}

INSTANTIATE_TEST_SUITE_P(Requests, CliTest, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

// --- templates ---------------------------------------------------------------

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Spill(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// `file` of tests/data with the 32-bit field at `at` of the last record that
// `header` (its version, instance and type, [MS-PPT] 2.3.1) starts set to all
// ones; with an empty header, of the current user edit.
std::vector<std::uint8_t> AtMaximum(const std::string& file, std::vector<std::uint8_t> header,
                                    std::size_t at) {
    const std::string bytes = Slurp(fs::path(ZBN_TEST_DATA) / file);
    pptfile::StorageEntry root = pptfile::ReadCompoundFile(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    std::vector<std::uint8_t>& doc = root.Find("PowerPoint Document")->data;
    std::size_t record = 0;
    if (header.empty()) {
        const auto& user = root.Find("Current User")->data;
        record = static_cast<std::size_t>(user[16] | user[17] << 8 | user[18] << 16) |
                 std::size_t{user[19]} << 24;
    } else {
        record = static_cast<std::size_t>(
            std::find_end(doc.begin(), doc.end(), header.begin(), header.end()) - doc.begin());
    }
    for (std::size_t i = 0; i < 4; ++i) {
        doc.at(record + 8 + at + i) = 0xFF;
    }
    return pptfile::WriteCompoundFile(root);
}

struct TemplateCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* reason;
    const char* saved_as = "design.pot";
};

class TemplateTest : public ::testing::TestWithParam<TemplateCase> {};

// Refused in one message with status 1: the output and the template are
// left as they were, and nothing is left beside them.
TEST_P(TemplateTest, RefusedCleanlyOrTakenWhole) {
    const TemplateCase& c = GetParam();
    cli::TempFolder folder;
    Spill(folder.path() / c.saved_as, c.bytes);
    const std::string precious = "an earlier presentation\n";
    std::ofstream(folder.path() / "out.ppt", std::ios::binary) << precious;

    const cli::RunResult run =
        cli::RunProgram(ZBN2PPT_PROGRAM, {"d.zbn", "out.ppt", c.saved_as}, folder.path());

    EXPECT_EQ(run.standard_output, "");
    EXPECT_EQ(cli::ListFolder(folder.path()).size(), 2u) << "no file left beside the output";
    EXPECT_EQ(Slurp(folder.path() / c.saved_as), std::string(c.bytes.begin(), c.bytes.end()));
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.standard_error, Refused(c.reason));
    EXPECT_EQ(Slurp(folder.path() / "out.ppt"), precious);
}

std::vector<std::uint8_t> Data(const std::string& file) {
    const std::string bytes = Slurp(fs::path(ZBN_TEST_DATA) / file);
    return {bytes.begin(), bytes.end()};
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, TemplateTest,
    ::testing::Values(
        // clang-format off
        TemplateCase{"ControlCharactersInTheName", Data("bad/PPT95.ppt"),
                     "Could not open the template \"d\\x1b[2J\\x07\\u009b.pot\": a PowerPoint 95 or older file, not 97-2003",
                     "d\x1b[2J\x07\xC2\x9B.pot"},
        // [MS-PPT] 2.3.3: the user edit's persistIdSeed.
        TemplateCase{"PersistIdSeedAtMaximum", AtMaximum("good/SampleShow.ppt", {}, 20),
                     "Could not save the presentation as \"out.ppt\": the template has no persist identifiers left for new slides"},
        // [MS-ODRAW] 2.2.48: the drawing group's count of drawings saved.
        TemplateCase{"DrawingCountAtMaximum", AtMaximum("good/SampleShow.ppt", {0x00, 0x00, 0x06, 0xF0}, 12),
                     "Could not save the presentation as \"out.ppt\": the template has no drawing identifiers left for new slides"}),
    // clang-format on
    [](const auto& param) { return std::string(param.param.name); });

// Interrupted at points spread over the second half of a run, where the save
// is: the output holds its old bytes or the whole presentation, and nothing
// is left beside it.
class InterruptedSaveTest : public ::testing::TestWithParam<int> {};

TEST_P(InterruptedSaveTest, LeavesTheOldFileOrTheNewOneAndNothingElse) {
#ifndef MAKE_TEMPLATE
    GTEST_SKIP() << "bench/make_template, which makes the large template, is not built";
#else
    cli::TempFolder folder;
    ASSERT_EQ(cli::RunProgram(MAKE_TEMPLATE, {"big.pot", "4096"}, folder.path()).exit_status, 0);
    const std::string precious = "an earlier presentation\n";
    const std::vector<std::string> arguments = {"d.zbn", "out.ppt", "big.pot"};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(cli::RunProgram(ZBN2PPT_PROGRAM, arguments, folder.path()).exit_status, 0);
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);

    bool interrupted = false;
    for (int percent = 50; percent <= 105; percent += 5) {
        std::ofstream(folder.path() / "out.ppt", std::ios::binary) << precious;
        const cli::RunResult run =
            cli::RunProgram(ZBN2PPT_PROGRAM, arguments, folder.path(),
                            {.signal = GetParam(), .signal_after = whole * percent / 100});
        interrupted = interrupted || run.signal == GetParam();
        const Files files = cli::ListFolder(folder.path());
        ASSERT_EQ(files.size(), 2u) << percent;
        const std::size_t size = files.at("out.ppt").size();
        EXPECT_TRUE(size == precious.size() || size > files.at("big.pot").size())
            << "a torn output of " << size << " bytes";
    }
    EXPECT_TRUE(interrupted) << "no run was interrupted: the runs are too short";
#endif
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedSaveTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& param) {
                             return param.param == SIGINT ? "SIGINT" : "SIGTERM";
                         });

// Memory running out while the template is read, or while the presentation
// is written, ends the run with one message that says so. (The static GCC
// program reads this template in 23 MiB of address space and finishes the
// whole run in 26; a program linked to shared libraries needs 2-4 MiB more.)
TEST(OutOfMemoryTest, OneMessageStatusOneAndTheOutputUntouched) {
#if !defined(MAKE_TEMPLATE) || defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP()
        << "needs bench/make_template, and a build without AddressSanitizer's reservations";
#else
    cli::TempFolder folder;
    ASSERT_EQ(cli::RunProgram(MAKE_TEMPLATE, {"big.pot", "16384"}, folder.path()).exit_status, 0);
    const std::string precious = "an earlier presentation\n";
    std::ofstream(folder.path() / "out.ppt", std::ios::binary) << precious;
    for (const std::size_t mib : {std::size_t{16}, std::size_t{24}}) {
        const cli::RunResult run = cli::RunProgram(ZBN2PPT_PROGRAM, {"d.zbn", "out.ppt", "big.pot"},
                                                   folder.path(), {.memory_limit = mib << 20});
        EXPECT_EQ(run.exit_status, 1) << mib;
        EXPECT_THAT(run.standard_error, ::testing::StartsWith("Zbn2PPT\nCould not "));
        EXPECT_THAT(run.standard_error,
                    ::testing::EndsWith(": not enough memory to finish this step\n"));
        EXPECT_EQ(Slurp(folder.path() / "out.ppt"), precious);
    }
#endif
}

}  // namespace
