#include "builder/expected_conversation.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace builder_test {

using automation::VT_DISPATCH;
using automation::VT_EMPTY;
using automation::VT_I4;
using automation::VT_R4;

namespace {

// Every step of a build with the answer the scripted application gives.
std::vector<ExpectedStep> Steps(const test_support::PresentationAppSetup& setup,
                                const BuildRequest& request, const Placement& placement) {
    constexpr std::uint16_t kMethod = 1;
    constexpr std::uint16_t kGet = 2;
    constexpr std::uint16_t kPut = 4;
    using test_support::Reply;
    const auto object = &Reply::Object;
    const Reply none;
    const std::int32_t index = setup.slide_count + 1;
    return {
        // clang-format off
        {"1", {"application", 0, test_support::kCreate, {u"PowerPoint.Application"}, VT_DISPATCH}, none},
        {"2", {"application", 2033, kMethod, {}, VT_EMPTY}, none},
        {"3", {"application", 2029, kGet, {}, VT_I4}, Reply::Int(setup.window_state)},
        {"4", {"application", 2029, kPut, {2}, VT_EMPTY}, none},
        {"5", {"application", 2001, kGet, {}, VT_DISPATCH}, object("presentations")},
        {"6a", {"presentations", 2005, kMethod, {request.template_path, 0, -1, -1}, VT_DISPATCH}, object("presentation")},
        {"6b", {"presentations", 2003, kMethod, {1}, VT_DISPATCH}, object("presentation")},
        {"7", {"presentation", 2011, kGet, {}, VT_DISPATCH}, object("slides")},
        {"8", {"presentation", 2003, kGet, {}, VT_DISPATCH}, object("slide master")},
        {"9", {"slide master", 2010, kGet, {}, VT_R4}, Reply::Float(setup.slide_width)},
        {"10", {"slides", 11, kGet, {}, VT_I4}, Reply::Int(setup.slide_count)},
        {"11", {"slides", 2004, kMethod, {index, 11}, VT_DISPATCH}, object("added slide")},
        {"12", {"slides", 0, kMethod, {index}, VT_DISPATCH}, object("new slide")},
        {"13", {"new slide", 2003, kGet, {}, VT_DISPATCH}, object("shapes")},
        {"14", {"shapes", 2004, kGet, {}, VT_I4}, Reply::Int(setup.has_title)},
        {"15a", {"shapes", 2006, kGet, {}, VT_DISPATCH}, object("title shape")},
        {"15b", {"shapes", 2005, kMethod, {}, VT_DISPATCH}, object("title shape")},
        {"16", {"title shape", 121, kGet, {}, VT_DISPATCH}, object("text frame")},
        {"17", {"text frame", 2004, kGet, {}, VT_DISPATCH}, object("text range")},
        {"18", {"text range", 0, kPut, {placement.title}, VT_EMPTY}, none},
        {"19", {"title shape", 123, kGet, {}, VT_R4}, Reply::Float(setup.title_top)},
        {"20", {"title shape", 109, kGet, {}, VT_R4}, Reply::Float(setup.title_height)},
        {"21", {"shapes", 2008, kMethod, {placement.left, placement.top, 600.0f, 400.0f, u"TRELVO.TrelvoCtrl.1", u"", 0, u"", 0, u"", 0}, VT_DISPATCH}, object("viewer shape")},
        {"22", {"viewer shape", 2003, kGet, {}, VT_DISPATCH}, object("OLE format")},
        // Without the viewer the OLE format holds no object.
        {"23", {"OLE format", 2004, kGet, {}, VT_DISPATCH}, setup.viewer_installed ? object("embedded object") : Reply::NoObject()},
        {"24", {"OLE format", 2004, kGet, {}, VT_DISPATCH}, object("control")},
        {"25", {"control", 1, kPut, {request.data_path}, VT_EMPTY}, none},
        // The save goes through the presentation made in 6a or 6b; the
        // active presentation (6c, 26) is never asked for.
        {"27", {"presentation", 2036, kMethod, {request.output_path, 1, 1}, VT_EMPTY}, none},
        {"28", {"application", 2029, kPut, {setup.window_state}, VT_EMPTY}, none},
        {"29", {"application", 2021, kMethod, {}, VT_EMPTY}, none},
        // clang-format on
    };
}

}  // namespace

std::vector<ExpectedStep> ExpectedConversation(const test_support::PresentationAppSetup& setup,
                                               const BuildRequest& request,
                                               const Placement& placement) {
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
    std::vector<ExpectedStep> steps = Steps(setup, request, placement);
    std::erase_if(steps, [&](const ExpectedStep& step) { return skipped.contains(step.label); });
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
        {position("11"), {{"11", "added slide"}}},
        // When the title is written, or its steps failed.
        {before({"21", "27", "28", "29"}),
         {{"17", "text range"},
          {"16", "text frame"},
          {"15a", "title shape"},
          {"15b", "title shape"}}},
        // The object of step 23 goes back before it is read again in step 24.
        {position("23"), {{position("24") <= held.size() ? "23" : "", "embedded object"}}},
        // When the guarded insertion ends.
        {before({"27", "28", "29"}),
         {{"24", "control"}, {"22", "OLE format"}, {"21", "viewer shape"}}},
        // After the last call: the application at once, then the clean-up.
        {held.size(),
         {{"1", "application"},
          {"13", "shapes"},
          {"12", "new slide"},
          {"8", "slide master"},
          {"7", "slides"},
          {"6a", "presentation"},
          {"6b", "presentation"},
          {"5", "presentations"}}},
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

void test_support::ScriptPresentationApp(ScriptedServer& server,
                                         const PresentationAppSetup& setup) {
    for (const auto& [label, call, reply] : builder_test::Steps(setup, {}, {})) {
        if (call.kind != kCreate) {
            server.On(call.object, call.member, call.kind, reply);
        }
    }
}
