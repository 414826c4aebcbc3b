#include "framework/ole_variant.h"

#include "automation/automation_error.h"

COleVariant::COleVariant(std::int32_t value, VARTYPE type) : VARIANT(VARIANT::I4(value)) {
    if (type != VT_I4) {
        throw automation::AutomationError(automation::DISP_E_TYPEMISMATCH,
                                          "COleVariant holds 32-bit integers as VT_I4 only");
    }
}

HRESULT VariantClear(VARIANT* variant) noexcept {
    if (variant == nullptr) {
        return automation::E_INVALIDARG;
    }
    variant->Clear();
    return automation::S_OK;
}
