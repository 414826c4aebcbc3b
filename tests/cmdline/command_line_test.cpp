// The file services the command line stands on: the output probe must never
// cost an existing file its contents or hang on a special file, its failure
// description must fit the caller's buffer, and the template's status must
// tell a folder from a file.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "automation/text_codec.h"
#include "cmdline/command_line.h"
#include "framework/arguments.h"
#include "framework/file.h"
#include "framework/message_box.h"
#include "support/temp_folder.h"

namespace {

class TempFolder : public test_support::TempFolder {
  public:
    TempFolder() : test_support::TempFolder("zbn2ppt-file") {}
    // The path of `name` inside the folder, as the program holds paths.
    std::u16string In(const std::string& name) const {
        return automation::DecodeOsString((path() / name).string());
    }
};

std::string Content(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What is at the probed name before the probe.
enum class Existing { kNothing, kFile, kFolder, kFifo, kInMissingFolder };

struct ProbeCase {
    const char* name;
    Existing existing;
    const char* file_name;
    bool opens;
    int cause;
    int os_error;
};

void PrintTo(const ProbeCase& c, std::ostream* out) {
    *out << c.name;
}

const ProbeCase kProbeCases[] = {
    {"CreatesAnAbsentFile", Existing::kNothing, "o.ppt", true, CFileException::none, 0},
    {"KeepsAnExistingFile", Existing::kFile, "o.ppt", true, CFileException::none, 0},
    {"KeepsANonUtf8Name", Existing::kFile, "caf\xE9\xFF.ppt", true, CFileException::none, 0},
    {"RefusesAFolder", Existing::kFolder, "o.ppt", false, CFileException::accessDenied, EISDIR},
    {"RefusesAFifoAtOnce", Existing::kFifo, "o.ppt", false, CFileException::genericException,
     ENXIO},
    {"RefusesAMissingFolder", Existing::kInMissingFolder, "missing/o.ppt", false,
     CFileException::fileNotFound, ENOENT},
};

class ProbeTest : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(ProbeTest, OpensForWritingWithoutTouchingWhatIsThere) {
    const ProbeCase& c = GetParam();
    TempFolder folder;
    const std::filesystem::path path = folder.path() / c.file_name;
    switch (c.existing) {
        case Existing::kFile:
            std::ofstream(path, std::ios::binary) << "precious";
            break;
        case Existing::kFolder:
            std::filesystem::create_directory(path);
            break;
        case Existing::kFifo:
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
            break;
        case Existing::kNothing:
        case Existing::kInMissingFolder:
            break;
    }

    CFile file;
    CFileException error;
    const BOOL opened =
        file.Open(folder.In(c.file_name).c_str(),
                  CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite, &error);
    EXPECT_EQ(opened != FALSE, c.opens);
    EXPECT_EQ(error.m_cause, c.cause);
    EXPECT_EQ(error.m_lOsError, c.os_error);
    if (opened) {
        file.Close();
        EXPECT_EQ(Content(path), c.existing == Existing::kFile ? "precious" : "");
    }
    EXPECT_FALSE(file.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Probe, ProbeTest, ::testing::ValuesIn(kProbeCases),
                         [](const ::testing::TestParamInfo<ProbeCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(FileTest, CreateWithoutNoTruncateEmptiesTheFile) {
    TempFolder folder;
    std::ofstream(folder.path() / "f") << "old";
    CFile file;
    ASSERT_TRUE(file.Open(folder.In("f").c_str(), CFile::modeCreate | CFile::modeWrite));
    file.Close();
    EXPECT_EQ(Content(folder.path() / "f"), "");
}

struct MessageCase {
    const char* name;
    UINT max_chars;
    BOOL written;
    std::u16string expected;
};

void PrintTo(const MessageCase& c, std::ostream* out) {
    *out << c.name;
}

// "No such file or directory" is 25 characters.
const MessageCase kMessageCases[] = {
    {"RoomToSpare", 1024, TRUE, u"No such file or directory"},
    {"ExactFit", 26, TRUE, u"No such file or directory"},
    {"CutByOne", 25, TRUE, u"No such file or director"},
    {"OnlyTheTerminator", 1, TRUE, u""},
    {"NoRoomAtAll", 0, FALSE, std::u16string(1023, u'#')},
};

class ErrorMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ErrorMessageTest, FitsTheBufferWithItsTerminator) {
    const MessageCase& c = GetParam();
    char16_t buffer[1024];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    buffer[1023] = u'\0';
    const CFileException error(CFileException::fileNotFound, ENOENT);
    UINT help = 99;
    EXPECT_EQ(error.GetErrorMessage(buffer, c.max_chars, &help), c.written);
    EXPECT_EQ(std::u16string(buffer), c.expected);
    EXPECT_EQ(help, 0u);
    if (c.max_chars > 0 && c.max_chars < 1024) {
        EXPECT_EQ(buffer[c.max_chars], u'#') << "wrote past the buffer";
    }
}

INSTANTIATE_TEST_SUITE_P(Bounds, ErrorMessageTest, ::testing::ValuesIn(kMessageCases),
                         [](const ::testing::TestParamInfo<MessageCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(ErrorMessageTest, NothingToDescribeWithoutAnError) {
    char16_t buffer[16] = u"untouched";
    EXPECT_FALSE(CFileException().GetErrorMessage(buffer, 16));
    EXPECT_EQ(std::u16string(buffer), u"");
}

TEST(FileStatusTest, TellsFilesFoldersAndAbsence) {
    TempFolder folder;
    std::ofstream(folder.path() / "t.pot") << "12345";
    std::filesystem::create_directory(folder.path() / "d.pot");
    CFileStatus status;

    ASSERT_TRUE(CFile::GetStatus(folder.In("t.pot").c_str(), status));
    EXPECT_EQ(status.m_size, 5u);
    EXPECT_EQ(status.m_attribute & CFile::directory, 0);

    ASSERT_TRUE(CFile::GetStatus(folder.In("d.pot").c_str(), status));
    EXPECT_NE(status.m_attribute & CFile::directory, 0);
    EXPECT_EQ(status.m_attribute & CFile::device, 0);

    ASSERT_TRUE(CFile::GetStatus(u"/dev/null", status));
    EXPECT_NE(status.m_attribute & CFile::device, 0);

    EXPECT_FALSE(CFile::GetStatus(folder.In("none.pot").c_str(), status));
    EXPECT_FALSE(CFile::GetStatus(u"", status));
}

// Whatever goes wrong inside the probe, message included, ends in the probe's
// own message rather than escaping: here the first message box itself fails.
TEST(ProbeGuardTest, AFailureWhileReportingEndsInTheGuardsMessage) {
    TempFolder folder;
    framework::SetArguments({u"zbn2ppt", u"d.zbn", folder.In("missing/o.ppt")});
    struct Shown {
        std::u16string text, caption;
    };
    std::vector<Shown> shown;
    framework::ScopedMessageBoxSink sink(
        [&](std::u16string_view text, std::u16string_view caption, UINT) {
            if (shown.empty()) {
                shown.push_back({});
                throw std::bad_alloc();
            }
            shown.push_back({std::u16string(text), std::u16string(caption)});
        });

    EXPECT_EQ(ProcessCommandLine(), std::nullopt);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].caption, u"Error");
    EXPECT_EQ(shown[1].text, u"ERROR! INVALID OUT FILE \n\n" + UsageText().str());
}

}  // namespace
