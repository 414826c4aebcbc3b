// What a scripted server keeps of each call it receives: which object, which
// member, how, with which arguments, and what it answered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "automation/types.h"

namespace test_support {

// A dispatch reference, by the name of the scripted object it points to; an
// empty name for a null reference, "<foreign>" for an object of no script.
struct ObjectName {
    std::string name;
    friend bool operator==(const ObjectName&, const ObjectName&) = default;
};

// A value as it crossed the boundary: VT_EMPTY, VT_I4, VT_R4, VT_BSTR or VT_DISPATCH.
using Value = std::variant<std::monostate, std::int32_t, float, std::u16string, ObjectName>;

automation::VARTYPE TypeOf(const Value& value) noexcept;
std::string Describe(const Value& value);

// The kind recorded for the creation of an object by its ProgID (the one
// argument); it is not an invocation kind of the protocol.
inline constexpr std::uint16_t kCreate = 0;

struct Call {
    std::string object;
    automation::DISPID member = 0;
    std::uint16_t kind = 0;
    std::vector<Value> args;
    // The type of what the server answered. The type the client asked for
    // never reaches a server; the client converts the answer to it and fails
    // when it cannot.
    automation::VARTYPE answered = automation::VT_EMPTY;
    bool failed = false;

    friend bool operator==(const Call&, const Call&) = default;
};

// "slides 2004 method (VT_I4 4, VT_I4 11) -> VT_DISPATCH", for failure output.
std::string Describe(const Call& call);
void PrintTo(const Call& call, std::ostream* out);

// A reference the client gave back: to which object, and how many calls the
// record held at that moment (the release came after the last of them).
struct Release {
    std::string object;
    std::size_t after_calls = 0;

    friend bool operator==(const Release&, const Release&) = default;
};

void PrintTo(const Release& release, std::ostream* out);

}  // namespace test_support
