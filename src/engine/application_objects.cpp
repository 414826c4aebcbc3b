// The application and its presentations: the window state, Add, Open, the
// slide master's width, SaveAs and Quit.
#include <memory>
#include <string>

#include "automation/automation_error.h"
#include "automation/presentation_members.h"
#include "engine/application_class.h"
#include "engine/engine_object.h"
#include "engine/presentation_file.h"

namespace engine {
namespace {

using namespace automation;

constexpr VARTYPE kOneInt[] = {VT_I4};
constexpr VARTYPE kOpenParams[] = {VT_BSTR, VT_I4, VT_I4, VT_I4};
constexpr VARTYPE kSaveParams[] = {VT_BSTR, VT_I4, VT_I4};

Variant Opened(const EngineObject& self, std::shared_ptr<PresentationModel> presentation) {
    self.state().presentations.push_back(presentation);
    return self.New(kPresentation, {.presentation = std::move(presentation)});
}

constexpr Member kApplicationMembers[] = {
    // There is no window to bring forward.
    {ppt::kApplicationActivate, DISPATCH_METHOD, "Application.Activate", kNoArgs,
     [](EngineObject&, Args, Variant&) {}},
    {ppt::kApplicationWindowState, DISPATCH_PROPERTYGET, "Application.WindowState", kNoArgs,
     [](EngineObject& self, Args, Variant& result) {
         result = Variant::I4(self.state().window_state);
     }},
    {ppt::kApplicationWindowState, DISPATCH_PROPERTYPUT, "Application.WindowState", kOneInt,
     [](EngineObject& self, Args args, Variant&) {
         const std::int32_t value = args[0].AsI4();
         if (value < ppt::kWindowStateNormal || value > ppt::kWindowStateMaximised) {
             throw AutomationError(E_INVALIDARG,
                                   "Application.WindowState: " + std::to_string(value) +
                                       " is not a window state (1 normal, 2 minimised, "
                                       "3 maximised)");
         }
         self.state().window_state = value;
     }},
    {ppt::kApplicationPresentations, DISPATCH_PROPERTYGET, "Application.Presentations", kNoArgs,
     &Child<kPresentations>},
    {ppt::kApplicationQuit, DISPATCH_METHOD, "Application.Quit", kNoArgs,
     [](EngineObject& self, Args, Variant&) { self.state().Quit(); }},
};

constexpr Member kPresentationsMembers[] = {
    // WithWindow: there is no window either way.
    {ppt::kPresentationsAdd, DISPATCH_METHOD, "Presentations.Add", kOneInt,
     [](EngineObject& self, Args, Variant& result) { result = Opened(self, NewPresentation()); }},
    // ReadOnly, Untitled and WithWindow change nothing here: the template is
    // only ever read, and the presentation made from it is always untitled.
    {ppt::kPresentationsOpen, DISPATCH_METHOD, "Presentations.Open", kOpenParams,
     [](EngineObject& self, Args args, Variant& result) {
         result = Opened(self, OpenPresentation(args[0].AsBstr()));
     }},
};

constexpr Member kPresentationMembers[] = {
    {ppt::kPresentationSlides, DISPATCH_PROPERTYGET, "Presentation.Slides", kNoArgs,
     &Child<kSlides>},
    {ppt::kPresentationSlideMaster, DISPATCH_PROPERTYGET, "Presentation.SlideMaster", kNoArgs,
     &Child<kSlideMaster>},
    {ppt::kPresentationSaveAs, DISPATCH_METHOD, "Presentation.SaveAs", kSaveParams,
     [](EngineObject& self, Args args, Variant&) {
         const std::int32_t format = args[1].AsI4();
         if (format != ppt::kFileFormatPresentation) {
             throw AutomationError(E_INVALIDARG,
                                   "Presentation.SaveAs: file format " + std::to_string(format) +
                                       " is not supported; only format 1 (PowerPoint 97-2003 "
                                       "presentation) can be written");
         }
         // Font embedding asks for nothing here: the presentation uses only
         // the standard fonts, which every reader has.
         SavePresentationAs(self.presentation(), args[0].AsBstr());
     }},
};

constexpr Member kSlideMasterMembers[] = {
    {ppt::kMasterWidth, DISPATCH_PROPERTYGET, "SlideMaster.Width", kNoArgs,
     [](EngineObject& self, Args, Variant& result) {
         result = Variant::R4(self.presentation().slide_width);
     }},
};

}  // namespace

constinit const ObjectType kApplication{"Application", kApplicationMembers};
constinit const ObjectType kPresentations{"Presentations", kPresentationsMembers};
constinit const ObjectType kPresentation{"Presentation", kPresentationMembers};
constinit const ObjectType kSlideMaster{"SlideMaster", kSlideMasterMembers};

automation::DispatchPtr CreateApplication() {
    return automation::MakeRef<EngineObject>(kApplication, std::make_shared<ApplicationState>(),
                                             ModelParts{});
}

void RegisterApplicationClass(automation::ClassRegistry& registry) {
    registry.Register({u"PowerPoint.Application", kApplicationClsid, &CreateApplication, false});
}

}  // namespace engine
