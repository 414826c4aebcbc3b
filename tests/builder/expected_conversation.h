// The conversation the builder must hold with the presentation application,
// written out row by row from the values of one build, each row under the
// number of its step ("1" .. "29", "6a", "15b").
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "support/recorded_call.h"
#include "support/scripted_presentation_app.h"

namespace builder_test {

struct BuildRequest {
    std::u16string data_path;
    std::u16string output_path;
    std::u16string template_path;  // empty: a blank presentation
};

// What the build is expected to compute: where the viewer goes and the title.
struct Placement {
    float left = 0.0f;
    float top = 0.0f;
    std::u16string title;
};

struct ExpectedStep {
    std::string label;
    test_support::Call call;
};

std::vector<ExpectedStep> ExpectedConversation(const test_support::PresentationAppSetup& setup,
                                               const BuildRequest& request,
                                               const Placement& placement);

// The calls of the steps, in the order given; a label missing from `steps`
// is a mistake of the test and fails it.
std::vector<test_support::Call> Pick(const std::vector<ExpectedStep>& steps,
                                     std::initializer_list<std::string> labels);

// The calls from the start up to and including step `label`.
std::vector<test_support::Call> UpTo(const std::vector<ExpectedStep>& steps,
                                     const std::string& label);

// The position of step `label` in the record (creation included).
std::size_t PositionOf(const std::vector<ExpectedStep>& steps, const std::string& label);

// The labels of the steps, in order.
std::vector<std::string> Labels(const std::vector<ExpectedStep>& steps);

// The references a build gives back, in order, each placed after the step it
// follows, when its record holds the steps `held` (labels, in order) and
// everything up to step 20 answered. An object of the guarded insertion
// (steps 21 to 25) is there to give back when a call was made on it.
std::vector<test_support::Release> ExpectedReleases(const std::vector<std::string>& held);

}  // namespace builder_test
