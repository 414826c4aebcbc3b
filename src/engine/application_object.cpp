#include "engine/application_object.h"

#include <string>

#include "automation/automation_error.h"
#include "automation/member_check.h"
#include "engine/presentation_object.h"
#include "engine/presentations_collection.h"

namespace engine {
namespace {

using automation::AutomationError;
using automation::CheckArguments;
using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::DISPATCH_PROPERTYPUT;
using automation::Variant;

constexpr automation::DISPID kActivate = 2033;
constexpr automation::DISPID kWindowState = 2029;
constexpr automation::DISPID kPresentations = 2001;
constexpr automation::DISPID kActivePresentation = 2005;
constexpr automation::DISPID kQuit = 2021;

// The application's window states: normal, minimised, maximised.
bool IsWindowState(std::int32_t value) {
    return value >= 1 && value <= 3;
}

}  // namespace

ApplicationObject::ApplicationObject(StatePtr state)
    : EngineObject(std::move(state), "Application") {}

void ApplicationObject::Answer(automation::DISPID member, std::uint16_t kind,
                               std::span<const Variant> args, Variant& result) {
    switch (member) {
        case kActivate:
            if (kind == DISPATCH_METHOD) {
                // There is no window to bring forward.
                CheckArguments(args, {}, "Application.Activate");
                return;
            }
            break;
        case kWindowState:
            if (kind == DISPATCH_PROPERTYGET) {
                CheckArguments(args, {}, "Application.WindowState");
                result = Variant::I4(state().window_state);
                return;
            }
            if (kind == DISPATCH_PROPERTYPUT) {
                CheckArguments(args, {automation::VT_I4}, "Application.WindowState");
                const std::int32_t value = args[0].AsI4();
                if (!IsWindowState(value)) {
                    throw AutomationError(automation::E_INVALIDARG,
                                          "Application.WindowState: " + std::to_string(value) +
                                              " is not a window state (1 normal, 2 minimised, "
                                              "3 maximised)");
                }
                state().window_state = value;
                return;
            }
            break;
        case kPresentations:
            if (kind == DISPATCH_PROPERTYGET) {
                CheckArguments(args, {}, "Application.Presentations");
                result =
                    Variant::Dispatch(automation::MakeRef<PresentationsCollection>(shared_state()));
                return;
            }
            break;
        case kActivePresentation:
            if (kind == DISPATCH_PROPERTYGET) {
                CheckArguments(args, {}, "Application.ActivePresentation");
                if (state().presentations.empty()) {
                    throw AutomationError(
                        automation::E_FAIL,
                        "Application.ActivePresentation: no presentation is open");
                }
                result = Variant::Dispatch(automation::MakeRef<PresentationObject>(
                    shared_state(), state().presentations.back()));
                return;
            }
            break;
        case kQuit:
            if (kind == DISPATCH_METHOD) {
                CheckArguments(args, {}, "Application.Quit");
                state().Quit();
                return;
            }
            break;
        default:
            break;
    }
    NotFound(member, kind);
}

}  // namespace engine
