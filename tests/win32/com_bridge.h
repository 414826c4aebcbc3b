// Test-only: objects of the in-process automation protocol shown to the
// system as real COM objects. A client that goes through COM (CLSIDFromProgID,
// CoCreateInstance, IDispatch::Invoke) then talks to them with DISPPARAMS,
// VARIANTs, BSTRs and COM reference counts, as it would to another process.
#pragma once

#include <string>
#include <vector>

#include "automation/clsid.h"
#include "automation/dispatch.h"
#include "framework/afx_types.h"

namespace test_win32 {

// A COM IDispatch (one reference, the caller's) that forwards every call to
// `object`, holding one reference to it until COM's last reference goes.
// Dispatch results are wrapped the same way. A null object gives null.
LPDISPATCH ExposeAsCom(automation::DispatchPtr object);

// The GUID of a protocol CLSID.
GUID ToGuid(const automation::Clsid& clsid) noexcept;

// Offers the class registered in automation::ClassRegistry as `prog_id` to
// other processes, as a local server does, until the returned cookie is
// given to CoRevokeClassObject. Raises std::runtime_error as ScopedComClass does.
DWORD OfferToOtherProcesses(const std::u16string& prog_id);

// Makes the class registered in automation::ClassRegistry as `prog_id`
// creatable through COM for as long as the object lives: a class object
// registered for the process (CoRegisterClassObject) and the ProgID under
// HKEY_CURRENT_USER\Software\Classes (and, where the system does not read
// that, as under Wine, HKEY_LOCAL_MACHINE\Software\Classes). The registry
// keys it made are removed again. Raises std::runtime_error when the class is unknown or the system
// refuses.
class ScopedComClass {
  public:
    explicit ScopedComClass(std::u16string prog_id);
    ~ScopedComClass();
    ScopedComClass(const ScopedComClass&) = delete;
    ScopedComClass& operator=(const ScopedComClass&) = delete;

    // COM objects of this class that were created and have not gone yet.
    static long LiveObjects() noexcept;

  private:
    void Unregister() noexcept;

    std::u16string prog_id_;
    DWORD cookie_ = 0;
    std::vector<HKEY> roots_;  // where the ProgID was written
};

}  // namespace test_win32
