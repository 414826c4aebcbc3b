// Real design templates handed to the program: files other programs wrote,
// some of them broken. A refused template costs the user one message and
// nothing else: the presentation already at the output path keeps its bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "program_run.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = ZBN_TEST_DATA;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct BadTemplate {
    const char* file;
    const char* reason;  // what the message must say of it
};

class BadTemplateTest : public ::testing::TestWithParam<BadTemplate> {};

TEST_P(BadTemplateTest, OneMessageStatusOneAndTheOutputUntouched) {
    const BadTemplate& c = GetParam();
    cli::TempFolder folder;
    fs::copy_file(kData / "bad" / c.file, folder.path() / "design.pot");
    const std::string precious = "an earlier presentation\n";
    std::ofstream(folder.path() / "out.ppt", std::ios::binary) << precious;

    const cli::RunResult run =
        cli::RunProgram(ZBN2PPT_PROGRAM, {"d.zbn", "out.ppt", "design.pot"}, folder.path());

    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.standard_output, "");
    EXPECT_EQ(
        run.standard_error,
        std::string("Zbn2PPT\nCould not open the template \"design.pot\": ") + c.reason + "\n");
    EXPECT_EQ(Slurp(folder.path() / "out.ppt"), precious);
    EXPECT_EQ(cli::ListFolder(folder.path()).size(), 2u) << "no file left beside the output";
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, BadTemplateTest,
    ::testing::Values(
        BadTemplate{"PPT95.ppt", "a PowerPoint 95 or older file, not 97-2003"},
        BadTemplate{"Password_Protected-hello.ppt", "the template is encrypted"},
        BadTemplate{"clusterfuzz-testcase-minimized-POIHSLFFuzzer-5962760801091584.ppt",
                    "the file is damaged: broken compound file (a sector chain runs past the end "
                    "of the file)"},
        BadTemplate{"clusterfuzz-testcase-minimized-POIHSLFFuzzer-6614960949821440.ppt",
                    "the file is damaged: broken compound file (a sector chain loops or shares "
                    "sectors with another)"}),
    [](const ::testing::TestParamInfo<BadTemplate>& param) {
        return "File" + std::to_string(param.index);
    });

// A template written by PowerPoint: the presentation keeps its slides and
// gains the viewer slide, and the template itself is left as it was.
TEST(GoodTemplateTest, BuildsOntoTheTemplateAndLeavesItAlone) {
    cli::TempFolder folder;
    const fs::path source = kData / "good" / "SampleShow.ppt";
    fs::copy_file(source, folder.path() / "design.pot");

    const cli::RunResult run =
        cli::RunProgram(ZBN2PPT_PROGRAM, {"d.zbn", "out.ppt", "design.pot"}, folder.path());

    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.standard_error, "");
    EXPECT_EQ(Slurp(folder.path() / "design.pot"), Slurp(source));
    const std::string written = Slurp(folder.path() / "out.ppt");
    EXPECT_GT(written.size(), fs::file_size(source));
}

}  // namespace
