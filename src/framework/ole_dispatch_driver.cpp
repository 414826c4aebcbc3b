#include "framework/ole_dispatch_driver.h"

#include <utility>

void COleDispatchDriver::AttachDispatch(LPDISPATCH dispatch, BOOL auto_release) noexcept {
    ReleaseDispatch();
    m_lpDispatch = dispatch;
    m_bAutoRelease = auto_release;
}

void COleDispatchDriver::ReleaseDispatch() noexcept {
    LPDISPATCH dispatch = std::exchange(m_lpDispatch, nullptr);
    if (dispatch != nullptr && m_bAutoRelease) {
        dispatch->Release();
    }
}

void COleDispatchDriver::Mismatch(std::size_t position, BYTE code) {
    throw std::logic_error("InvokeHelper: argument " + std::to_string(position + 1) +
                           " does not fit parameter type " + std::to_string(code));
}
