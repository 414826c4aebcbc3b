// COleVariant over the system's VARIANT.
#include "framework/ole_variant.h"
#include "automation/automation_error.h"

COleVariant::COleVariant(std::int32_t value, VARTYPE type) {
    ::VariantInit(this);
    if (type != VT_I4) {
        throw automation::AutomationError(DISP_E_TYPEMISMATCH,
                                          "COleVariant holds 32-bit integers as VT_I4 only");
    }
    vt = VT_I4;
    lVal = value;
}
