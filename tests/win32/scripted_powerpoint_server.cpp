// The scripted presentation application of tests/support as a local COM
// server, so that every call of Zbn2PPT.exe crosses a real COM proxy. COM
// starts it as "scripted_powerpoint_server <request> -Embedding"; the request
// is a file of UTF-8 lines (a command line is cut at MAX_PATH): the report's
// path, the data, output and template paths (empty: none), the title the
// client must send, and the step whose call fails (none, or one after which
// the conversation goes on, such as the save, 27). Once every object is
// released, the report says "ok" or how the calls and releases differed.
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "automation/automation_error.h"
#include "automation/text_codec.h"
#include "framework/win32/com_values.h"
#include "support/scripted_server.h"

namespace {

using namespace test_support;

// The test registers the server under this CLSID, as the one of PowerPoint's ProgID.
constexpr const char16_t* kClsid = u"{7D3C51E2-9A40-4B6F-8C21-5E0000000002}";
constexpr DWORD kPatienceMs = 120'000;

long g_live_objects = 0;  // objects given to COM that it has not released yet

// The objects go with their own Release, never through an interface pointer,
// so the interfaces' destructors need not be virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// A scripted object as COM sees it: it holds one reference to the object
// until COM's last reference to it goes.
class DispatchAdapter final : public IDispatch {
  public:
    explicit DispatchAdapter(automation::DispatchPtr object) : object_(std::move(object)) {
        ++g_live_objects;
    }
    static IDispatch* Expose(automation::DispatchPtr object) {
        return object ? new DispatchAdapter(std::move(object)) : nullptr;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        const bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch);
        *out = known ? this : nullptr;
        if (known) {
            AddRef();
        }
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            --g_live_objects;
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD kind, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        // A put names its value as the property's; nothing else names arguments.
        const bool put = (kind & DISPATCH_PROPERTYPUT) != 0;
        if (params->cNamedArgs != (put ? 1u : 0u) ||
            (put && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
            return DISP_E_PARAMNOTFOUND;
        }
        try {
            // DISPPARAMS holds the arguments last first.
            std::vector<automation::Variant> args;
            for (UINT i = params->cArgs; i > 0; --i) {
                args.push_back(framework::win32::FromComScalar(params->rgvarg[i - 1]));
            }
            automation::Variant answer;
            object_->Invoke(member, kind, args, answer);
            if (result != nullptr && answer.vt() == automation::VT_DISPATCH) {
                result->vt = VT_DISPATCH;
                result->pdispVal = Expose(answer.TakeDispatch());
            } else if (result != nullptr) {
                framework::win32::ToComScalar(answer, *result);
            }
            return S_OK;
        } catch (const automation::AutomationError& error) {
            const std::u16string text = automation::FromUtf8(error.description());
            *exception = EXCEPINFO{};
            exception->scode = error.code();
            exception->bstrDescription =
                ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            return DISP_E_EXCEPTION;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

  private:
    automation::DispatchPtr object_;
    ULONG refs_ = 1;
};

// Makes the application as the class registry does, which records the creation.
class ApplicationFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        const bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory);
        *out = known ? this : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    // A local object that outlives its registration: nothing to count.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
        try {
            auto& registry = automation::ClassRegistry::Instance();
            IDispatch* application = DispatchAdapter::Expose(
                registry.CreateInstance(*registry.ClsidFromProgId(u"PowerPoint.Application")));
            const HRESULT status = application->QueryInterface(iid, out);
            application->Release();
            return status;
        } catch (...) {
            return E_FAIL;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

#pragma GCC diagnostic pop

// Answers calls until the client has let go of every object it was given.
bool ServeClient(const ScriptedServer& server) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < kPatienceMs) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&message);
        }
        if (!server.calls().empty() && g_live_objects == 0) {
            return true;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return false;
}

// Both sequences in full, when they differ.
template <class T>
void Compare(const std::vector<T>& got, const std::vector<T>& expected,
             std::vector<std::string>& differences) {
    for (const auto& [list, name] : {std::pair{&got, "got "}, std::pair{&expected, "expected "}}) {
        for (std::size_t i = 0; got != expected && i < list->size(); ++i) {
            differences.push_back(name + ::testing::PrintToString((*list)[i]));
        }
    }
}

std::vector<std::string> Serve(const std::vector<std::u16string>& request) {
    ScriptedServer server;
    // The geometry of the setup (slide 720 wide, title at 30, 50 high) puts
    // the viewer at 60, 82; a failing step lets the rest of the build go on.
    const auto [calls, releases] =
        server.Expect({request[1], request[2], request[3], 60.0f, 82.0f, request[4]},
                      WholeBuild(!request[3].empty()),
                      {{automation::ToUtf8(request[5]),
                        Reply::Error(automation::STG_E_WRITEFAULT, "the disk is full")}});

    std::vector<std::string> differences;
    ApplicationFactory factory;
    CLSID clsid;
    DWORD cookie = 0;
    if (FAILED(::CLSIDFromString(kClsid, &clsid)) ||
        FAILED(::CoRegisterClassObject(clsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                       &cookie))) {
        return {"the class could not be offered"};
    }
    if (!ServeClient(server)) {
        differences.push_back("the client did not release every object in time");
    }
    ::CoRevokeClassObject(cookie);
    Compare(server.calls(), calls, differences);
    Compare(server.releases(), releases, differences);
    return differences;
}

// Written aside and renamed, so that the test never reads half a report.
int Report(const std::u16string& path, const std::vector<std::string>& differences) {
    const std::u16string part = path + u".part";
    {
        std::ofstream report(reinterpret_cast<const wchar_t*>(part.c_str()), std::ios::binary);
        report << (differences.empty() ? "ok\n" : "");
        for (const std::string& line : differences) {
            report << line << '\n';
        }
    }
    return ::MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || FAILED(::OleInitialize(nullptr))) {
        return 2;
    }
    try {
        std::ifstream file(argv[1]);
        std::vector<std::u16string> request;
        for (std::string line; std::getline(file, line);) {
            request.push_back(automation::FromUtf8(line));
        }
        request.resize(6);
        const int status = Report(request[0], Serve(request));
        ::OleUninitialize();
        return status;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "scripted_powerpoint_server: %s\n", error.what());
        return 1;
    }
}
