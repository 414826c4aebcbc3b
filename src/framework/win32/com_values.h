// The edge between the protocol's values and the system's: Variant to and
// from VARIANT, readable texts for status codes, and VARIANT storage that is
// cleared whatever happens.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "automation/variant.h"
#include "framework/afx_types.h"

namespace framework::win32 {

// A VARIANT that owns what it holds: cleared (BSTRs freed, references
// released) when it goes.
class ComVariant {
  public:
    ComVariant() noexcept { ::VariantInit(&value_); }
    ~ComVariant() { ::VariantClear(&value_); }
    ComVariant(const ComVariant&) = delete;
    ComVariant& operator=(const ComVariant&) = delete;

    VARIANT* get() noexcept { return &value_; }
    const VARIANT* get() const noexcept { return &value_; }

  private:
    VARIANT value_;
};

// A block of VARIANTs for DISPPARAMS, each cleared when the block goes.
class ComVariantArray {
  public:
    explicit ComVariantArray(std::size_t count);
    ~ComVariantArray();
    ComVariantArray(const ComVariantArray&) = delete;
    ComVariantArray& operator=(const ComVariantArray&) = delete;

    VARIANT* data() noexcept { return values_.empty() ? nullptr : values_.data(); }
    VARIANT& operator[](std::size_t index) noexcept { return values_[index]; }
    std::size_t size() const noexcept { return values_.size(); }

  private:
    std::vector<VARIANT> values_;
};

// Writes a scalar protocol value (empty, VT_I4, VT_R4, VT_BSTR) into `out`,
// which must be empty; a string becomes a new BSTR that `out` owns. A dispatch
// value raises AutomationError(DISP_E_TYPEMISMATCH): only the caller knows how
// to present its object to the system.
void ToComScalar(const automation::Variant& value, VARIANT& out);

// Reads a scalar VARIANT (VT_EMPTY, VT_I4, VT_R4, VT_BSTR); other types raise
// AutomationError(DISP_E_TYPEMISMATCH).
automation::Variant FromComScalar(const VARIANT& value);

// The system's text for an error or status code, without the line break and
// the full stop it ends with ("Access is denied"); empty when it has none.
std::u16string SystemMessage(DWORD code);

// A status code with the system's text ("0x80040154: Class not registered").
std::string DescribeStatus(HRESULT code);

}  // namespace framework::win32
