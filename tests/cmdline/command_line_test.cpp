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

// "No such file or directory" is 25 characters: cut to fit with its zero.
TEST(ErrorMessageTest, FitsTheBufferWithItsTerminator) {
    const std::u16string text = u"No such file or directory";
    const struct {
        int cause;
        UINT max_chars;
        BOOL written;
        std::u16string expected;
    } rows[] = {{CFileException::fileNotFound, 26, TRUE, text},
                {CFileException::fileNotFound, 25, TRUE, text.substr(0, 24)},
                {CFileException::fileNotFound, 0, FALSE, std::u16string(63, u'#')},
                {CFileException::none, 64, FALSE, u""}};
    for (const auto& row : rows) {
        char16_t buffer[64];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        buffer[63] = u'\0';
        UINT help = 99;
        const CFileException error(row.cause, row.cause == CFileException::none ? 0 : ENOENT);
        EXPECT_EQ(error.GetErrorMessage(buffer, row.max_chars, &help), row.written);
        EXPECT_EQ(std::u16string(buffer), row.expected) << row.max_chars;
        EXPECT_EQ(help, 0u);
    }
}

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
