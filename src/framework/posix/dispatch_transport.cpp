// The transport of COleDispatchDriver where the servers live in this process:
// objects come from the class registry, calls go straight to their Invoke.
#include <new>

#include "automation/automation_error.h"
#include "automation/class_registry.h"
#include "framework/ole_dispatch_driver.h"

using automation::AutomationError;

namespace {

void StoreResult(VARIANT& value, VARTYPE result_type, void* result) {
    switch (result_type) {
        case VT_I4:
            *static_cast<std::int32_t*>(result) = value.AsI4();
            break;
        case VT_R4:
            *static_cast<float*>(result) = value.AsR4();
            break;
        case VT_DISPATCH:
            *static_cast<LPDISPATCH*>(result) = value.TakeDispatch().Detach();
            break;
        default:
            break;
    }
}

}  // namespace

// Only a class registered as running counts; this process's own never are.
bool framework::IsServerRunning(LPCTSTR prog_id) noexcept {
    const auto* info =
        automation::ClassRegistry::Instance().FindByProgId(prog_id != nullptr ? prog_id : u"");
    return info != nullptr && info->running;
}

BOOL COleDispatchDriver::CreateDispatch(LPCTSTR prog_id) {
    ReleaseDispatch();
    const auto& registry = automation::ClassRegistry::Instance();
    // A class that is not registered, or fails to start, leaves the wrapper empty.
    try {
        if (const auto clsid = registry.ClsidFromProgId(prog_id != nullptr ? prog_id : u"")) {
            m_lpDispatch = registry.CreateInstance(*clsid).Detach();
        }
    } catch (const AutomationError&) {
    } catch (const std::bad_alloc&) {
    }
    return m_lpDispatch != nullptr ? TRUE : FALSE;
}

automation::Variant COleDispatchDriver::CopyArgument(const VARIANT& value) {
    return value;
}

void COleDispatchDriver::Invoke(DISPID member, WORD kind, VARTYPE result_type, void* result_place,
                                std::vector<VARIANT> args) {
    VARIANT result;
    // Nothing but an automation error crosses the boundary of a server, as it
    // would between processes.
    try {
        m_lpDispatch->Invoke(member, kind, args, result);
    } catch (const AutomationError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw AutomationError(automation::E_OUTOFMEMORY, "not enough memory to finish this step");
    } catch (const std::exception& e) {
        throw AutomationError(automation::DISP_E_EXCEPTION, e.what());
    }
    if (result_type == VT_EMPTY) {
        return;
    }
    VARIANT converted = result.ChangeType(result_type);
    StoreResult(converted, result_type, result_place);
}
