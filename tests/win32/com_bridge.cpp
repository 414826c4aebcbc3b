#include "win32/com_bridge.h"

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "automation/automation_error.h"
#include "automation/class_registry.h"
#include "automation/text_codec.h"
#include "automation/variant.h"
#include "framework/win32/com_values.h"

namespace test_win32 {
namespace {

long g_live_objects = 0;

// COM objects are destroyed by their own Release, never through an interface
// pointer, so the interfaces' destructors need not be virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

BSTR AllocBstr(const std::string& utf8) {
    const std::u16string text = automation::FromUtf8(utf8);
    return ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// The IUnknown of a COM object with one interface, which goes with its last
// reference.
template <class Interface, const IID& kInterfaceId>
class ComObject : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, kInterfaceId)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

  protected:
    virtual ~ComObject() = default;

  private:
    ULONG refs_ = 1;
};

// The adapter: one COM object per protocol reference it was given.
class DispatchAdapter final : public ComObject<IDispatch, IID_IDispatch> {
  public:
    explicit DispatchAdapter(automation::DispatchPtr object) : object_(std::move(object)) {
        ++g_live_objects;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr) {
            *info = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD kind, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* bad_argument) override {
        try {
            std::vector<automation::Variant> args;
            if (params != nullptr) {
                // A put names its value; the protocol takes it as the last argument.
                const bool put = (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
                if (put && (params->cNamedArgs != 1 || params->rgdispidNamedArgs == nullptr ||
                            params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
                    return DISP_E_PARAMNOTFOUND;
                }
                if (!put && params->cNamedArgs != 0) {
                    return DISP_E_NONAMEDARGS;
                }
                // DISPPARAMS holds the arguments last first.
                for (UINT i = params->cArgs; i > 0; --i) {
                    try {
                        args.push_back(framework::win32::FromComScalar(params->rgvarg[i - 1]));
                    } catch (const automation::AutomationError&) {
                        if (bad_argument != nullptr) {
                            *bad_argument = i - 1;
                        }
                        return DISP_E_TYPEMISMATCH;
                    }
                }
            }
            automation::Variant answer;
            object_->Invoke(member, kind, args, answer);
            if (result != nullptr) {
                ::VariantInit(result);
                if (answer.vt() == automation::VT_DISPATCH) {
                    result->vt = VT_DISPATCH;
                    result->pdispVal = ExposeAsCom(answer.TakeDispatch());
                } else {
                    framework::win32::ToComScalar(answer, *result);
                }
            }
            return S_OK;
        } catch (const automation::AutomationError& error) {
            if (exception != nullptr) {
                *exception = EXCEPINFO{};
                exception->scode = error.code();
                exception->bstrSource = AllocBstr("com bridge");
                exception->bstrDescription = AllocBstr(error.description());
            }
            return DISP_E_EXCEPTION;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

  private:
    ~DispatchAdapter() override { --g_live_objects; }

    automation::DispatchPtr object_;
};

// Creates the protocol's object of one class, wrapped for COM.
class ClassFactory final : public ComObject<IClassFactory, IID_IClassFactory> {
  public:
    explicit ClassFactory(automation::Clsid clsid) : clsid_(clsid) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        try {
            IDispatch* object =
                ExposeAsCom(automation::ClassRegistry::Instance().CreateInstance(clsid_));
            if (object == nullptr) {
                return E_FAIL;
            }
            const HRESULT status = object->QueryInterface(iid, out);
            object->Release();
            return status;
        } catch (const automation::AutomationError& error) {
            return error.code();
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  private:
    automation::Clsid clsid_;
};

#pragma GCC diagnostic pop

std::u16string ClassesKey(const std::u16string& prog_id) {
    return u"Software\\Classes\\" + prog_id;
}

void SetKeyValue(HKEY root, const std::u16string& key, const std::u16string& value) {
    HKEY handle = nullptr;
    if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("cannot create registry key " + automation::ToUtf8(key));
    }
    const LONG status =
        ::RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
    ::RegCloseKey(handle);
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error("cannot write registry key " + automation::ToUtf8(key));
    }
}

// Registers a class object for the class of `prog_id` in `context`; the
// cookie, and the class's CLSID in `clsid`.
DWORD RegisterClassObject(const std::u16string& prog_id, DWORD context, automation::Clsid& clsid) {
    const auto found = automation::ClassRegistry::Instance().ClsidFromProgId(prog_id);
    if (!found) {
        throw std::runtime_error("no class is registered as " + automation::ToUtf8(prog_id));
    }
    clsid = *found;
    auto* factory = new ClassFactory(clsid);
    DWORD cookie = 0;
    const HRESULT status =
        ::CoRegisterClassObject(ToGuid(clsid), factory, context, REGCLS_MULTIPLEUSE, &cookie);
    factory->Release();
    if (FAILED(status)) {
        throw std::runtime_error("CoRegisterClassObject failed: " +
                                 framework::win32::DescribeStatus(status));
    }
    return cookie;
}

}  // namespace

LPDISPATCH ExposeAsCom(automation::DispatchPtr object) {
    if (!object) {
        return nullptr;
    }
    return new DispatchAdapter(std::move(object));
}

GUID ToGuid(const automation::Clsid& clsid) noexcept {
    const auto& b = clsid.bytes;
    GUID guid;
    guid.Data1 = static_cast<unsigned long>(b[0]) | static_cast<unsigned long>(b[1]) << 8 |
                 static_cast<unsigned long>(b[2]) << 16 | static_cast<unsigned long>(b[3]) << 24;
    guid.Data2 = static_cast<unsigned short>(b[4] | b[5] << 8);
    guid.Data3 = static_cast<unsigned short>(b[6] | b[7] << 8);
    for (std::size_t i = 0; i < 8; ++i) {
        guid.Data4[i] = b[8 + i];
    }
    return guid;
}

DWORD OfferToOtherProcesses(const std::u16string& prog_id) {
    automation::Clsid clsid;
    return RegisterClassObject(prog_id, CLSCTX_LOCAL_SERVER, clsid);
}

ScopedComClass::ScopedComClass(std::u16string prog_id) : prog_id_(std::move(prog_id)) {
    automation::Clsid clsid;
    cookie_ = RegisterClassObject(prog_id_, CLSCTX_INPROC_SERVER, clsid);
    const GUID guid = ToGuid(clsid);
    const std::u16string clsid_text = automation::FromUtf8(clsid.ToString());
    try {
        // Windows reads the user's classes as part of HKEY_CLASSES_ROOT; Wine
        // reads only the machine's, which a test there may write.
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            roots_.push_back(root);
            SetKeyValue(root, ClassesKey(prog_id_), prog_id_);
            SetKeyValue(root, ClassesKey(prog_id_) + u"\\CLSID", clsid_text);
            CLSID found;
            if (SUCCEEDED(::CLSIDFromProgID(prog_id_.c_str(), &found)) &&
                IsEqualCLSID(found, guid)) {
                break;
            }
        }
    } catch (...) {
        Unregister();
        throw;
    }
}

ScopedComClass::~ScopedComClass() {
    Unregister();
}

void ScopedComClass::Unregister() noexcept {
    ::CoRevokeClassObject(cookie_);
    for (HKEY root : roots_) {
        ::RegDeleteTreeW(root, ClassesKey(prog_id_).c_str());
    }
    roots_.clear();
}

long ScopedComClass::LiveObjects() noexcept {
    return g_live_objects;
}

}  // namespace test_win32
