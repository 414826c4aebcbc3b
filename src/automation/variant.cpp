#include "automation/variant.h"

#include <cmath>
#include <limits>
#include <string>

#include "automation/automation_error.h"

namespace automation {
namespace {

[[noreturn]] void Mismatch(VARTYPE have, VARTYPE want) {
    throw AutomationError(DISP_E_TYPEMISMATCH,
                          "type mismatch: a " + std::string(VarTypeName(have)) + " value where a " +
                              std::string(VarTypeName(want)) + " is needed");
}

}  // namespace

VARTYPE Variant::vt() const noexcept {
    static constexpr VARTYPE kTypes[] = {VT_EMPTY, VT_I4, VT_R4, VT_BSTR, VT_DISPATCH};
    return kTypes[value_.index()];
}

template <class T>
const T& Variant::As(VARTYPE want) const {
    if (const auto* v = std::get_if<T>(&value_)) {
        return *v;
    }
    Mismatch(vt(), want);
}

std::int32_t Variant::AsI4() const {
    return As<std::int32_t>(VT_I4);
}

float Variant::AsR4() const {
    return As<float>(VT_R4);
}

const std::u16string& Variant::AsBstr() const {
    return As<std::u16string>(VT_BSTR);
}

const DispatchPtr& Variant::AsDispatch() const {
    return As<DispatchPtr>(VT_DISPATCH);
}

DispatchPtr Variant::TakeDispatch() {
    if (auto* v = std::get_if<DispatchPtr>(&value_)) {
        DispatchPtr taken = std::move(*v);
        value_ = std::monostate{};
        return taken;
    }
    Mismatch(vt(), VT_DISPATCH);
}
Variant Variant::ChangeType(VARTYPE type) const {
    const VARTYPE have = vt();
    if (have == type) {
        return *this;
    }
    if (have == VT_I4 && type == VT_R4) {
        return R4(static_cast<float>(AsI4()));
    }
    if (have == VT_R4 && type == VT_I4) {
        const double rounded = std::nearbyint(static_cast<double>(AsR4()));
        if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
              rounded <= std::numeric_limits<std::int32_t>::max())) {
            throw AutomationError(DISP_E_TYPEMISMATCH, "a VT_R4 value out of the range of VT_I4");
        }
        return I4(static_cast<std::int32_t>(rounded));
    }
    Mismatch(have, type);
}

std::string_view VarTypeName(VARTYPE type) noexcept {
    switch (type) {
        case VT_EMPTY:
            return "VT_EMPTY";
        case VT_I4:
            return "VT_I4";
        case VT_R4:
            return "VT_R4";
        case VT_BSTR:
            return "VT_BSTR";
        case VT_DISPATCH:
            return "VT_DISPATCH";
        case VT_VARIANT:
            return "VT_VARIANT";
        default:
            return "an unknown type";
    }
}

}  // namespace automation
