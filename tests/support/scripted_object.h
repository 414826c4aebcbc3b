// An object of a scripted server: it has a name and hands every call to its
// server, which records it and answers from the script. It keeps its own
// reference count so that the server also hears of every release, in order.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "automation/dispatch.h"
#include "automation/variant.h"

namespace test_support {

class ScriptedServer;

class ScriptedObject final : public automation::IDispatch {
  public:
    ScriptedObject(ScriptedServer* server, std::string name)
        : server_(server), name_(std::move(name)) {}
    ScriptedObject(const ScriptedObject&) = delete;
    ScriptedObject& operator=(const ScriptedObject&) = delete;

    const std::string& name() const noexcept { return name_; }
    std::uint32_t references() const noexcept { return refs_; }

    std::uint32_t AddRef() noexcept override { return ++refs_; }
    std::uint32_t Release() noexcept override;
    void Invoke(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

    // The server has gone: later calls fail as over a broken connection, and
    // releases are no longer told.
    void Disconnect() noexcept { server_ = nullptr; }

  private:
    ~ScriptedObject() = default;

    ScriptedServer* server_;
    std::string name_;
    std::uint32_t refs_ = 1;  // the creator's reference
};

}  // namespace test_support
