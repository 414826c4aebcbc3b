// An object of the presentation application. Each kind (application, slide,
// shape, ...) is a table of the members it answers; a call is checked against
// it, refused once the application has quit, and handed to the member.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "automation/dispatch_object.h"
#include "automation/variant.h"
#include "engine/application_state.h"

namespace engine {

class EngineObject;
using Args = std::span<const automation::Variant>;

struct Member {
    automation::DISPID id;
    std::uint16_t kind;                           // DISPATCH_METHOD, _PROPERTYGET or _PROPERTYPUT
    const char* name;                             // "Slides.Add", for the errors
    std::span<const automation::VARTYPE> params;  // exactly these, no conversion
    void (*answer)(EngineObject& self, Args args, automation::Variant& result);
};

inline constexpr std::span<const automation::VARTYPE> kNoArgs{};

struct ObjectType {
    const char* name;  // "Slides"
    std::span<const Member> members;
};

// The parts of the document model an object works on, as its type needs them.
struct ModelParts {
    std::shared_ptr<PresentationModel> presentation{};
    std::shared_ptr<SlideModel> slide{};
    std::shared_ptr<ControlModel> control{};
};

class EngineObject final : public automation::DispatchObject {
  public:
    EngineObject(const ObjectType& type, StatePtr state, ModelParts parts)
        : type_(type), state_(std::move(state)), parts_(std::move(parts)) {}

    void Invoke(automation::DISPID member, std::uint16_t kind, Args args,
                automation::Variant& result) override;

    // A VT_DISPATCH holding a new object of `type` over the same application.
    automation::Variant New(const ObjectType& type, ModelParts parts) const;

    ApplicationState& state() const noexcept { return *state_; }
    const ModelParts& parts() const noexcept { return parts_; }
    PresentationModel& presentation() const noexcept { return *parts_.presentation; }
    SlideModel& slide() const noexcept { return *parts_.slide; }
    ControlModel& control() const noexcept { return *parts_.control; }

  private:
    const ObjectType& type_;
    StatePtr state_;
    ModelParts parts_;
};

// The kinds of object, by the names of PowerPoint's object model.
extern const ObjectType kApplication;
extern const ObjectType kPresentations;
extern const ObjectType kPresentation;
extern const ObjectType kSlideMaster;
extern const ObjectType kSlides;
extern const ObjectType kSlide;
extern const ObjectType kShapes;
extern const ObjectType kTitleShape;
extern const ObjectType kTextFrame;
extern const ObjectType kTextRange;
extern const ObjectType kOleObjectShape;
extern const ObjectType kOleFormat;

// A member that gives an object of `type` over the same parts ("Slide.Shapes").
template <const ObjectType& type>
void Child(EngineObject& self, Args, automation::Variant& result) {
    result = self.New(type, self.parts());
}

}  // namespace engine
