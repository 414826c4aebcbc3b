#include "engine/shapes_collection.h"

#include <cmath>
#include <string>

#include "automation/automation_error.h"
#include "automation/class_registry.h"
#include "automation/member_check.h"
#include "automation/text_codec.h"
#include "engine/ole_object_shape.h"
#include "engine/title_shape.h"

namespace engine {
namespace {

using automation::AutomationError;
using automation::CheckArguments;
using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::Variant;
using automation::VT_BSTR;
using automation::VT_I4;
using automation::VT_R4;

constexpr automation::DISPID kHasTitle = 2004;
constexpr automation::DISPID kTitle = 2006;
constexpr automation::DISPID kAddTitle = 2005;
constexpr automation::DISPID kAddOleObject = 2008;

// The application's "true".
constexpr std::int32_t kTrue = -1;

// Far beyond any slide (the largest is 56 inches), yet small enough that every
// position and size stays exact in the file's integer units.
constexpr float kMaxCoordinate = 100000.0f;

void CheckGeometry(const pptfile::Rect& r) {
    const float values[] = {r.left, r.top, r.width, r.height};
    for (const float v : values) {
        if (!std::isfinite(v) || std::fabs(v) > kMaxCoordinate) {
            throw AutomationError(automation::E_INVALIDARG,
                                  "Shapes.AddOLEObject: position and size must be numbers "
                                  "of at most 100000 points");
        }
    }
    if (r.width < 0 || r.height < 0) {
        throw AutomationError(automation::E_INVALIDARG,
                              "Shapes.AddOLEObject: width and height must not be negative");
    }
}

[[noreturn]] void NotSupported(const std::string& what) {
    throw AutomationError(automation::E_INVALIDARG,
                          "Shapes.AddOLEObject: " + what + " is not supported");
}

}  // namespace

ShapesCollection::ShapesCollection(StatePtr state, std::shared_ptr<SlideModel> slide)
    : EngineObject(std::move(state), "Shapes"), slide_(std::move(slide)) {}

void ShapesCollection::Answer(automation::DISPID member, std::uint16_t kind,
                              std::span<const Variant> args, Variant& result) {
    if (member == kHasTitle && kind == DISPATCH_PROPERTYGET) {
        CheckArguments(args, {}, "Shapes.HasTitle");
        result = Variant::I4(slide_->has_title ? kTrue : 0);
        return;
    }
    if (member == kTitle && kind == DISPATCH_PROPERTYGET) {
        CheckArguments(args, {}, "Shapes.Title");
        RefuseTemplateSlide("Shapes.Title");
        if (!slide_->has_title) {
            throw AutomationError(automation::E_FAIL, "Shapes.Title: the slide has no title");
        }
        result = Variant::Dispatch(automation::MakeRef<TitleShape>(shared_state(), slide_));
        return;
    }
    if (member == kAddTitle && kind == DISPATCH_METHOD) {
        CheckArguments(args, {}, "Shapes.AddTitle");
        RefuseTemplateSlide("Shapes.AddTitle");
        if (slide_->has_title) {
            throw AutomationError(automation::E_FAIL,
                                  "Shapes.AddTitle: the slide has a title already");
        }
        // The placeholder goes where the master puts titles, as the slide was
        // told when it was made.
        slide_->has_title = true;
        result = Variant::Dispatch(automation::MakeRef<TitleShape>(shared_state(), slide_));
        return;
    }
    if (member == kAddOleObject && kind == DISPATCH_METHOD) {
        CheckArguments(
            args,
            {VT_R4, VT_R4, VT_R4, VT_R4, VT_BSTR, VT_BSTR, VT_I4, VT_BSTR, VT_I4, VT_BSTR, VT_I4},
            "Shapes.AddOLEObject");
        RefuseTemplateSlide("Shapes.AddOLEObject");
        AddOleObject(args, result);
        return;
    }
    NotFound(member, kind);
}

void ShapesCollection::RefuseTemplateSlide(const char* member) const {
    if (slide_->FromTemplate()) {
        throw AutomationError(
            automation::E_FAIL,
            std::string(member) + ": slides that come from the template cannot be edited");
    }
}

void ShapesCollection::AddOleObject(std::span<const Variant> args, Variant& result) {
    const pptfile::Rect anchor{args[0].AsR4(), args[1].AsR4(), args[2].AsR4(), args[3].AsR4()};
    const std::u16string& class_name = args[4].AsBstr();
    // Icon file, index and label only matter when the object shows as an icon.
    if (!args[5].AsBstr().empty()) {
        NotSupported("inserting an object from a file");
    }
    if (args[6].AsI4() != 0) {
        NotSupported("showing an object as an icon");
    }
    if (args[10].AsI4() != 0) {
        NotSupported("linking an object");
    }
    CheckGeometry(anchor);

    const auto& registry = automation::ClassRegistry::Instance();
    const automation::ClassInfo* info = registry.FindByProgId(class_name);
    if (info == nullptr) {
        throw AutomationError(automation::REGDB_E_CLASSNOTREG,
                              "Shapes.AddOLEObject: no control is registered as \"" +
                                  automation::ToUtf8(class_name) + "\"");
    }
    if (!info->is_control) {
        throw AutomationError(automation::E_INVALIDARG, "Shapes.AddOLEObject: \"" +
                                                            automation::ToUtf8(class_name) +
                                                            "\" is not an ActiveX control");
    }
    auto control = std::make_shared<ControlModel>();
    control->prog_id = info->prog_id;
    control->anchor = anchor;
    // Copied out first: the registry may change while its factory runs.
    const automation::Clsid clsid = info->clsid;
    control->object = registry.CreateInstance(clsid);
    if (!control->object) {
        throw AutomationError(automation::E_FAIL, "Shapes.AddOLEObject: the control \"" +
                                                      automation::ToUtf8(class_name) +
                                                      "\" did not start");
    }
    if (control->object->QueryPersistState() == nullptr) {
        // It could not be written into the presentation.
        throw AutomationError(automation::E_FAIL, "Shapes.AddOLEObject: the control \"" +
                                                      automation::ToUtf8(class_name) +
                                                      "\" cannot save its state");
    }
    slide_->controls.push_back(control);
    result =
        Variant::Dispatch(automation::MakeRef<OleObjectShape>(shared_state(), std::move(control)));
}

}  // namespace engine
