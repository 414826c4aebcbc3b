// One answer of a scripted server: a value, an object of the script, no
// object, nothing, a failure, or a function that decides on the arguments.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "automation/types.h"
#include "automation/variant.h"

namespace test_support {

class Reply {
  public:
    enum class Kind { kNothing, kValue, kObject, kNoObject, kError, kCustom };
    using Decide = std::function<Reply(std::span<const automation::Variant> args)>;

    // No result (a put, or a method without one).
    static Reply Nothing();
    static Reply Int(std::int32_t value);
    static Reply Float(float value);
    static Reply Text(std::u16string value);
    // A new reference to the scripted object of that name, which the client owns.
    static Reply Object(std::string name);
    // A VT_DISPATCH that holds no object.
    static Reply NoObject();
    // The call fails with this status and description.
    static Reply Error(automation::HRESULT code, std::string description);
    // The reply is chosen when the call arrives, from its arguments (a save
    // that writes a file, an answer that depends on an index).
    static Reply Custom(Decide decide);

    Kind kind() const noexcept { return kind_; }
    const automation::Variant& value() const noexcept { return value_; }
    const std::string& text() const noexcept { return text_; }
    automation::HRESULT code() const noexcept { return code_; }
    const Decide& decide() const noexcept { return decide_; }

  private:
    explicit Reply(Kind kind) : kind_(kind) {}

    Kind kind_;
    automation::Variant value_;
    std::string text_;  // the object's name, or the error's description
    automation::HRESULT code_ = automation::S_OK;
    Decide decide_;
};

}  // namespace test_support
