// The scalar types, constants and automation names that the program's core
// uses, spelled as the platform's headers spell them.
#pragma once

#include <cstdint>

#include "automation/dispatch.h"
#include "automation/types.h"

#if defined(_WIN32)
// The system's own types, constants and interfaces: LPDISPATCH is the COM
// IDispatch, VT_* the system's variant types.
#include "framework/win32/windows_api.h"
#else
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using WCHAR = char16_t;
using LPCWSTR = const char16_t*;
using LPWSTR = char16_t*;
using LPCTSTR = const char16_t*;
using HWND = void*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

using automation::DISPID;
using automation::HRESULT;
using automation::VARTYPE;
using LPDISPATCH = automation::IDispatch*;

using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::DISPATCH_PROPERTYPUT;
using automation::VT_BSTR;
using automation::VT_DISPATCH;
using automation::VT_EMPTY;
using automation::VT_I4;
using automation::VT_R4;
using automation::VT_VARIANT;

inline constexpr UINT MB_OK = 0;
inline constexpr UINT MB_TYPEMASK = 0x0F;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONMASK = 0xF0;
inline constexpr int IDOK = 1;
#endif
