// VARIANT and COleVariant: a value of the automation protocol held by the
// caller, and VariantClear, which empties it and releases what it holds.
#pragma once

#include "automation/variant.h"
#include "framework/afx_types.h"

#if defined(_WIN32)
// VARIANT and VariantClear are the system's; COleVariant owns what it holds.
class COleVariant : public tagVARIANT {
  public:
    COleVariant() noexcept { ::VariantInit(this); }
    // A 32-bit integer of the given type; VT_I4 is the only integer type used here.
    explicit COleVariant(std::int32_t value, VARTYPE type = VT_I4);
    // Takes over what a temporary holds: the only assignment the program makes.
    COleVariant& operator=(COleVariant&& other) noexcept {
        ::VariantClear(this);
        static_cast<tagVARIANT&>(*this) = other;
        ::VariantInit(&other);
        return *this;
    }
    ~COleVariant() { ::VariantClear(this); }
};
#else
using VARIANT = automation::Variant;

class COleVariant : public VARIANT {
  public:
    COleVariant() = default;
    // A 32-bit integer of the given type; VT_I4 is the only integer type used here.
    explicit COleVariant(std::int32_t value, VARTYPE type = VT_I4);
};

// Empties the variant, releasing a dispatch reference it holds.
HRESULT VariantClear(VARIANT* variant) noexcept;
#endif
