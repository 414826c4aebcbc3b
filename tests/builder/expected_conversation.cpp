#include "builder/expected_conversation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "automation/types.h"

namespace builder_test {
namespace {

using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::DISPATCH_PROPERTYPUT;
using automation::VT_DISPATCH;
using automation::VT_EMPTY;
using automation::VT_I4;
using automation::VT_R4;
using test_support::Call;
using test_support::Value;
namespace o = test_support::app_object;

Value I4(std::int32_t value) {
    return value;
}
Value R4(float value) {
    return value;
}
Value Str(std::u16string value) {
    return value;
}

}  // namespace

std::vector<ExpectedStep> ExpectedConversation(const test_support::PresentationAppSetup& setup,
                                               const BuildRequest& request,
                                               const Placement& placement) {
    const std::int32_t index = setup.slide_count + 1;
    std::vector<ExpectedStep> steps = {
        {"1",
         {o::kApplication,
          0,
          test_support::kCreate,
          {Str(u"PowerPoint.Application")},
          VT_DISPATCH,
          false}},
        {"2", {o::kApplication, 2033, DISPATCH_METHOD, {}, VT_EMPTY, false}},
    };
    // An application the user has open keeps its window as it is.
    if (!setup.already_running) {
        steps.push_back({"3", {o::kApplication, 2029, DISPATCH_PROPERTYGET, {}, VT_I4, false}});
        steps.push_back(
            {"4", {o::kApplication, 2029, DISPATCH_PROPERTYPUT, {I4(2)}, VT_EMPTY, false}});
    }
    steps.push_back({"5", {o::kApplication, 2001, DISPATCH_PROPERTYGET, {}, VT_DISPATCH, false}});
    // The presentation is the one made here, also for the save (step 27);
    // the active presentation (steps 6c and 26) is never asked for.
    if (request.template_path.empty()) {
        steps.push_back(
            {"6b", {o::kPresentations, 2003, DISPATCH_METHOD, {I4(1)}, VT_DISPATCH, false}});
    } else {
        steps.push_back({"6a",
                         {o::kPresentations,
                          2005,
                          DISPATCH_METHOD,
                          {Str(request.template_path), I4(0), I4(-1), I4(-1)},
                          VT_DISPATCH,
                          false}});
    }
    const std::vector<ExpectedStep> slide_and_title = {
        {"7", {o::kPresentation, 2011, DISPATCH_PROPERTYGET, {}, VT_DISPATCH, false}},
        {"8", {o::kPresentation, 2003, DISPATCH_PROPERTYGET, {}, VT_DISPATCH, false}},
        {"9", {o::kSlideMaster, 2010, DISPATCH_PROPERTYGET, {}, VT_R4, false}},
        {"10", {o::kSlides, 11, DISPATCH_PROPERTYGET, {}, VT_I4, false}},
        {"11", {o::kSlides, 2004, DISPATCH_METHOD, {I4(index), I4(11)}, VT_DISPATCH, false}},
        {"12", {o::kSlides, 0, DISPATCH_METHOD, {I4(index)}, VT_DISPATCH, false}},
        {"13", {o::kNewSlide, 2003, DISPATCH_PROPERTYGET, {}, VT_DISPATCH, false}},
        {"14", {o::kShapes, 2004, DISPATCH_PROPERTYGET, {}, VT_I4, false}},
    };
    steps.insert(steps.end(), slide_and_title.begin(), slide_and_title.end());
    if (setup.has_title != 0) {
        steps.push_back({"15a", {o::kShapes, 2006, DISPATCH_PROPERTYGET, {}, VT_DISPATCH, false}});
    } else {
        steps.push_back({"15b", {o::kShapes, 2005, DISPATCH_METHOD, {}, VT_DISPATCH, false}});
    }
    const std::vector<ExpectedStep> text_and_viewer = {
        {"16", {o::kTitleShape, 121, DISPATCH_PROPERTYGET, {}, VT_DISPATCH, false}},
        {"17", {o::kTextFrame, 2004, DISPATCH_PROPERTYGET, {}, VT_DISPATCH, false}},
        {"18", {o::kTextRange, 0, DISPATCH_PROPERTYPUT, {Str(placement.title)}, VT_EMPTY, false}},
        {"19", {o::kTitleShape, 123, DISPATCH_PROPERTYGET, {}, VT_R4, false}},
        {"20", {o::kTitleShape, 109, DISPATCH_PROPERTYGET, {}, VT_R4, false}},
        {"21",
         {o::kShapes,
          2008,
          DISPATCH_METHOD,
          {R4(placement.left), R4(placement.top), R4(600.0f), R4(400.0f),
           Str(u"TRELVO.TrelvoCtrl.1"), Str(u""), I4(0), Str(u""), I4(0), Str(u""), I4(0)},
          VT_DISPATCH,
          false}},
        {"22", {o::kViewerShape, 2003, DISPATCH_PROPERTYGET, {}, VT_DISPATCH, false}},
        {"23", {o::kOleFormat, 2004, DISPATCH_PROPERTYGET, {}, VT_DISPATCH, false}},
    };
    steps.insert(steps.end(), text_and_viewer.begin(), text_and_viewer.end());
    if (setup.viewer_installed) {
        steps.push_back(
            {"24", {o::kOleFormat, 2004, DISPATCH_PROPERTYGET, {}, VT_DISPATCH, false}});
        steps.push_back(
            {"25",
             {o::kControl, 1, DISPATCH_PROPERTYPUT, {Str(request.data_path)}, VT_EMPTY, false}});
    }
    steps.push_back({"27",
                     {o::kPresentation,
                      2036,
                      DISPATCH_METHOD,
                      {Str(request.output_path), I4(1), I4(1)},
                      VT_EMPTY,
                      false}});
    // An application the user has open goes on running as it was.
    if (!setup.already_running) {
        steps.push_back({"28",
                         {o::kApplication,
                          2029,
                          DISPATCH_PROPERTYPUT,
                          {I4(setup.window_state)},
                          VT_EMPTY,
                          false}});
        steps.push_back({"29", {o::kApplication, 2021, DISPATCH_METHOD, {}, VT_EMPTY, false}});
    }
    return steps;
}

std::size_t PositionOf(const std::vector<ExpectedStep>& steps, const std::string& label) {
    const auto it = std::ranges::find(steps, label, &ExpectedStep::label);
    if (it == steps.end()) {
        ADD_FAILURE() << "the conversation has no step " << label;
        return steps.size();
    }
    return static_cast<std::size_t>(it - steps.begin());
}

std::vector<std::string> Labels(const std::vector<ExpectedStep>& steps) {
    std::vector<std::string> labels;
    for (const auto& step : steps) {
        labels.push_back(step.label);
    }
    return labels;
}

std::vector<test_support::Release> ExpectedReleases(const std::vector<std::string>& held) {
    const auto has = [&](const std::string& label) {
        return std::ranges::find(held, label) != held.end();
    };
    // A release after step `label` comes when the record holds that step and
    // all before it.
    const auto after = [&](const std::string& label) {
        const auto it = std::ranges::find(held, label);
        if (it == held.end()) {
            ADD_FAILURE() << "the record has no step " << label;
        }
        return static_cast<std::size_t>(it - held.begin()) + 1;
    };
    std::vector<test_support::Release> releases;
    // The slide of step 11 is not used; the new slide is fetched again in step 12.
    releases.push_back({o::kAddedSlide, after("11")});
    // After step 20: text range, text frame, title shape.
    for (const char* object : {o::kTextRange, o::kTextFrame, o::kTitleShape}) {
        releases.push_back({object, after("20")});
    }
    // The guarded insertion: the object read in step 23 goes back before it
    // is read again in step 24; when the block ends, after its last call
    // (step 25 when all went well), the control object, then the OLE format,
    // then the inserted shape.
    if (has("24")) {
        releases.push_back({o::kEmbeddedObject, after("23")});
    }
    std::string block_end;
    for (const char* label : {"21", "22", "23", "24", "25"}) {
        if (has(label)) {
            block_end = label;
        }
    }
    const std::pair<const char*, const char*> block_objects[] = {
        {"25", o::kControl}, {"23", o::kOleFormat}, {"22", o::kViewerShape}};
    for (const auto& [called, object] : block_objects) {
        if (has(called)) {
            releases.push_back({object, after(block_end)});
        }
    }
    // After the last call (the quit, or the save in the user's own
    // application): the application at once, then the clean-up, the
    // presentation that was saved among it.
    for (const char* object : {o::kApplication, o::kShapes, o::kNewSlide, o::kSlideMaster,
                               o::kSlides, o::kPresentation, o::kPresentations}) {
        releases.push_back({object, held.size()});
    }
    return releases;
}

std::vector<test_support::Call> Pick(const std::vector<ExpectedStep>& steps,
                                     std::initializer_list<std::string> labels) {
    std::vector<Call> calls;
    for (const auto& label : labels) {
        const std::size_t position = PositionOf(steps, label);
        if (position < steps.size()) {
            calls.push_back(steps[position].call);
        }
    }
    return calls;
}

std::vector<test_support::Call> UpTo(const std::vector<ExpectedStep>& steps,
                                     const std::string& label) {
    std::vector<Call> calls;
    const std::size_t last = PositionOf(steps, label);
    for (std::size_t i = 0; i <= last && i < steps.size(); ++i) {
        calls.push_back(steps[i].call);
    }
    return calls;
}

}  // namespace builder_test
