// The scalar types and constants of the automation protocol, spelled as the
// platform's automation headers spell them.
#pragma once

#include <cstdint>

// The Windows headers spell many of these names as macros. Whichever of the
// two is included first, the declarations below must see plain names; the
// macros are put back afterwards. A name added here that Windows also defines
// belongs in both lists, and in framework/win32/windows_api.h.
#if defined(_WIN32)
#pragma push_macro("DISPATCH_METHOD")
#undef DISPATCH_METHOD
#pragma push_macro("DISPATCH_PROPERTYGET")
#undef DISPATCH_PROPERTYGET
#pragma push_macro("DISPATCH_PROPERTYPUT")
#undef DISPATCH_PROPERTYPUT
#pragma push_macro("S_OK")
#undef S_OK
#pragma push_macro("E_FAIL")
#undef E_FAIL
#pragma push_macro("E_INVALIDARG")
#undef E_INVALIDARG
#pragma push_macro("E_OUTOFMEMORY")
#undef E_OUTOFMEMORY
#pragma push_macro("E_UNEXPECTED")
#undef E_UNEXPECTED
#pragma push_macro("DISP_E_MEMBERNOTFOUND")
#undef DISP_E_MEMBERNOTFOUND
#pragma push_macro("DISP_E_TYPEMISMATCH")
#undef DISP_E_TYPEMISMATCH
#pragma push_macro("DISP_E_EXCEPTION")
#undef DISP_E_EXCEPTION
#pragma push_macro("DISP_E_BADINDEX")
#undef DISP_E_BADINDEX
#pragma push_macro("DISP_E_BADPARAMCOUNT")
#undef DISP_E_BADPARAMCOUNT
#pragma push_macro("REGDB_E_CLASSNOTREG")
#undef REGDB_E_CLASSNOTREG
#pragma push_macro("CO_E_CLASSSTRING")
#undef CO_E_CLASSSTRING
#pragma push_macro("RPC_E_DISCONNECTED")
#undef RPC_E_DISCONNECTED
#pragma push_macro("STG_E_WRITEFAULT")
#undef STG_E_WRITEFAULT
#pragma push_macro("STG_E_READFAULT")
#undef STG_E_READFAULT
#endif

namespace automation {

using VARTYPE = std::uint16_t;
using DISPID = std::int32_t;
using HRESULT = std::int32_t;

// Variant type codes used by the protocol.
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R4 = 4;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_VARIANT = 12;

// Invocation kinds; a property get may be combined with a method call.
inline constexpr std::uint16_t DISPATCH_METHOD = 1;
inline constexpr std::uint16_t DISPATCH_PROPERTYGET = 2;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUT = 4;

// Status codes. The values are those of the platform, so that a code read in a
// message means the same thing everywhere.
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
inline constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
inline constexpr HRESULT RPC_E_DISCONNECTED = static_cast<HRESULT>(0x80010108u);
inline constexpr HRESULT STG_E_WRITEFAULT = static_cast<HRESULT>(0x8003001Du);
inline constexpr HRESULT STG_E_READFAULT = static_cast<HRESULT>(0x8003001Eu);

}  // namespace automation

#if defined(_WIN32)
#pragma pop_macro("DISPATCH_METHOD")
#pragma pop_macro("DISPATCH_PROPERTYGET")
#pragma pop_macro("DISPATCH_PROPERTYPUT")
#pragma pop_macro("S_OK")
#pragma pop_macro("E_FAIL")
#pragma pop_macro("E_INVALIDARG")
#pragma pop_macro("E_OUTOFMEMORY")
#pragma pop_macro("E_UNEXPECTED")
#pragma pop_macro("DISP_E_MEMBERNOTFOUND")
#pragma pop_macro("DISP_E_TYPEMISMATCH")
#pragma pop_macro("DISP_E_EXCEPTION")
#pragma pop_macro("DISP_E_BADINDEX")
#pragma pop_macro("DISP_E_BADPARAMCOUNT")
#pragma pop_macro("REGDB_E_CLASSNOTREG")
#pragma pop_macro("CO_E_CLASSSTRING")
#pragma pop_macro("RPC_E_DISCONNECTED")
#pragma pop_macro("STG_E_WRITEFAULT")
#pragma pop_macro("STG_E_READFAULT")
#endif
