// The conversation the builder must hold with the presentation application,
// row by row from the values of one build, each row under the number of its
// step ("1" .. "29", "6a", "15b"), and the references it must give back.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "support/scripted_server.h"

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
    test_support::Reply reply;  // what the scripted application answers
};

std::vector<ExpectedStep> ExpectedConversation(const test_support::PresentationAppSetup& setup,
                                               const BuildRequest& request,
                                               const Placement& placement);

// The references a build gives back, in order, each placed after the call it
// follows, when the record holds the steps `held` (labels, in order) and the
// steps `failed` gave no object.
std::vector<test_support::Release> ExpectedReleases(const std::vector<std::string>& held,
                                                    const std::set<std::string>& failed = {});

}  // namespace builder_test
