#include "framework/win_app.h"

#include <cstdlib>

namespace framework {
namespace {

// A busy PowerPoint is waited for this long, tried again at this pace. The
// pause must be 100 ms or more, or the system retries at once.
constexpr DWORD kBusyServerPatience = 60'000;
constexpr DWORD kBusyServerPause = 250;
constexpr DWORD kGiveUp = static_cast<DWORD>(-1);

// A busy server (starting, loading add-ins, showing a dialog, saving) turns
// calls away with SERVERCALL_RETRYLATER; this filter has the system try them
// again for a while, without a dialog, instead of failing them at once. A
// static object: COM's references to it are counted, it is never freed.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class BusyServerFilter final : public IMessageFilter {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
            *out = static_cast<IMessageFilter*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // The program serves no objects of its own, so every incoming call is
    // let through, as without a filter.
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return SERVERCALL_ISHANDLED;
    }
    // A server that rejects a call outright will not take it later either;
    // giving up fails the call with RPC_E_CALL_REJECTED.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed, DWORD reject_type) override {
        return reject_type == SERVERCALL_RETRYLATER && elapsed < kBusyServerPatience
                   ? kBusyServerPause
                   : kGiveUp;
    }
    // While a call waits, the system's default handling of other messages;
    // the program has no window that could take input.
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        return PENDINGMSG_WAITDEFPROCESS;
    }
};
#pragma GCC diagnostic pop

BusyServerFilter g_filter;
bool g_ole_initialized = false;
IMessageFilter* g_previous_filter = nullptr;

// Run at exit once the apartment was entered. The filter goes before the
// apartment; whatever was there before comes back.
void TerminateOleApartment() noexcept {
    IMessageFilter* ours = nullptr;
    if (SUCCEEDED(::CoRegisterMessageFilter(g_previous_filter, &ours)) && ours != nullptr) {
        ours->Release();
    }
    if (g_previous_filter != nullptr) {
        g_previous_filter->Release();
        g_previous_filter = nullptr;
    }
    ::OleUninitialize();
}

}  // namespace

BOOL InitializeOleApartment() noexcept {
    if (g_ole_initialized) {
        return TRUE;
    }
    // S_FALSE (initialised on this thread already) needs its OleUninitialize too.
    if (FAILED(::OleInitialize(nullptr))) {
        return FALSE;
    }
    g_ole_initialized = true;
    // Without the filter, a busy server would fail the call at once. The
    // apartment works without it, so a refusal is not a failure of OLE.
    if (FAILED(::CoRegisterMessageFilter(&g_filter, &g_previous_filter))) {
        g_previous_filter = nullptr;
    }
    std::atexit(&TerminateOleApartment);
    return TRUE;
}

}  // namespace framework
