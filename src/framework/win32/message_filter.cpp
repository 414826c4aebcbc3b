#include "framework/win32/message_filter.h"

namespace framework::win32 {
namespace {

// A busy PowerPoint is waited for this long, tried again at this pace. The
// pause must be 100 ms or more, or the system retries at once.
constexpr DWORD kBusyServerPatience = 60'000;
constexpr DWORD kBusyServerPause = 250;
constexpr DWORD kGiveUp = static_cast<DWORD>(-1);

// A static object: COM's references to it only need to be counted, never to
// free it.
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
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed, DWORD reject_type) override {
        return RetryRejectedCallAfter(reject_type, elapsed);
    }
    // While a call waits, the system's default handling of other messages;
    // the program has no window that could take input.
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        return PENDINGMSG_WAITDEFPROCESS;
    }
};
#pragma GCC diagnostic pop

BusyServerFilter g_filter;

}  // namespace

DWORD RetryRejectedCallAfter(DWORD reject_type, DWORD elapsed) noexcept {
    // A server that rejects a call outright will not take it later either.
    if (reject_type != SERVERCALL_RETRYLATER || elapsed >= kBusyServerPatience) {
        return kGiveUp;
    }
    return kBusyServerPause;
}

IMessageFilter* ProcessMessageFilter() noexcept {
    return &g_filter;
}

}  // namespace framework::win32
