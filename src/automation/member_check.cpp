#include "automation/member_check.h"

#include <string>

#include "automation/automation_error.h"

namespace automation {

void CheckArguments(std::span<const Variant> args, std::span<const VARTYPE> types,
                    std::string_view member) {
    if (args.size() != types.size()) {
        throw AutomationError(DISP_E_BADPARAMCOUNT,
                              std::string(member) + " takes " + std::to_string(types.size()) +
                                  " argument(s), not " + std::to_string(args.size()));
    }
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (args[i].vt() != types[i]) {
            throw AutomationError(DISP_E_TYPEMISMATCH,
                                  std::string(member) + ": argument " + std::to_string(i + 1) +
                                      " must be " + std::string(VarTypeName(types[i])) + ", not " +
                                      std::string(VarTypeName(args[i].vt())));
        }
    }
}

void ThrowMemberNotFound(std::string_view object, DISPID member, std::uint16_t kind) {
    throw AutomationError(DISP_E_MEMBERNOTFOUND, std::string(object) + " has no " +
                                                     std::string(InvocationKindName(kind)) +
                                                     " with DISPID " + std::to_string(member));
}

std::string_view InvocationKindName(std::uint16_t kind) noexcept {
    switch (kind) {
        case DISPATCH_METHOD:
            return "method";
        case DISPATCH_PROPERTYGET:
            return "property get";
        case DISPATCH_PROPERTYPUT:
            return "property put";
        case DISPATCH_METHOD | DISPATCH_PROPERTYGET:
            return "method or property get";
        default:
            return "invocation of unknown kind";
    }
}

}  // namespace automation
