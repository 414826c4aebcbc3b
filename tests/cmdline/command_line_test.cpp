// What the real program cannot be made to show (tests/cli runs it): the
// probe's failure description cut to the caller's buffer, and a failure while
// reporting that ends in the probe's own message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "cmdline/command_line.h"
#include "framework/arguments.h"
#include "framework/file.h"
#include "framework/message_box.h"

namespace {

struct MessageCase {
    const char* name;
    int cause;
    UINT max_chars;
    BOOL written;
    std::u16string expected;
};

void PrintTo(const MessageCase& c, std::ostream* out) {
    *out << c.name;
}

class ErrorMessageTest : public ::testing::TestWithParam<MessageCase> {};

// "No such file or directory" is 25 characters.
TEST_P(ErrorMessageTest, FitsTheBufferWithItsTerminator) {
    const MessageCase& c = GetParam();
    char16_t buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    buffer[63] = u'\0';
    const CFileException error(c.cause, c.cause == CFileException::none ? 0 : ENOENT);
    UINT help = 99;
    EXPECT_EQ(error.GetErrorMessage(buffer, c.max_chars, &help), c.written);
    EXPECT_EQ(std::u16string(buffer), c.expected);
    EXPECT_EQ(help, 0u);
}

const std::u16string kUntouched(63, u'#');
const std::u16string kNoSuchFile = u"No such file or directory";

INSTANTIATE_TEST_SUITE_P(
    Bounds, ErrorMessageTest,
    ::testing::Values(
        MessageCase{"ExactFit", CFileException::fileNotFound, 26, TRUE, kNoSuchFile},
        MessageCase{"CutByOne", CFileException::fileNotFound, 25, TRUE, kNoSuchFile.substr(0, 24)},
        MessageCase{"NoRoomAtAll", CFileException::fileNotFound, 0, FALSE, kUntouched},
        MessageCase{"NothingToDescribe", CFileException::none, 64, FALSE, u""}),
    [](const auto& param) { return std::string(param.param.name); });

// Here the first message box itself fails.
TEST(ProbeGuardTest, AFailureWhileReportingEndsInTheGuardsMessage) {
    framework::SetArguments({u"zbn2ppt", u"d.zbn", u"/nonexistent-folder/o.ppt"});
    std::vector<std::u16string> shown;
    framework::ScopedMessageBoxSink sink(
        [&](std::u16string_view text, std::u16string_view caption, UINT) {
            shown.push_back(std::u16string(caption) + u"|" + std::u16string(text));
            if (shown.size() == 1) {
                throw std::bad_alloc();
            }
        });

    EXPECT_EQ(ProcessCommandLine(), std::nullopt);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], u"Error|ERROR! INVALID OUT FILE \n\n" + UsageText().str());
}

}  // namespace
