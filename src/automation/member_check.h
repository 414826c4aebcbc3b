// Checks that a server makes on each call (member, invocation kind, count and
// types of the arguments), raising AutomationError with the platform's code.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "automation/types.h"
#include "automation/variant.h"

namespace automation {

// DISP_E_BADPARAMCOUNT when the count differs, DISP_E_TYPEMISMATCH when a type
// differs. `member` names the member in the description ("Slides.Add").
void CheckArguments(std::span<const Variant> args, std::span<const VARTYPE> types,
                    std::string_view member);

// DISP_E_MEMBERNOTFOUND for a DISPID or invocation kind that `object` does not answer.
[[noreturn]] void ThrowMemberNotFound(std::string_view object, DISPID member, std::uint16_t kind);

// The readable name of an invocation kind ("property get").
std::string_view InvocationKindName(std::uint16_t kind) noexcept;

}  // namespace automation
