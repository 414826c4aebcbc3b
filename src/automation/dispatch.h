// The dispatch interface: a reference-counted object answering calls by DISPID,
// which servers implement and clients reach through COleDispatchDriver.
#pragma once

#include <cstdint>
#include <span>
#include <utility>

#include "automation/types.h"

namespace automation {

class Variant;
class IPersistState;
class IViewObject;

class IDispatch {
  public:
    // Returns the new reference count; it is for diagnostics only.
    virtual std::uint32_t AddRef() noexcept = 0;
    // Drops one reference; the object deletes itself when none is left.
    virtual std::uint32_t Release() noexcept = 0;

    // One call, `args` in the order of the member's parameter list (not
    // reversed as on some transports' wire). A result goes to `result`, a
    // VT_DISPATCH one with a reference the caller owns. Raises AutomationError.
    virtual void Invoke(DISPID member, std::uint16_t kind, std::span<const Variant> args,
                        Variant& result) = 0;

    // The object's persistence interface when it has one (controls do).
    // The pointer is borrowed: it lives as long as the object.
    virtual IPersistState* QueryPersistState() noexcept { return nullptr; }
    // The object's view when it draws one (controls do); borrowed likewise.
    virtual IViewObject* QueryViewObject() noexcept { return nullptr; }

  protected:
    ~IDispatch() = default;
};

// An owning smart pointer to a reference-counted object: one reference per
// non-empty pointer, released when the pointer lets go.
template <class T>
class RefPtr {
  public:
    RefPtr() = default;
    // Adopts a reference that the caller already owns.
    static RefPtr Adopt(T* p) noexcept { return RefPtr(p); }
    RefPtr(const RefPtr& other) noexcept : p_(other.p_) {
        if (p_ != nullptr) {
            p_->AddRef();
        }
    }
    RefPtr(RefPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <class U>
    RefPtr(RefPtr<U>&& other) noexcept : p_(other.Detach()) {}
    RefPtr& operator=(RefPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~RefPtr() {
        if (p_ != nullptr) {
            p_->Release();
        }
    }

    // Hands the reference to the caller.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

  private:
    explicit RefPtr(T* p) noexcept : p_(p) {}
    T* p_ = nullptr;
};

using DispatchPtr = RefPtr<IDispatch>;

// Creates an object of type T (derived from IDispatch) holding one reference.
template <class T, class... Args>
RefPtr<T> MakeRef(Args&&... args) {
    return RefPtr<T>::Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace automation
