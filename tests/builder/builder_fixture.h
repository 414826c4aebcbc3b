// A build against the scripted presentation application, its message boxes
// caught.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "builder/expected_conversation.h"
#include "builder/presentation_builder.h"
#include "support/scripted_server.h"

namespace builder_test {

using test_support::CaseName;

inline const BuildRequest kTemplateRequest{u"C:\\bracket_multiple.zbn", u"C:\\bracket_Multiple.ppt",
                                           u"C:\\TrelvoTemplate.pot"};
inline const BuildRequest kBlankRequest{u"C:\\bracket_multiple.zbn", u"C:\\bracket_Multiple.ppt",
                                        u""};
inline const Placement kStandardPlacement{60.0f, 82.0f, u"bracket_multiple"};

inline constexpr const char16_t* kNoApplicationMessage =
    u"MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed.";
inline constexpr const char16_t* kViewerMessage =
    u"Trelvo Presenter 2009 or above is not installed properly";

class BuilderTest : public ::testing::Test {
  protected:
    void Script(const test_support::PresentationAppSetup& setup) {
        test_support::ScriptPresentationApp(server_, setup);
        already_running_ = setup.already_running;
    }

    BuildOutcome Build(const BuildRequest& request, bool application_present = true) {
        if (!application_present) {
            return BuildPresentation(request.data_path, request.output_path, request.template_path);
        }
        const auto registration = server_.ServeAs(
            u"PowerPoint.Application", test_support::app_object::kApplication, already_running_);
        return BuildPresentation(request.data_path, request.output_path, request.template_path);
    }

    void ExpectEachObjectReleasedOnce() const {
        EXPECT_EQ(server_.ReferenceProblems(), std::vector<std::string>{});
    }

    test_support::ScriptedServer server_;
    test_support::MessageBoxRecorder messages_;
    bool already_running_ = false;
};

}  // namespace builder_test
