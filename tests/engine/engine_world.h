// One of every object of the presentation application, reached through the
// conversation the builder holds: a blank presentation with one title-only
// slide that carries a test control.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "automation/dispatch.h"
#include "automation/variant.h"
#include "automation_calls.h"
#include "engine/application_class.h"

namespace engine_test {

enum class Obj : std::size_t {
    kApplication,
    kPresentations,
    kPresentation,
    kSlideMaster,
    kSlides,
    kSlide,
    kShapes,
    kTitle,
    kTextFrame,
    kTextRange,
    kOleShape,
    kOleFormat,
    kCount
};

inline std::vector<Variant> OleObjectArgs(std::u16string class_name, float left = 60.0f,
                                          float top = 113.625f, float width = 600.0f,
                                          float height = 400.0f) {
    return {Variant::R4(left),
            Variant::R4(top),
            Variant::R4(width),
            Variant::R4(height),
            Variant::Bstr(class_name),
            Variant::Bstr(u""),
            Variant::I4(0),
            Variant::Bstr(u""),
            Variant::I4(0),
            Variant::Bstr(u""),
            Variant::I4(0)};
}

class World {
  public:
    World() {
        using automation::DISPATCH_METHOD;
        Set(Obj::kApplication, engine::CreateApplication());
        Set(Obj::kPresentations, GetObject(at(Obj::kApplication), 2001));
        Set(Obj::kPresentation,
            GetObject(at(Obj::kPresentations), 2003, {Variant::I4(1)}, DISPATCH_METHOD));
        Set(Obj::kSlideMaster, GetObject(at(Obj::kPresentation), 2003));
        Set(Obj::kSlides, GetObject(at(Obj::kPresentation), 2011));
        Call(at(Obj::kSlides), 2004, DISPATCH_METHOD, {Variant::I4(1), Variant::I4(11)});
        Set(Obj::kSlide, GetObject(at(Obj::kSlides), 0, {Variant::I4(1)}, DISPATCH_METHOD));
        Set(Obj::kShapes, GetObject(at(Obj::kSlide), 2003));
        Set(Obj::kTitle, GetObject(at(Obj::kShapes), 2006));
        Set(Obj::kTextFrame, GetObject(at(Obj::kTitle), 121));
        Set(Obj::kTextRange, GetObject(at(Obj::kTextFrame), 2004));
        Set(Obj::kOleShape,
            GetObject(at(Obj::kShapes), 2008, OleObjectArgs(u"Test.Control"), DISPATCH_METHOD));
        Set(Obj::kOleFormat, GetObject(at(Obj::kOleShape), 2003));
    }

    const DispatchPtr& at(Obj which) const { return objects_[static_cast<std::size_t>(which)]; }
    void ReleaseAll() {
        for (auto& object : objects_) {
            object.Reset();
        }
    }

  private:
    void Set(Obj which, DispatchPtr object) {
        objects_[static_cast<std::size_t>(which)] = std::move(object);
    }
    std::array<DispatchPtr, static_cast<std::size_t>(Obj::kCount)> objects_;
};

}  // namespace engine_test
