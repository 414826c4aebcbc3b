#include "builder/expected_conversation.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace builder_test {

using automation::VT_DISPATCH;
using automation::VT_EMPTY;
using automation::VT_I4;
using automation::VT_R4;
namespace o = test_support::app_object;

std::vector<ExpectedStep> ExpectedConversation(const test_support::PresentationAppSetup& setup,
                                               const BuildRequest& request,
                                               const Placement& placement) {
    constexpr std::uint16_t kMethod = 1;
    constexpr std::uint16_t kGet = 2;
    constexpr std::uint16_t kPut = 4;
    const std::int32_t index = setup.slide_count + 1;
    const std::vector<ExpectedStep> table = {
        // clang-format off
        {"1", {o::kApplication, 0, test_support::kCreate, {u"PowerPoint.Application"}, VT_DISPATCH}},
        {"2", {o::kApplication, 2033, kMethod, {}, VT_EMPTY}},
        {"3", {o::kApplication, 2029, kGet, {}, VT_I4}},
        {"4", {o::kApplication, 2029, kPut, {2}, VT_EMPTY}},
        {"5", {o::kApplication, 2001, kGet, {}, VT_DISPATCH}},
        {"6a", {o::kPresentations, 2005, kMethod, {request.template_path, 0, -1, -1}, VT_DISPATCH}},
        {"6b", {o::kPresentations, 2003, kMethod, {1}, VT_DISPATCH}},
        {"7", {o::kPresentation, 2011, kGet, {}, VT_DISPATCH}},
        {"8", {o::kPresentation, 2003, kGet, {}, VT_DISPATCH}},
        {"9", {o::kSlideMaster, 2010, kGet, {}, VT_R4}},
        {"10", {o::kSlides, 11, kGet, {}, VT_I4}},
        {"11", {o::kSlides, 2004, kMethod, {index, 11}, VT_DISPATCH}},
        {"12", {o::kSlides, 0, kMethod, {index}, VT_DISPATCH}},
        {"13", {o::kNewSlide, 2003, kGet, {}, VT_DISPATCH}},
        {"14", {o::kShapes, 2004, kGet, {}, VT_I4}},
        {"15a", {o::kShapes, 2006, kGet, {}, VT_DISPATCH}},
        {"15b", {o::kShapes, 2005, kMethod, {}, VT_DISPATCH}},
        {"16", {o::kTitleShape, 121, kGet, {}, VT_DISPATCH}},
        {"17", {o::kTextFrame, 2004, kGet, {}, VT_DISPATCH}},
        {"18", {o::kTextRange, 0, kPut, {placement.title}, VT_EMPTY}},
        {"19", {o::kTitleShape, 123, kGet, {}, VT_R4}},
        {"20", {o::kTitleShape, 109, kGet, {}, VT_R4}},
        {"21", {o::kShapes, 2008, kMethod, {placement.left, placement.top, 600.0f, 400.0f, u"TRELVO.TrelvoCtrl.1", u"", 0, u"", 0, u"", 0}, VT_DISPATCH}},
        {"22", {o::kViewerShape, 2003, kGet, {}, VT_DISPATCH}},
        {"23", {o::kOleFormat, 2004, kGet, {}, VT_DISPATCH}},
        {"24", {o::kOleFormat, 2004, kGet, {}, VT_DISPATCH}},
        {"25", {o::kControl, 1, kPut, {request.data_path}, VT_EMPTY}},
        // The save goes through the presentation made in 6a or 6b; the
        // active presentation (6c, 26) is never asked for.
        {"27", {o::kPresentation, 2036, kMethod, {request.output_path, 1, 1}, VT_EMPTY}},
        {"28", {o::kApplication, 2029, kPut, {setup.window_state}, VT_EMPTY}},
        {"29", {o::kApplication, 2021, kMethod, {}, VT_EMPTY}},
        // clang-format on
    };
    const std::set<std::string> skipped = {
        request.template_path.empty() ? "6a" : "6b",
        setup.has_title != 0 ? "15b" : "15a",
        // The user's own application keeps its window and goes on running.
        setup.already_running ? "3" : "",
        setup.already_running ? "4" : "",
        setup.already_running ? "28" : "",
        setup.already_running ? "29" : "",
        setup.viewer_installed ? "" : "24",
        setup.viewer_installed ? "" : "25",
    };
    std::vector<ExpectedStep> steps;
    std::ranges::copy_if(table, std::back_inserter(steps),
                         [&](const ExpectedStep& step) { return !skipped.contains(step.label); });
    return steps;
}

std::vector<test_support::Release> ExpectedReleases(const std::vector<std::string>& held,
                                                    const std::set<std::string>& failed) {
    const auto position = [&](const std::string& label) {
        return static_cast<std::size_t>(std::ranges::find(held, label) - held.begin()) + 1;
    };
    const auto got = [&](const std::string& label) {
        return !failed.contains(label) && position(label) <= held.size();
    };
    // How many calls come before the first of `labels` that the record holds.
    const auto before = [&](std::initializer_list<const char*> labels) {
        std::size_t first = held.size();
        for (const char* label : labels) {
            first = std::min(first, position(label) - 1);
        }
        return first;
    };
    struct Group {
        std::size_t after;  // calls in the record when the group goes
        std::vector<std::pair<const char*, const char*>> objects;  // step that gave it, object
    };
    const Group groups[] = {
        // The slide of step 11 goes at once; the new one is fetched in step 12.
        {position("11"), {{"11", o::kAddedSlide}}},
        // When the title is written, or its steps failed.
        {before({"21", "27", "28", "29"}),
         {{"17", o::kTextRange},
          {"16", o::kTextFrame},
          {"15a", o::kTitleShape},
          {"15b", o::kTitleShape}}},
        // The object of step 23 goes back before it is read again in step 24.
        {position("23"), {{position("24") <= held.size() ? "23" : "", o::kEmbeddedObject}}},
        // When the guarded insertion ends.
        {before({"27", "28", "29"}),
         {{"24", o::kControl}, {"22", o::kOleFormat}, {"21", o::kViewerShape}}},
        // After the last call: the application at once, then the clean-up.
        {held.size(),
         {{"1", o::kApplication},
          {"13", o::kShapes},
          {"12", o::kNewSlide},
          {"8", o::kSlideMaster},
          {"7", o::kSlides},
          {"6a", o::kPresentation},
          {"6b", o::kPresentation},
          {"5", o::kPresentations}}},
    };
    std::vector<test_support::Release> releases;
    for (const Group& group : groups) {
        for (const auto& [step, object] : group.objects) {
            if (got(step)) {
                releases.push_back({object, group.after});
            }
        }
    }
    return releases;
}

}  // namespace builder_test
