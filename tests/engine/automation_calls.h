// Small helpers for talking to automation objects directly in tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "automation/automation_error.h"
#include "automation/dispatch.h"
#include "automation/text_codec.h"
#include "automation/types.h"
#include "automation/variant.h"

namespace engine_test {

using automation::DispatchPtr;
using automation::Variant;

inline Variant Call(const DispatchPtr& object, automation::DISPID member, std::uint16_t kind,
                    std::vector<Variant> args = {}) {
    Variant result;
    object->Invoke(member, kind, args, result);
    return result;
}

inline DispatchPtr GetObject(const DispatchPtr& object, automation::DISPID member,
                             std::vector<Variant> args = {},
                             std::uint16_t kind = automation::DISPATCH_PROPERTYGET) {
    Variant result = Call(object, member, kind, std::move(args));
    DispatchPtr taken = result.TakeDispatch();
    EXPECT_TRUE(taken) << "DISPID " << member << " gave an empty object";
    return taken;
}

// The status code of the error `call` raises, or S_OK when it raises none.
inline automation::HRESULT CodeOf(const std::function<void()>& call,
                                  std::string* description = nullptr) {
    try {
        call();
    } catch (const automation::AutomationError& e) {
        if (description != nullptr) {
            *description = e.description();
        }
        return e.code();
    }
    return automation::S_OK;
}

// Presentations.Add: a new blank presentation.
inline DispatchPtr AddBlankPresentation(const DispatchPtr& app) {
    return GetObject(GetObject(app, 2001), 2003, {Variant::I4(1)}, automation::DISPATCH_METHOD);
}

// Shapes.Title.TextFrame.TextRange of a slide.
inline DispatchPtr TitleRange(const DispatchPtr& slide) {
    return GetObject(GetObject(GetObject(GetObject(slide, 2003), 2006), 121), 2004);
}

// Adds a title-only slide at `index` and writes its title.
inline void AddTitledSlide(const DispatchPtr& slides, std::int32_t index, std::u16string title) {
    using automation::DISPATCH_METHOD;
    Call(slides, 2004, DISPATCH_METHOD, {Variant::I4(index), Variant::I4(11)});
    DispatchPtr slide = GetObject(slides, 0, {Variant::I4(index)}, DISPATCH_METHOD);
    Call(TitleRange(slide), 0, automation::DISPATCH_PROPERTYPUT, {Variant::Bstr(std::move(title))});
}

inline void SaveAs(const DispatchPtr& presentation, const std::filesystem::path& path,
                   std::int32_t format = 1) {
    Call(presentation, 2036, automation::DISPATCH_METHOD,
         {Variant::Bstr(automation::DecodeOsString(path.string())), Variant::I4(format),
          Variant::I4(1)});
}

}  // namespace engine_test
