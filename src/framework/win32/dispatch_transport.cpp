// COleDispatchDriver's transport on Windows: objects from the system's class
// registry (CoCreateInstance), calls through IDispatch::Invoke with VARIANTs.
#include <string>
#include <vector>

#include "automation/automation_error.h"
#include "automation/text_codec.h"
#include "framework/ole_dispatch_driver.h"
#include "framework/win32/com_values.h"

using automation::AutomationError;
using framework::win32::DescribeStatus;

namespace {

// VARIANTs that own what they hold: cleared (BSTRs freed, references
// released) when they go. They start zeroed, VT_EMPTY, as VariantInit leaves them.
class ComVariants {
  public:
    explicit ComVariants(std::size_t count) : values_(count, VARIANT{}) {}
    ~ComVariants() {
        for (VARIANT& value : values_) {
            ::VariantClear(&value);
        }
    }
    ComVariants(const ComVariants&) = delete;
    ComVariants& operator=(const ComVariants&) = delete;

    VARIANT* data() noexcept { return values_.empty() ? nullptr : values_.data(); }
    VARIANT& operator[](std::size_t index) noexcept { return values_[index]; }

  private:
    std::vector<VARIANT> values_;
};

std::string MemberName(DISPID member) {
    return "member " + std::to_string(member);
}

// Finds the class for the ProgID, creates the object, makes sure a local
// server is running and asks for its dispatch interface.
HRESULT CreateByProgId(LPCTSTR prog_id, LPDISPATCH& dispatch) {
    dispatch = nullptr;
    if (prog_id == nullptr || *prog_id == u'\0') {
        return CO_E_CLASSSTRING;
    }
    CLSID clsid;
    HRESULT status = ::CLSIDFromProgID(prog_id, &clsid);
    if (FAILED(status)) {
        return status;
    }
    IUnknown* unknown = nullptr;
    status = ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                                IID_IUnknown, reinterpret_cast<void**>(&unknown));
    if (FAILED(status)) {
        return status;
    }
    status = ::OleRun(unknown);
    if (SUCCEEDED(status)) {
        status = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    }
    unknown->Release();
    if (FAILED(status)) {
        dispatch = nullptr;
    } else if (dispatch == nullptr) {
        status = E_NOINTERFACE;
    }
    return status;
}

// The server's own account of a failed call. Its strings are freed however
// the call ends: a server may fill them in without reporting DISP_E_EXCEPTION.
class ServerException {
  public:
    ServerException() = default;
    ~ServerException() {
        ::SysFreeString(info_.bstrSource);
        ::SysFreeString(info_.bstrDescription);
        ::SysFreeString(info_.bstrHelpFile);
    }
    ServerException(const ServerException&) = delete;
    ServerException& operator=(const ServerException&) = delete;

    EXCEPINFO* get() noexcept { return &info_; }

    // Raises the account of a DISP_E_EXCEPTION as an AutomationError.
    [[noreturn]] void Throw(DISPID member) {
        if (info_.pfnDeferredFillIn != nullptr) {
            info_.pfnDeferredFillIn(&info_);
        }
        std::string description;
        if (info_.bstrDescription != nullptr) {
            description = automation::ToUtf8(
                std::u16string_view(info_.bstrDescription, ::SysStringLen(info_.bstrDescription)));
        }
        // A server names the error either by a status or by a number of its
        // own (wCode), never both.
        const HRESULT code = info_.scode != 0 ? info_.scode : DISP_E_EXCEPTION;
        if (description.empty()) {
            description = MemberName(member) + " failed: " +
                          (info_.scode == 0 && info_.wCode != 0
                               ? "the server's error " + std::to_string(info_.wCode)
                               : DescribeStatus(code));
        }
        throw AutomationError(code, description);
    }

  private:
    EXCEPINFO info_{};
};

void StoreResult(DISPID member, VARIANT& value, VARTYPE result_type, void* result) {
    // The system would read a missing answer as zero, which it is not.
    if (value.vt == VT_EMPTY) {
        throw AutomationError(DISP_E_TYPEMISMATCH, MemberName(member) + " gave no result");
    }
    if (value.vt != result_type) {
        const HRESULT status = ::VariantChangeType(&value, &value, 0, result_type);
        if (FAILED(status)) {
            throw AutomationError(DISP_E_TYPEMISMATCH,
                                  "the result of " + MemberName(member) + " is of variant type " +
                                      std::to_string(value.vt) + ", not " +
                                      std::string(automation::VarTypeName(result_type)));
        }
    }
    switch (result_type) {
        case VT_I4:
            *static_cast<std::int32_t*>(result) = value.lVal;
            break;
        case VT_R4:
            *static_cast<float*>(result) = value.fltVal;
            break;
        case VT_DISPATCH:
            // The reference moves to the caller; the VARIANT no longer owns it.
            *static_cast<LPDISPATCH*>(result) = value.pdispVal;
            value.vt = VT_EMPTY;
            break;
        default:
            break;
    }
}

}  // namespace

// A running server registers its object with the system (the running object
// table); a server started only for a client need not have done so yet.
bool framework::IsServerRunning(LPCTSTR prog_id) noexcept {
    CLSID clsid;
    if (prog_id == nullptr || *prog_id == u'\0' || FAILED(::CLSIDFromProgID(prog_id, &clsid))) {
        return false;
    }
    IUnknown* running = nullptr;
    if (FAILED(::GetActiveObject(clsid, nullptr, &running)) || running == nullptr) {
        return false;
    }
    running->Release();
    return true;
}

BOOL COleDispatchDriver::CreateDispatch(LPCTSTR prog_id) {
    ReleaseDispatch();
    return SUCCEEDED(CreateByProgId(prog_id, m_lpDispatch)) ? TRUE : FALSE;
}

automation::Variant COleDispatchDriver::CopyArgument(const VARIANT& value) {
    return framework::win32::FromComScalar(value);
}

void COleDispatchDriver::Invoke(DISPID member, WORD kind, VARTYPE result_type, void* result,
                                std::vector<automation::Variant> args) {
    // DISPPARAMS lists the arguments last first.
    ComVariants wire(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        framework::win32::ToComScalar(args[i], wire[args.size() - 1 - i]);
    }
    DISPPARAMS params{};
    params.rgvarg = wire.data();
    params.cArgs = static_cast<UINT>(args.size());
    // A property put names its one argument as the value being put.
    DISPID named = DISPID_PROPERTYPUT;
    if ((kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &named;
    }

    ComVariants value(1);
    ServerException exception;
    UINT bad_argument = 0;
    const HRESULT status = m_lpDispatch->Invoke(
        member, IID_NULL, LOCALE_USER_DEFAULT, kind, &params,
        result_type == VT_EMPTY ? nullptr : value.data(), exception.get(), &bad_argument);
    if (status == DISP_E_EXCEPTION) {
        exception.Throw(member);
    }
    if (FAILED(status)) {
        std::string description = MemberName(member) + " failed: " + DescribeStatus(status);
        if ((status == DISP_E_TYPEMISMATCH || status == DISP_E_PARAMNOTFOUND) &&
            bad_argument < args.size()) {
            // Counted last first, as DISPPARAMS holds them.
            description += " (argument " + std::to_string(args.size() - bad_argument) + ")";
        }
        throw AutomationError(status, description);
    }
    if (result_type != VT_EMPTY) {
        StoreResult(member, value[0], result_type, result);
    }
}
