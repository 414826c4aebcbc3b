#include "framework/ole_dispatch_driver.h"

#include <utility>

#include "automation/automation_error.h"

COleDispatchDriver::COleDispatchDriver(const COleDispatchDriver& other) noexcept
    : m_lpDispatch(other.m_lpDispatch), m_bAutoRelease(TRUE) {
    if (m_lpDispatch != nullptr) {
        m_lpDispatch->AddRef();
    }
}

COleDispatchDriver& COleDispatchDriver::operator=(const COleDispatchDriver& other) noexcept {
    if (this != &other) {
        // Take the new reference before letting go of the old one: both may be
        // the same object.
        if (other.m_lpDispatch != nullptr) {
            other.m_lpDispatch->AddRef();
        }
        ReleaseDispatch();
        m_lpDispatch = other.m_lpDispatch;
        m_bAutoRelease = TRUE;
    }
    return *this;
}

void COleDispatchDriver::AttachDispatch(LPDISPATCH dispatch, BOOL auto_release) noexcept {
    ReleaseDispatch();
    m_lpDispatch = dispatch;
    m_bAutoRelease = auto_release;
}

void COleDispatchDriver::ReleaseDispatch() noexcept {
    if (LPDISPATCH dispatch = std::exchange(m_lpDispatch, nullptr)) {
        if (m_bAutoRelease) {
            dispatch->Release();
        }
    }
}

void COleDispatchDriver::Mismatch(std::size_t position, BYTE code) {
    throw std::logic_error("InvokeHelper: argument " + std::to_string(position + 1) +
                           " does not fit parameter type " + std::to_string(code));
}
