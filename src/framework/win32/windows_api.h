// The Windows headers as the program sees them. WCHAR is made char16_t before
// <windows.h> defines it, so every wide API (MessageBoxW, SysAllocString, ...)
// takes the program's UTF-16 strings and u"" literals without casts; wchar_t
// remains for the C runtime's own functions.
#pragma once

#if !defined(_WIN32)
#error "framework/win32/windows_api.h is for Windows builds only"
#endif

#if defined(__WCHAR_DEFINED) && !defined(ZBN_WCHAR_IS_CHAR16)
#error "<windows.h> was included before framework/afx_types.h"
#endif
#if !defined(__WCHAR_DEFINED)
#define __WCHAR_DEFINED
#define ZBN_WCHAR_IS_CHAR16
typedef char16_t WCHAR;
#endif

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

// The unaligned-string helpers of <stralign.h> call the C runtime's wchar_t
// functions with WCHAR strings; the program uses none of them.
#ifndef __STRALIGN_H_
#define __STRALIGN_H_
#endif

#include <windows.h>
// After <windows.h>: IDispatch, VARIANT, BSTR and the OLE calls.
#include <ole2.h>
#include <oleauto.h>

#include <type_traits>

static_assert(std::is_same_v<WCHAR, char16_t> && sizeof(wchar_t) == sizeof(char16_t),
              "the program's UTF-16 text must be the system's WCHAR");

#include "automation/dispatch.h"
#include "automation/types.h"

// The macros gone, the same names stand for the protocol's constants.
#include "automation/undef_windows_macros.h"
using automation::CO_E_CLASSSTRING;
using automation::DISP_E_BADINDEX;
using automation::DISP_E_BADPARAMCOUNT;
using automation::DISP_E_EXCEPTION;
using automation::DISP_E_MEMBERNOTFOUND;
using automation::DISP_E_TYPEMISMATCH;
using automation::DISPATCH_METHOD;
using automation::DISPATCH_PROPERTYGET;
using automation::DISPATCH_PROPERTYPUT;
using automation::E_FAIL;
using automation::E_INVALIDARG;
using automation::E_OUTOFMEMORY;
using automation::E_UNEXPECTED;
using automation::REGDB_E_CLASSNOTREG;
using automation::RPC_E_DISCONNECTED;
using automation::S_OK;
using automation::STG_E_READFAULT;
using automation::STG_E_WRITEFAULT;
