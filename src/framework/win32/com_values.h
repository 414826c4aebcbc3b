// The edge between the protocol's values and the system's: Variant to and
// from VARIANT, and readable texts for status codes.
#pragma once

#include <string>

#include "automation/variant.h"
#include "framework/afx_types.h"

namespace framework::win32 {

// Writes a scalar protocol value (empty, VT_I4, VT_R4, VT_BSTR) into the empty
// `out`, which owns a new BSTR for a string. A dispatch value raises
// AutomationError(DISP_E_TYPEMISMATCH): only the caller knows how to present it.
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
