// Calls on the embedded application's objects, as a client makes them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "automation/automation_error.h"
#include "automation/text_codec.h"
#include "automation/variant.h"
#include "engine/application_class.h"

namespace engine_test {

using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::DISPATCH_PROPERTYPUT;
using automation::DispatchPtr;
using automation::Variant;

inline Variant Call(const DispatchPtr& object, automation::DISPID member, std::uint16_t kind,
                    std::vector<Variant> args = {}) {
    Variant result;
    object->Invoke(member, kind, args, result);
    return result;
}

inline DispatchPtr Get(const DispatchPtr& object, automation::DISPID member,
                       std::vector<Variant> args = {}, std::uint16_t kind = DISPATCH_PROPERTYGET) {
    DispatchPtr taken = Call(object, member, kind, std::move(args)).TakeDispatch();
    EXPECT_TRUE(taken) << "DISPID " << member << " gave no object";
    return taken;
}

inline std::u16string Name(const std::filesystem::path& path) {
    return automation::DecodeOsString(path.string());
}

// Presentations.Open's arguments for a template: read-only 0, untitled -1, with-window -1.
inline std::vector<Variant> Open(const std::u16string& path) {
    return {Variant::Bstr(path), Variant::I4(0), Variant::I4(-1), Variant::I4(-1)};
}

inline DispatchPtr OpenTemplate(const DispatchPtr& app, const std::filesystem::path& path) {
    return Get(Get(app, 2001), 2005, Open(Name(path)), DISPATCH_METHOD);
}

// Slides.Add of a title-only slide at `index`, with its title written.
inline void AddTitledSlide(const DispatchPtr& slides, std::int32_t index, std::u16string title) {
    Call(slides, 2004, DISPATCH_METHOD, {Variant::I4(index), Variant::I4(11)});
    DispatchPtr slide = Get(slides, 0, {Variant::I4(index)}, DISPATCH_METHOD);
    Call(Get(Get(Get(Get(slide, 2003), 2006), 121), 2004), 0, DISPATCH_PROPERTYPUT,
         {Variant::Bstr(std::move(title))});
}

inline void SaveAs(const DispatchPtr& presentation, const std::filesystem::path& path) {
    Call(presentation, 2036, DISPATCH_METHOD,
         {Variant::Bstr(Name(path)), Variant::I4(1), Variant::I4(1)});
}

}  // namespace engine_test
