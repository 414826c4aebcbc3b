// Takes away the macros by which the Windows headers spell names that
// automation/types.h declares, so that the declarations and qualified uses
// (automation::S_OK) see plain names. Without an include guard on purpose:
// included again after <windows.h>. A name added to types.h that Windows also
// defines belongs here.
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
