#include "fake_presentation_app.h"

#include "automation/automation_error.h"
#include "automation/class_registry.h"
#include "automation/dispatch_object.h"
#include "automation/variant.h"

namespace app_test {
namespace {

using automation::DISPID;
using automation::Variant;

// The first argument of a call, which must be a string.
const std::u16string& FirstString(std::span<const Variant> args) {
    if (args.empty()) {
        throw automation::AutomationError(automation::DISP_E_BADPARAMCOUNT, "no argument");
    }
    return args[0].AsBstr();
}

enum class Role {
    kApplication,
    kPresentations,
    kPresentation,
    kMaster,
    kSlides,
    kSlide,
    kShapes,
    kShape,
    kTextFrame,
    kTextRange,
    kOleFormat,
    kControl,
};

class FakeObject : public automation::DispatchObject {
  public:
    explicit FakeObject(Role role) : role_(role) {}

    void Invoke(DISPID member, std::uint16_t kind, std::span<const Variant> args,
                Variant& result) override {
        FakeRecord& record = State().record;
        const auto is = [&](Role role, DISPID id, std::uint16_t how) {
            return role_ == role && member == id && kind == how;
        };
        using automation::DISPATCH_METHOD;
        using automation::DISPATCH_PROPERTYGET;
        using automation::DISPATCH_PROPERTYPUT;
        if (is(Role::kApplication, 2033, DISPATCH_METHOD) ||
            is(Role::kApplication, 2029, DISPATCH_PROPERTYPUT) ||
            is(Role::kTextRange, 0, DISPATCH_PROPERTYPUT)) {
            return;
        }
        if (is(Role::kApplication, 2029, DISPATCH_PROPERTYGET)) {
            result = Variant::I4(1);
        } else if (is(Role::kApplication, 2001, DISPATCH_PROPERTYGET)) {
            result = Make(Role::kPresentations);
        } else if (is(Role::kApplication, 2005, DISPATCH_PROPERTYGET)) {
            result = Make(Role::kPresentation);
        } else if (is(Role::kApplication, 2021, DISPATCH_METHOD)) {
            record.quit = true;
        } else if (is(Role::kPresentations, 2005, DISPATCH_METHOD)) {
            record.templates_opened.push_back(FirstString(args));
            result = Make(Role::kPresentation);
        } else if (is(Role::kPresentations, 2003, DISPATCH_METHOD)) {
            ++record.blanks_added;
            result = Make(Role::kPresentation);
        } else if (is(Role::kPresentation, 2011, DISPATCH_PROPERTYGET)) {
            result = Make(Role::kSlides);
        } else if (is(Role::kPresentation, 2003, DISPATCH_PROPERTYGET)) {
            result = Make(Role::kMaster);
        } else if (is(Role::kPresentation, 2036, DISPATCH_METHOD)) {
            record.saved_as.push_back(FirstString(args));
        } else if (is(Role::kMaster, 2010, DISPATCH_PROPERTYGET)) {
            result = Variant::R4(720.0f);
        } else if (is(Role::kSlides, 11, DISPATCH_PROPERTYGET)) {
            result = Variant::I4(0);
        } else if (is(Role::kSlides, 2004, DISPATCH_METHOD) ||
                   is(Role::kSlides, 0, DISPATCH_METHOD)) {
            result = Make(Role::kSlide);
        } else if (is(Role::kSlide, 2003, DISPATCH_PROPERTYGET)) {
            result = Make(Role::kShapes);
        } else if (is(Role::kShapes, 2004, DISPATCH_PROPERTYGET)) {
            result = Variant::I4(1);
        } else if (is(Role::kShapes, 2006, DISPATCH_PROPERTYGET) ||
                   is(Role::kShapes, 2005, DISPATCH_METHOD) ||
                   is(Role::kShapes, 2008, DISPATCH_METHOD)) {
            result = Make(Role::kShape);
        } else if (is(Role::kShape, 121, DISPATCH_PROPERTYGET)) {
            result = Make(Role::kTextFrame);
        } else if (is(Role::kShape, 123, DISPATCH_PROPERTYGET)) {
            result = Variant::R4(30.0f);
        } else if (is(Role::kShape, 109, DISPATCH_PROPERTYGET)) {
            result = Variant::R4(50.0f);
        } else if (is(Role::kShape, 2003, DISPATCH_PROPERTYGET)) {
            result = Make(Role::kOleFormat);
        } else if (is(Role::kTextFrame, 2004, DISPATCH_PROPERTYGET)) {
            result = Make(Role::kTextRange);
        } else if (is(Role::kOleFormat, 2004, DISPATCH_PROPERTYGET)) {
            result = State().viewer_available ? Make(Role::kControl) : Variant::Dispatch({});
        } else if (is(Role::kControl, 1, DISPATCH_PROPERTYPUT)) {
            record.viewer_data_paths.push_back(FirstString(args));
        } else {
            throw automation::AutomationError(automation::DISP_E_MEMBERNOTFOUND,
                                              "the fake has no such member");
        }
    }

  private:
    static Variant Make(Role role) {
        return Variant::Dispatch(automation::DispatchPtr::Adopt(new FakeObject(role)));
    }

    Role role_;
};

constexpr automation::Clsid kFakeClsid =
    automation::Clsid::FromFields(0x0F0F0F0F, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8});

}  // namespace

FakeState& State() {
    static FakeState state;
    return state;
}

bool RegisterFakePresentationApp() {
    automation::ClassRegistry::Instance().Register(
        {u"PowerPoint.Application", kFakeClsid,
         [] { return automation::DispatchPtr::Adopt(new FakeObject(Role::kApplication)); }, false});
    return true;
}

void UnregisterFakePresentationApp() {
    automation::ClassRegistry::Instance().Unregister(u"PowerPoint.Application");
}

}  // namespace app_test
