// VARIANT and COleVariant: a value of the automation protocol held by the
// caller, and VariantClear, which empties it and releases what it holds.
#pragma once

#include "automation/variant.h"
#include "framework/afx_types.h"

using VARIANT = automation::Variant;

class COleVariant : public VARIANT {
public:
    COleVariant() = default;
    // A 32-bit integer of the given type; VT_I4 is the only integer type used here.
    explicit COleVariant(std::int32_t value, VARTYPE type = VT_I4);
};

// Empties the variant, releasing a dispatch reference it holds.
HRESULT VariantClear(VARIANT* variant) noexcept;
