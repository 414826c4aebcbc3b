// Real design templates handed to the program: files other programs wrote,
// some of them broken, and good ones made hostile. A refused template costs
// the user one message and nothing else: the presentation already at the
// output path keeps its bytes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "bench/hostile_edit.h"
#include "pptfile/compound_file.h"
#include "pptfile/presentation.h"
#include "program_run.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = ZBN_TEST_DATA;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// --- hostile templates, made from good ones -----------------------------------

using Stream = std::vector<std::uint8_t>;

std::uint32_t U32(const Stream& s, std::size_t at) {
    return static_cast<std::uint32_t>(s[at] | s[at + 1] << 8 | s[at + 2] << 16) |
           static_cast<std::uint32_t>(s[at + 3]) << 24;
}

void SetU32(Stream& s, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        s[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

Stream& Document(pptfile::StorageEntry& root) {
    return root.Find("PowerPoint Document")->data;
}

// Where "Current User" says the newest user edit ([MS-PPT] 2.3.2) starts.
std::uint32_t NewestEdit(pptfile::StorageEntry& root) {
    return U32(root.Find("Current User")->data, 16);
}

// [MS-PPT] 2.3.3: the user edit's persistIdSeed.
void SeedAtMaximum(pptfile::StorageEntry& root) {
    SetU32(Document(root), NewestEdit(root) + 8 + 20, 0xFFFFFFFF);
}

// [MS-ODRAW] 2.2.48: the drawing group's count of drawings saved.
void DrawingCountAtMaximum(pptfile::StorageEntry& root) {
    Stream& doc = Document(root);
    const std::array<std::uint8_t, 4> header{0x00, 0x00, 0x06, 0xF0};
    const auto block = std::find_end(doc.begin(), doc.end(), header.begin(), header.end());
    SetU32(doc, static_cast<std::size_t>(block - doc.begin()) + 8 + 12, 0xFFFFFFFF);
}

void NewestEditLengthDamaged(pptfile::StorageEntry& root) {
    SetU32(Document(root), NewestEdit(root) + 4, 0x00FFFFFF);
}

// A new edit whose document lists one slide 20,000 times under as many
// persist ids; the slide is made of 100,000 small records and its drawing.
void OneLargeSlideListedManyTimes(pptfile::StorageEntry& root) {
    hostile::AppendHostileEdit(root, "slides", 100000, 20000);
}

struct HostileTemplate {
    const char* name;
    const char* file;                          // in tests/data
    void (*damage)(pptfile::StorageEntry&);    // null: the file as it is
    const char* reason;                        // null: the template is taken
    std::size_t slides_other_readers_see = 0;  // Apache POI's count, when taken
    const char* saved_as = "design.pot";
    const char* shown_as = "design.pot";
};

class HostileTemplateTest : public ::testing::TestWithParam<HostileTemplate> {};

// Refused in one message with status 1 and the output untouched, or taken
// whole: every slide the template has for other readers, and one more.
TEST_P(HostileTemplateTest, RefusedCleanlyOrTakenWhole) {
    const HostileTemplate& c = GetParam();
    cli::TempFolder folder;
    const fs::path design = folder.path() / c.saved_as;
    if (c.damage == nullptr) {
        fs::copy_file(kData / c.file, design);
    } else {
        const std::string bytes = Slurp(kData / c.file);
        pptfile::StorageEntry root = pptfile::ReadCompoundFile(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        c.damage(root);
        const Stream damaged = pptfile::WriteCompoundFile(root);
        std::ofstream(design, std::ios::binary)
            .write(reinterpret_cast<const char*>(damaged.data()),
                   static_cast<std::streamsize>(damaged.size()));
    }
    const std::string precious = "an earlier presentation\n";
    std::ofstream(folder.path() / "out.ppt", std::ios::binary) << precious;

    const cli::RunResult run =
        cli::RunProgram(ZBN2PPT_PROGRAM, {"d.zbn", "out.ppt", c.saved_as}, folder.path());

    EXPECT_EQ(run.standard_output, "");
    EXPECT_EQ(cli::ListFolder(folder.path()).size(), 2u) << "no file left beside the output";
    if (c.reason != nullptr) {
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.standard_error, std::string("Zbn2PPT\n") + c.reason + "\n");
        EXPECT_EQ(Slurp(folder.path() / "out.ppt"), precious);
        return;
    }
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.standard_error, "");
    const auto saved = pptfile::SourcePresentation::Open(folder.path() / "out.ppt");
    ASSERT_EQ(saved.Slides().size(), c.slides_other_readers_see + 1);
    EXPECT_EQ(saved.Slides().back().title, u"d");
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, HostileTemplateTest,
    ::testing::Values(
        // clang-format off
        HostileTemplate{"TooOld", "bad/PPT95.ppt", nullptr,
                        "Could not open the template \"design.pot\": a PowerPoint 95 or older file, not 97-2003"},
        HostileTemplate{"Encrypted", "bad/Password_Protected-hello.ppt", nullptr,
                        "Could not open the template \"design.pot\": the template is encrypted"},
        HostileTemplate{"BrokenContainer", "bad/clusterfuzz-testcase-minimized-POIHSLFFuzzer-5962760801091584.ppt", nullptr,
                        "Could not open the template \"design.pot\": the file is damaged: broken compound file (a sector chain runs past the end of the file)"},
        HostileTemplate{"BrokenContainerAgain", "bad/clusterfuzz-testcase-minimized-POIHSLFFuzzer-6614960949821440.ppt", nullptr,
                        "Could not open the template \"design.pot\": the file is damaged: broken compound file (a sector chain loops or shares sectors with another)"},
        HostileTemplate{"ControlCharactersInTheName", "bad/PPT95.ppt", nullptr,
                        "Could not open the template \"d\\x1b[2J\\x07\\u009b.pot\": a PowerPoint 95 or older file, not 97-2003",
                        0, "d\x1b[2J\x07\xC2\x9B.pot"},
        HostileTemplate{"PersistIdSeedAtMaximum", "good/SampleShow.ppt", SeedAtMaximum,
                        "Could not save the presentation as \"out.ppt\": the template has no persist identifiers left for new slides"},
        HostileTemplate{"DrawingCountAtMaximum", "good/SampleShow.ppt", DrawingCountAtMaximum,
                        "Could not save the presentation as \"out.ppt\": the template has no drawing identifiers left for new slides"},
        HostileTemplate{"NewestEditDamaged", "good/basic_test_ppt_file.ppt", NewestEditLengthDamaged,
                        "Could not open the template \"design.pot\": the file is damaged: a user edit record is broken, and reading the file without it would lose the changes it holds"},
        HostileTemplate{"EditLinkLoopsButNothingIsLost", "good/57272_corrupted_usereditatom.ppt", nullptr, nullptr, 6},
        HostileTemplate{"OneLargeSlideListedManyTimes", "good/SampleShow.ppt", OneLargeSlideListedManyTimes,
                        "Could not open the template \"design.pot\": the file is damaged: two listed slides share one slide record"}),
    // clang-format on
    [](const ::testing::TestParamInfo<HostileTemplate>& param) { return param.param.name; });

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
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"big.pot", "out.ppt"})) << percent;
        const auto size = fs::file_size(folder.path() / "out.ppt");
        EXPECT_TRUE(size == precious.size() || size > fs::file_size(folder.path() / "big.pot"))
            << "a torn output of " << size << " bytes";
    }
    EXPECT_TRUE(interrupted) << "no run was interrupted: the runs are too short";
#endif
}

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
    // A run needs the template's 19 MB and a few more: its tree is read
    // straight from the file and written out without another copy.
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

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedSaveTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& param) {
                             return param.param == SIGINT ? "SIGINT" : "SIGTERM";
                         });

}  // namespace
