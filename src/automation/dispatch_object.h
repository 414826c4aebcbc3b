// A base for server objects: the reference count of IDispatch, kept for one
// thread (every automation call of the program is made from its main thread).
#pragma once

#include <cassert>
#include <cstdint>

#include "automation/dispatch.h"

namespace automation {

class DispatchObject : public IDispatch {
  public:
    std::uint32_t AddRef() noexcept final { return ++refs_; }
    std::uint32_t Release() noexcept final {
        assert(refs_ > 0 && "released more often than referenced");
        const std::uint32_t left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

  protected:
    DispatchObject() = default;
    virtual ~DispatchObject() = default;
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

  private:
    std::uint32_t refs_ = 1;  // the creator's reference
};

}  // namespace automation
