// An object of a scripted server: it has a name and hands every call to its
// server, which records it and answers from the script.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "automation/dispatch_object.h"
#include "automation/variant.h"

namespace test_support {

class ScriptedServer;

class ScriptedObject final : public automation::DispatchObject {
  public:
    ScriptedObject(ScriptedServer* server, std::string name)
        : server_(server), name_(std::move(name)) {}

    const std::string& name() const noexcept { return name_; }

    void Invoke(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override;

    // The server has gone: later calls fail as over a broken connection.
    void Disconnect() noexcept { server_ = nullptr; }

  private:
    ~ScriptedObject() override = default;

    ScriptedServer* server_;
    std::string name_;
};

}  // namespace test_support
