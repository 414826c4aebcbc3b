// A value of an automation call: empty, a 32-bit integer or float, a UTF-16
// string, or a dispatch reference, of which it owns one reference.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "automation/dispatch.h"
#include "automation/types.h"

namespace automation {

class Variant {
  public:
    Variant() = default;
    static Variant I4(std::int32_t v) { return Variant(Value(v)); }
    static Variant R4(float v) { return Variant(Value(v)); }
    static Variant Bstr(std::u16string_view v) { return Variant(Value(std::u16string(v))); }
    // Adopts a reference the caller owns; a null pointer gives an empty dispatch.
    static Variant Dispatch(DispatchPtr v) { return Variant(Value(std::move(v))); }

    VARTYPE vt() const noexcept;

    // Typed access; a wrong type raises AutomationError(DISP_E_TYPEMISMATCH).
    std::int32_t AsI4() const;
    float AsR4() const;
    const std::u16string& AsBstr() const;
    const DispatchPtr& AsDispatch() const;
    // Hands the dispatch reference to the caller and leaves the variant empty.
    DispatchPtr TakeDispatch();

    void Clear() noexcept { value_ = std::monostate{}; }

    // The value converted to `type` as VariantChangeType does (I4 <-> R4, R4 ->
    // I4 rounding half to even, in range); else AutomationError(DISP_E_TYPEMISMATCH).
    Variant ChangeType(VARTYPE type) const;

  private:
    using Value = std::variant<std::monostate, std::int32_t, float, std::u16string, DispatchPtr>;
    explicit Variant(Value v) : value_(std::move(v)) {}
    template <class T>
    const T& As(VARTYPE want) const;
    Value value_;
};

// The readable name of a variant type ("VT_I4"), for error descriptions.
std::string_view VarTypeName(VARTYPE type) noexcept;

}  // namespace automation
