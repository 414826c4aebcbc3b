// The program as a user meets it: each request runs the built executable in
// a fresh folder; standard error must hold exactly the expected message boxes,
// the exit status must tell how the request ended, and the folder must hold
// exactly the expected files.
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "program_run.h"

namespace {

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

const std::string kHelp = "Help\n" + kUsage;
const std::string kBadOutput = "Error\nERROR! INVALID OUTPUT FILE\n\n" + kUsage;
const std::string kBadData = "Error\nERROR! INVALID INPUTFILE EXTENSION\n\n" + kUsage;
const std::string kBadOutputExtension =
    "Error\nERROR! UNSUPPORTED OUTPUT FILE EXTENSION. Supported Formats: .ppt\n\n" + kUsage;
const std::string kBadTemplate =
    "Error\nERROR! UNSUPPORTED MS-PowerPoint Template FILE EXTENSION. Supported Formats: "
    ".pot\n\n" +
    kUsage;
const std::string kMissingTemplate = "Warning\nWarning!  MS-PowerPoint Template.\n\n" + kUsage;

std::string ProbeFailure(const std::string& description) {
    return "Error\nERROR! INVALID OUTPUT FILE\n\n" + description + "\n\n" + kUsage;
}

// Folder entries a case starts with or must end with; see cli::ListFolder.
// A link is "-> " and what it names.
constexpr const char* kDir = "<dir>";
constexpr const char* kFifo = "<other>";
constexpr const char* kPrecious = "precious bytes\n";
// Made for the case only; listed as a folder and a file.
constexpr const char* kStickyDir = "<sticky dir>";
constexpr const char* kAnyoneMayWrite = "anyone may write this\n";

// An output 16 folders deep whose whole path, from the root, is 4,090 bytes:
// near the system's limit of 4,095.
std::string DeepFolder(int depth = 16) {
    std::string path;
    for (int i = 0; i < depth; ++i) {
        path += (i == 0 ? "" : "/") + std::string(250, static_cast<char>('a' + i));
    }
    return path;
}
std::string DeepOutput() {
    // Under a long temporary folder the path is longer, as long as it must be.
    const std::size_t used = cli::TempFolder().path().string().size() + DeepFolder().size() + 2;
    const std::size_t name = std::max<std::size_t>(4090 - std::min<std::size_t>(used, 4090), 5);
    return DeepFolder() + "/" + std::string(name - 4, 'o') + ".ppt";
}
const std::string kDeepOutput = DeepOutput();
// Stands for the case's folder at the start of an argument.
constexpr std::string_view kHere = "<here>";

std::map<std::string, std::string> DeepFolders() {
    std::map<std::string, std::string> folders;
    for (int depth = 1; depth <= 16; ++depth) {
        folders[DeepFolder(depth)] = kDir;
    }
    return folders;
}

enum class Ending {
    kRejected,         // nothing attempted: status 2, only the command line's messages
    kSaved,            // the presentation was saved silently: status 0
    kTemplateRefused,  // the builder could not open the (fake) template: status 1
    kSaveRefused,      // the save failed: status 1, the builder's message, files untouched
};

struct CliCase {
    const char* name;
    std::vector<std::string> arguments;
    std::map<std::string, std::string> before;
    std::string messages;  // the command line's own message boxes, exactly
    Ending ending;
    std::map<std::string, std::string> after;  // the folder afterwards
    std::string output = {};                   // handed on: the presentation's name
    bool as_nobody = false;                    // run as a user the folder's owner is not
};

// The command line sets no file apart from the probe's. A request handed on
// is built by the embedded presentation application: saved silently, or, for
// a template that is no presentation, refused in one message of the builder's
// with the probe's empty file left as it was.
// Names the case in test output instead of dumping its bytes.
void PrintTo(const CliCase& c, std::ostream* out) {
    *out << c.name;
}

using enum Ending;
const std::string kNoFolder = ProbeFailure("No such file or directory");

const CliCase kCases[] = {
    // clang-format off
    // What the failure table names, one row each.
    {"NoArguments", {}, {}, kHelp, kRejected, {}},
    {"OneArgumentWithoutZbn", {"data.txt"}, {}, kBadOutput, kRejected, {}},
    {"SlashQuestionMarkIsAPath", {"/?"}, {}, kBadOutput, kRejected, {}},
    {"OutputInMissingFolder", {"d.zbn", "missing/o.ppt"}, {}, kNoFolder, kRejected, {}},
    {"DataExtensionWrong", {"d.txt", "o.ppt"}, {}, kBadData, kRejected, {{"o.ppt", ""}}},
    {"OutputExtensionWrong", {"d.zbn", "o.pptx"}, {}, kBadOutputExtension, kRejected, {{"o.pptx", ""}}},
    {"TemplateExtensionWrong", {"d.zbn", "o.ppt", "T.potx"}, {{"T.potx", "t"}},
     kBadTemplate, kRejected, {{"o.ppt", ""}, {"T.potx", "t"}}},
    {"TemplateMissing", {"d.zbn", "o.ppt", "none.pot"}, {}, kMissingTemplate, kSaved, {}, "o.ppt"},

    // The derived output path.
    {"UpperCaseZbnIsNotReplaced", {"M.ZBN"}, {}, kBadOutput, kRejected, {}},
    {"UpperCaseZbnPassesWithExplicitOutput", {"M.ZBN", "m.ppt"}, {}, "", kSaved, {}, "m.ppt"},
    {"ZbnTwice", {"a.zbn\\b.zbn"}, {}, kBadOutput, kRejected, {}},
    {"ZbnInsideTheName", {"x.zbn.bak"}, {}, kBadData, kRejected, {{"x.ppt.bak", ""}}},
    {"BlanksAroundTheOnlyArgument", {"  d.zbn \t"}, {}, "", kSaved, {}, "d.ppt"},
    {"DerivedOutputWithoutTemplate", {"d.zbn"}, {}, "", kSaved, {}, "d.ppt"},

    // The probe.
    {"ProbeComesBeforeTheDataExtension", {"d.txt", "missing/o.ppt"}, {}, kNoFolder, kRejected, {}},
    {"EmptyOutputArgumentIsNotDerived", {"d.zbn", ""}, {}, kNoFolder, kRejected, {}},
    {"OutputIsAFolder", {"d.zbn", "out.ppt"}, {{"out.ppt", kDir}},
     ProbeFailure("Is a directory"), kRejected, {{"out.ppt", kDir}}},
    {"OutputIsAFifoWithoutReader", {"d.zbn", "pipe.ppt"}, {{"pipe.ppt", kFifo}},
     ProbeFailure("No such device or address"), kRejected, {{"pipe.ppt", kFifo}}},
    {"BlanksAroundTheOutput", {"d.zbn", " o.ppt\t"}, {}, "", kSaved, {}, "o.ppt"},

    // An existing output file keeps its bytes whatever rejects the request.
    {"ExistingOutputKeptOnDataExtension", {"d.txt", "keep.ppt"}, {{"keep.ppt", kPrecious}},
     kBadData, kRejected, {{"keep.ppt", kPrecious}}},
    {"ExistingOutputKeptOnOutputExtension", {"d.zbn", "keep.pptx"}, {{"keep.pptx", kPrecious}},
     kBadOutputExtension, kRejected, {{"keep.pptx", kPrecious}}},
    {"ExistingOutputKeptOnTemplateExtension", {"d.zbn", "keep.ppt", "t.potx"}, {{"keep.ppt", kPrecious}},
     kBadTemplate, kRejected, {{"keep.ppt", kPrecious}}},
    {"ExistingDerivedOutputKept", {"x.zbn.bak"}, {{"x.ppt.bak", kPrecious}},
     kBadData, kRejected, {{"x.ppt.bak", kPrecious}}},

    // The template.
    {"UpperCaseTemplateAccepted", {"d.zbn", "o.ppt", "T.POT"}, {{"T.POT", "t"}},
     "", kTemplateRefused, {{"T.POT", "t"}}, "o.ppt"},
    {"BlanksAroundTheTemplate", {"d.zbn", "o.ppt", " T.pot "}, {{"T.pot", "t"}},
     "", kTemplateRefused, {{"T.pot", "t"}}, "o.ppt"},
    {"EmptyTemplateArgument", {"d.zbn", "o.ppt", ""}, {}, kBadTemplate, kRejected, {{"o.ppt", ""}}},
    {"TemplateIsAFolder", {"d.zbn", "o.ppt", "t.pot"}, {{"t.pot", kDir}},
     kMissingTemplate, kSaved, {{"t.pot", kDir}}, "o.ppt"},
    {"TemplateIsAFifo", {"d.zbn", "o.ppt", "t.pot"}, {{"t.pot", kFifo}},
     kMissingTemplate, kSaved, {{"t.pot", kFifo}}, "o.ppt"},
    {"FourthArgumentIgnored", {"d.zbn", "o.ppt", "T.pot", "ignored.txt"}, {{"T.pot", "t"}},
     "", kTemplateRefused, {{"T.pot", "t"}}, "o.ppt"},

    // The save: through links as cp writes, at the length limit, and where the
    // folder, not the file, refuses.
    {"OutputIsALink", {"d.zbn", "link.ppt"}, {{"real.ppt", kPrecious}, {"link.ppt", "-> real.ppt"}},
     "", kSaved, {{"link.ppt", "-> real.ppt"}}, "real.ppt"},
    {"OutputIsADanglingLink", {"d.zbn", "link.ppt"}, {{"link.ppt", "-> new.ppt"}},
     "", kSaved, {{"link.ppt", "-> new.ppt"}}, "new.ppt"},
    {"OutputPathOf4090Bytes", {"d.zbn", std::string(kHere) + "/" + kDeepOutput}, {{DeepFolder(), kDir}}, "", kSaved, DeepFolders(), kDeepOutput},
    {"FolderRefusesNewFiles", {"d.zbn", "ro/out.ppt"}, {{"ro", kDir}, {"ro/out.ppt", kAnyoneMayWrite}},
     "Zbn2PPT\nCould not save the presentation as \"ro/out.ppt\": cannot write ro/out.ppt: no new "
     "file may be made in the folder \"ro\" (Permission denied)\n",
     kSaveRefused, {{"ro", kDir}, {"ro/out.ppt", kAnyoneMayWrite}}, "", true},
    {"StickyFolderKeepsAnotherUsersFile", {"d.zbn", "st/out.ppt"}, {{"st", kStickyDir}, {"st/out.ppt", kAnyoneMayWrite}},
     "Zbn2PPT\nCould not save the presentation as \"st/out.ppt\": cannot write st/out.ppt: the "
     "folder \"st\" lets only a file's owner replace it, and out.ppt belongs to another user "
     "(Operation not permitted)\n",
     kSaveRefused, {{"st", kDir}, {"st/out.ppt", kAnyoneMayWrite}}, "", true},

    // Names that are not UTF-8 reach the file system byte for byte.
    {"NonUtf8NameDerivesTheSameBytes", {"caf\xE9\xFF.zbn"}, {}, "", kSaved, {}, "caf\xE9\xFF.ppt"},
    {"NonUtf8NameProbedAsGiven", {"caf\xE9.zbn.bak"}, {}, kBadData, kRejected, {{"caf\xE9.ppt.bak", ""}}},
    // clang-format on
};

void Prepare(const std::filesystem::path& folder, const std::map<std::string, std::string>& files) {
    namespace fs = std::filesystem;
    for (const auto& [name, content] : files) {
        const fs::path path = folder / name;
        if (content == kDir || content == kStickyDir) {
            fs::create_directories(path);
            if (content == kStickyDir) {
                fs::permissions(path, fs::perms::all | fs::perms::sticky_bit);
            }
        } else if (content == kFifo) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        } else if (content.starts_with("-> ")) {
            fs::create_symlink(content.substr(3), path);
        } else {
            std::ofstream(path, std::ios::binary) << content;
            if (content == kAnyoneMayWrite) {
                fs::permissions(path, fs::perms::all & ~fs::perms::others_exec &
                                          ~fs::perms::group_exec & ~fs::perms::owner_exec);
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
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all |
                                                    std::filesystem::perms::group_exec |
                                                    std::filesystem::perms::others_exec);
    Prepare(folder.path(), c.before);

    std::vector<std::string> arguments = c.arguments;
    for (std::string& argument : arguments) {
        if (argument.starts_with(kHere)) {
            argument.replace(0, kHere.size(), folder.path().string());
        }
    }
    const cli::RunResult run =
        cli::RunProgram(ZBN2PPT_PROGRAM, arguments, folder.path(), {.as_nobody = c.as_nobody});

    EXPECT_EQ(run.standard_output, "");
    std::map<std::string, std::string> files = cli::ListFolder(folder.path());
    if (c.ending == Ending::kRejected) {
        EXPECT_EQ(run.standard_error, c.messages);
        EXPECT_EQ(run.exit_status, 2);
        EXPECT_EQ(files, c.after);
        return;
    }

    if (c.ending == Ending::kSaveRefused) {
        EXPECT_EQ(run.standard_error, c.messages);
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(files, c.after);
        return;
    }

    ASSERT_EQ(run.standard_error.substr(0, c.messages.size()), c.messages) << run.standard_error;
    const std::string builder_part = run.standard_error.substr(c.messages.size());
    const auto presentation = files.find(c.output);
    ASSERT_NE(presentation, files.end()) << "the probe creates the output file";
    if (c.ending == Ending::kSaved) {
        EXPECT_EQ(builder_part, "");
        EXPECT_EQ(run.exit_status, 0);
        EXPECT_EQ(presentation->second.rfind("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 0), 0u)
            << "not a compound file";
    } else {
        EXPECT_THAT(builder_part, ::testing::StartsWith("Zbn2PPT\nCould not open the template \""));
        EXPECT_THAT(builder_part, ::testing::EndsWith("\": not a PowerPoint 97-2003 file\n"));
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(presentation->second, "") << "nothing beyond the probe's empty file";
    }
    files.erase(presentation);
    EXPECT_EQ(files, c.after);
}

INSTANTIATE_TEST_SUITE_P(Requests, CliTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CliCase>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
