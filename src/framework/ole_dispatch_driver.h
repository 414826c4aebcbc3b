// COleDispatchDriver: the client side of an automation conversation, holding at
// most one dispatch reference and calling it by DISPID.
//
// InvokeHelper takes the member's zero-terminated parameter-type list, the
// arguments in its order (VT_I4 std::int32_t, VT_R4 float, VT_BSTR const
// char16_t* or CString, VT_VARIANT const VARIANT*) and a result pointer of the
// result type (nullptr, std::int32_t*, float*, or LPDISPATCH*, whose reference
// the caller owns). A mismatch, or a property put without a value, raises
// std::logic_error before anything is sent; a failed call raises AutomationError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "automation/variant.h"
#include "framework/afx_types.h"
#include "framework/cstring.h"
#include "framework/ole_variant.h"

namespace framework {

// Whether the server registered as `prog_id` runs already: a single-instance
// application that the user has open, which CreateDispatch would hand out.
bool IsServerRunning(LPCTSTR prog_id) noexcept;

}  // namespace framework

class COleDispatchDriver {
  public:
    COleDispatchDriver() = default;
    // Takes over the caller's reference.
    explicit COleDispatchDriver(LPDISPATCH dispatch) noexcept : m_lpDispatch(dispatch) {}
    COleDispatchDriver(const COleDispatchDriver&) = delete;
    COleDispatchDriver& operator=(const COleDispatchDriver&) = delete;
    ~COleDispatchDriver() { ReleaseDispatch(); }

    // Creates the object registered for `prog_id`. On failure the wrapper stays
    // empty and FALSE is returned.
    BOOL CreateDispatch(LPCTSTR prog_id);
    // Takes over the caller's reference, releasing the one held before.
    void AttachDispatch(LPDISPATCH dispatch) noexcept {
        ReleaseDispatch();
        m_lpDispatch = dispatch;
    }
    void ReleaseDispatch() noexcept {
        if (LPDISPATCH dispatch = std::exchange(m_lpDispatch, nullptr)) {
            dispatch->Release();
        }
    }

    // One call; on an empty wrapper it returns at once and writes no result.
    template <class Result, class... Args>
    void InvokeHelper(DISPID member, WORD kind, VARTYPE result_type, Result* result,
                      const BYTE* param_types, Args&&... args);
    template <class... Args>
    void InvokeHelper(DISPID member, WORD kind, VARTYPE result_type, std::nullptr_t,
                      const BYTE* param_types, Args&&... args) {
        InvokeHelper(member, kind, result_type, static_cast<void*>(nullptr), param_types,
                     std::forward<Args>(args)...);
    }

    // A property put with one argument of type `type`.
    template <class Value>
    void SetProperty(DISPID member, VARTYPE type, Value&& value) {
        const BYTE params[] = {static_cast<BYTE>(type), 0};
        InvokeHelper(member, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params,
                     std::forward<Value>(value));
    }

    LPDISPATCH m_lpDispatch = nullptr;

  private:
    // The platform's transport: sends the call, stores the converted result.
    void Invoke(DISPID member, WORD kind, VARTYPE result_type, void* result,
                std::vector<automation::Variant> args);
    static automation::Variant CopyArgument(const VARIANT& value);

    [[noreturn]] static void Mismatch(std::size_t position, BYTE code) {
        throw std::logic_error("InvokeHelper: argument " + std::to_string(position + 1) +
                               " does not fit parameter type " + std::to_string(code));
    }

    template <class Arg>
    static automation::Variant ToVariant(std::size_t position, BYTE code, Arg&& arg);
    template <class Result>
    static constexpr VARTYPE ResultTypeOf() noexcept;
};

template <class Result>
constexpr VARTYPE COleDispatchDriver::ResultTypeOf() noexcept {
    if constexpr (std::is_same_v<Result, std::int32_t>) {
        return VT_I4;
    } else if constexpr (std::is_same_v<Result, float>) {
        return VT_R4;
    } else if constexpr (std::is_same_v<Result, LPDISPATCH>) {
        return VT_DISPATCH;
    } else {
        static_assert(std::is_void_v<Result>, "no result type maps to this C++ type");
        return VT_EMPTY;
    }
}

template <class Arg>
automation::Variant COleDispatchDriver::ToVariant(std::size_t position, BYTE code, Arg&& arg) {
    using T = std::remove_cvref_t<Arg>;
    if constexpr (std::is_same_v<T, std::int32_t>) {
        if (code == VT_I4) {
            return automation::Variant::I4(arg);
        }
    } else if constexpr (std::is_same_v<T, float>) {
        if (code == VT_R4) {
            return automation::Variant::R4(arg);
        }
    } else if constexpr (std::is_same_v<T, CString>) {
        if (code == VT_BSTR) {
            return automation::Variant::Bstr(arg.str());
        }
    } else if constexpr (std::is_convertible_v<T, const char16_t*>) {
        if (code == VT_BSTR) {
            const char16_t* text = arg;
            return automation::Variant::Bstr(text != nullptr ? text : u"");
        }
    } else if constexpr (std::is_convertible_v<T, const VARIANT*>) {
        if (code == VT_VARIANT) {
            const VARIANT* value = arg;
            if (value == nullptr) {
                Mismatch(position, code);
            }
            return CopyArgument(*value);
        }
    }
    Mismatch(position, code);
}

template <class Result, class... Args>
void COleDispatchDriver::InvokeHelper(DISPID member, WORD kind, VARTYPE result_type, Result* result,
                                      const BYTE* param_types, Args&&... args) {
    // The list must name every argument and no more, the result pointer must fit
    // the result type: checked before the wrapper is looked at, so that a wrong
    // call is caught even where no server answers.
    const BYTE* codes = param_types != nullptr ? param_types : reinterpret_cast<const BYTE*>("");
    const std::size_t listed = std::strlen(reinterpret_cast<const char*>(codes));
    if (listed != sizeof...(Args)) {
        throw std::logic_error("InvokeHelper: the parameter list names " + std::to_string(listed) +
                               " argument(s) but " + std::to_string(sizeof...(Args)) +
                               " are given");
    }
    if ((kind & DISPATCH_PROPERTYPUT) != 0 && listed == 0) {
        throw std::logic_error("InvokeHelper: a property put needs the value to put");
    }
    if (ResultTypeOf<std::remove_cv_t<Result>>() != result_type ||
        (result_type != VT_EMPTY && result == nullptr)) {
        throw std::logic_error("InvokeHelper: the result pointer does not fit result type " +
                               std::to_string(result_type));
    }
    std::vector<automation::Variant> values;
    values.reserve(sizeof...(Args));
    std::size_t position = 0;
    ((values.push_back(ToVariant(position, codes[position], std::forward<Args>(args))), ++position),
     ...);
    if (m_lpDispatch == nullptr) {
        return;
    }
    Invoke(member, kind, result_type, static_cast<void*>(result), std::move(values));
}
