// The slide collection, a slide, its shapes (title placeholder, inserted
// controls), the title's text, and the OLE format handing out a control.
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <string>

#include "automation/automation_error.h"
#include "automation/class_registry.h"
#include "automation/presentation_members.h"
#include "automation/text_codec.h"
#include "engine/engine_object.h"

namespace engine {
namespace {

using namespace automation;

constexpr VARTYPE kOneInt[] = {VT_I4};
constexpr VARTYPE kTwoInts[] = {VT_I4, VT_I4};
constexpr VARTYPE kOneString[] = {VT_BSTR};
// Left, Top, Width, Height, ClassName, FileName, DisplayAsIcon, IconFileName,
// IconIndex, IconLabel, Link.
constexpr VARTYPE kOleObjectParams[] = {VT_R4, VT_R4,   VT_R4, VT_R4,   VT_BSTR, VT_BSTR,
                                        VT_I4, VT_BSTR, VT_I4, VT_BSTR, VT_I4};

// Far beyond any slide (the largest is 56 inches), yet small enough that every
// position and size stays exact in the file's integer units.
constexpr float kMaxCoordinate = 100000.0f;

void AddSlide(EngineObject& self, Args args, Variant& result) {
    const std::int32_t index = args[0].AsI4();
    const std::int32_t layout = args[1].AsI4();
    auto& slides = self.presentation().slides;
    if (slides.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw AutomationError(E_FAIL, "Slides.Add: the presentation is full");
    }
    const auto count = static_cast<std::int64_t>(slides.size());
    if (index < 1 || index > count + 1) {
        throw AutomationError(E_INVALIDARG, "Slides.Add: index " + std::to_string(index) +
                                                " is outside 1.." + std::to_string(count + 1));
    }
    if (layout != ppt::kLayoutTitleOnly) {
        throw AutomationError(E_INVALIDARG,
                              "Slides.Add: layout " + std::to_string(layout) +
                                  " is not supported; only the title-only layout (11) is");
    }
    auto slide = std::make_shared<SlideModel>();
    slide->has_title = true;
    // A new slide follows the master of the one before it (at the front, the
    // first), and its title sits where that master puts titles.
    if (index > 1) {
        slide->master_id = slides[static_cast<std::size_t>(index - 2)]->master_id;
    }
    slide->title_rect = self.presentation().source->MasterTitleRect(slide->master_id);
    slides.insert(slides.begin() + (index - 1), slide);
    result = self.New(kSlide, {.slide = std::move(slide)});
}

void SlideItem(EngineObject& self, Args args, Variant& result) {
    const std::int32_t index = args[0].AsI4();
    const auto& slides = self.presentation().slides;
    if (index < 1 || static_cast<std::size_t>(index) > slides.size()) {
        throw AutomationError(DISP_E_BADINDEX, "Slides.Item: there is no slide " +
                                                   std::to_string(index) + " of " +
                                                   std::to_string(slides.size()));
    }
    result = self.New(kSlide, {.slide = slides[static_cast<std::size_t>(index - 1)]});
}

// Slides of the template are written back as they are; raises for an edit.
void RefuseTemplateSlide(const EngineObject& self, const char* member) {
    if (self.slide().FromTemplate()) {
        throw AutomationError(
            E_FAIL, std::string(member) + ": slides that come from the template cannot be edited");
    }
}

void CheckGeometry(const pptfile::Rect& r) {
    for (const float v : {r.left, r.top, r.width, r.height}) {
        if (!std::isfinite(v) || std::fabs(v) > kMaxCoordinate) {
            throw AutomationError(E_INVALIDARG,
                                  "Shapes.AddOLEObject: position and size must be numbers "
                                  "of at most 100000 points");
        }
    }
    if (r.width < 0 || r.height < 0) {
        throw AutomationError(E_INVALIDARG,
                              "Shapes.AddOLEObject: width and height must not be negative");
    }
}

[[noreturn]] void RefuseControl(const std::string& what) {
    throw AutomationError(E_INVALIDARG, "Shapes.AddOLEObject: " + what);
}

void AddOleObject(EngineObject& self, Args args, Variant& result) {
    RefuseTemplateSlide(self, "Shapes.AddOLEObject");
    const pptfile::Rect anchor{args[0].AsR4(), args[1].AsR4(), args[2].AsR4(), args[3].AsR4()};
    const std::u16string& class_name = args[4].AsBstr();
    // Icon file, index and label only matter when the object shows as an icon.
    if (!args[5].AsBstr().empty()) {
        RefuseControl("inserting an object from a file is not supported");
    }
    if (args[6].AsI4() != 0) {
        RefuseControl("showing an object as an icon is not supported");
    }
    if (args[10].AsI4() != 0) {
        RefuseControl("linking an object is not supported");
    }
    CheckGeometry(anchor);

    const auto& registry = ClassRegistry::Instance();
    const ClassInfo* info = registry.FindByProgId(class_name);
    const std::string quoted = '"' + ToUtf8(class_name) + '"';
    if (info == nullptr) {
        throw AutomationError(REGDB_E_CLASSNOTREG,
                              "Shapes.AddOLEObject: no control is registered as " + quoted);
    }
    if (!info->is_control) {
        RefuseControl(quoted + " is not an ActiveX control");
    }
    auto control = std::make_shared<ControlModel>();
    control->prog_id = info->prog_id;
    control->anchor = anchor;
    // Copied out first: the registry may change while its factory runs.
    const Clsid clsid = info->clsid;
    control->object = registry.CreateInstance(clsid);
    if (!control->object) {
        throw AutomationError(E_FAIL,
                              "Shapes.AddOLEObject: the control " + quoted + " did not start");
    }
    if (control->object->QueryPersistState() == nullptr) {
        // It could not be written into the presentation.
        throw AutomationError(
            E_FAIL, "Shapes.AddOLEObject: the control " + quoted + " cannot save its state");
    }
    self.slide().controls.push_back(control);
    result = self.New(kOleObjectShape, {.control = std::move(control)});
}

void Title(EngineObject& self, Args, Variant& result) {
    RefuseTemplateSlide(self, "Shapes.Title");
    if (!self.slide().has_title) {
        throw AutomationError(E_FAIL, "Shapes.Title: the slide has no title");
    }
    result = self.New(kTitleShape, self.parts());
}

void AddTitle(EngineObject& self, Args, Variant& result) {
    RefuseTemplateSlide(self, "Shapes.AddTitle");
    if (self.slide().has_title) {
        throw AutomationError(E_FAIL, "Shapes.AddTitle: the slide has a title already");
    }
    // The placeholder goes where the slide's master puts titles.
    self.slide().has_title = true;
    result = self.New(kTitleShape, self.parts());
}

constexpr Member kSlidesMembers[] = {
    // Add refuses to grow past INT32_MAX, so the count always fits.
    {ppt::kSlidesCount, DISPATCH_PROPERTYGET, "Slides.Count", kNoArgs,
     [](EngineObject& self, Args, Variant& result) {
         result = Variant::I4(static_cast<std::int32_t>(self.presentation().slides.size()));
     }},
    {ppt::kSlidesAdd, DISPATCH_METHOD, "Slides.Add", kTwoInts, &AddSlide},
    {ppt::kSlidesItem, DISPATCH_METHOD, "Slides.Item", kOneInt, &SlideItem},
};

constexpr Member kSlideMembers[] = {
    {ppt::kSlideShapes, DISPATCH_PROPERTYGET, "Slide.Shapes", kNoArgs, &Child<kShapes>},
};

constexpr Member kShapesMembers[] = {
    {ppt::kShapesHasTitle, DISPATCH_PROPERTYGET, "Shapes.HasTitle", kNoArgs,
     [](EngineObject& self, Args, Variant& result) {
         result = Variant::I4(self.slide().has_title ? ppt::kTrue : 0);
     }},
    {ppt::kShapesTitle, DISPATCH_PROPERTYGET, "Shapes.Title", kNoArgs, &Title},
    {ppt::kShapesAddTitle, DISPATCH_METHOD, "Shapes.AddTitle", kNoArgs, &AddTitle},
    {ppt::kShapesAddOleObject, DISPATCH_METHOD, "Shapes.AddOLEObject", kOleObjectParams,
     &AddOleObject},
};

constexpr Member kTitleShapeMembers[] = {
    {ppt::kShapeTextFrame, DISPATCH_PROPERTYGET, "Shape.TextFrame", kNoArgs, &Child<kTextFrame>},
    {ppt::kShapeTop, DISPATCH_PROPERTYGET, "Shape.Top", kNoArgs,
     [](EngineObject& self, Args, Variant& result) {
         result = Variant::R4(self.slide().title_rect.top);
     }},
    {ppt::kShapeHeight, DISPATCH_PROPERTYGET, "Shape.Height", kNoArgs,
     [](EngineObject& self, Args, Variant& result) {
         result = Variant::R4(self.slide().title_rect.height);
     }},
};

constexpr Member kTextFrameMembers[] = {
    {ppt::kTextFrameTextRange, DISPATCH_PROPERTYGET, "TextFrame.TextRange", kNoArgs,
     &Child<kTextRange>},
};

constexpr Member kTextRangeMembers[] = {
    {ppt::kTextRangeText, DISPATCH_PROPERTYPUT, "TextRange.Text", kOneString,
     // A title made from a file name may hold what the name's bytes could not
     // spell: the slide shows it as readable text.
     [](EngineObject& self, Args args, Variant&) {
         self.slide().title = ReadableText(args[0].AsBstr());
     }},
};

constexpr Member kOleObjectShapeMembers[] = {
    {ppt::kShapeOleFormat, DISPATCH_PROPERTYGET, "Shape.OLEFormat", kNoArgs, &Child<kOleFormat>},
};

constexpr Member kOleFormatMembers[] = {
    // A reference of the caller's own, each time.
    {ppt::kOleFormatObject, DISPATCH_PROPERTYGET, "OLEFormat.Object", kNoArgs,
     [](EngineObject& self, Args, Variant& result) {
         result = Variant::Dispatch(self.control().object);
     }},
};

}  // namespace

constinit const ObjectType kSlides{"Slides", kSlidesMembers};
constinit const ObjectType kSlide{"Slide", kSlideMembers};
constinit const ObjectType kShapes{"Shapes", kShapesMembers};
constinit const ObjectType kTitleShape{"Shape", kTitleShapeMembers};
constinit const ObjectType kTextFrame{"TextFrame", kTextFrameMembers};
constinit const ObjectType kTextRange{"TextRange", kTextRangeMembers};
constinit const ObjectType kOleObjectShape{"Shape", kOleObjectShapeMembers};
constinit const ObjectType kOleFormat{"OLEFormat", kOleFormatMembers};

}  // namespace engine
