// Takes away the Windows headers' macros for names that automation/types.h
// declares (every such name belongs here), so that they and qualified uses
// (automation::S_OK) stay plain names. No include guard: used after <windows.h>.
#undef DISPATCH_METHOD
#undef DISPATCH_PROPERTYGET
#undef DISPATCH_PROPERTYPUT
#undef S_OK
#undef E_FAIL
#undef E_INVALIDARG
#undef E_OUTOFMEMORY
#undef E_UNEXPECTED
#undef DISP_E_MEMBERNOTFOUND
#undef DISP_E_TYPEMISMATCH
#undef DISP_E_EXCEPTION
#undef DISP_E_BADINDEX
#undef DISP_E_BADPARAMCOUNT
#undef REGDB_E_CLASSNOTREG
#undef CO_E_CLASSSTRING
#undef RPC_E_DISCONNECTED
#undef STG_E_WRITEFAULT
#undef STG_E_READFAULT
