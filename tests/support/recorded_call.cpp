#include "support/recorded_call.h"

#include <sstream>

#include "automation/text_codec.h"
#include "automation/variant.h"

namespace test_support {

automation::VARTYPE TypeOf(const Value& value) noexcept {
    switch (value.index()) {
        case 1:
            return automation::VT_I4;
        case 2:
            return automation::VT_R4;
        case 3:
            return automation::VT_BSTR;
        case 4:
            return automation::VT_DISPATCH;
        default:
            return automation::VT_EMPTY;
    }
}

std::string Describe(const Value& value) {
    std::ostringstream out;
    out << automation::VarTypeName(TypeOf(value));
    if (const auto* i4 = std::get_if<std::int32_t>(&value)) {
        out << ' ' << *i4;
    } else if (const auto* r4 = std::get_if<float>(&value)) {
        out << ' ' << *r4;
    } else if (const auto* text = std::get_if<std::u16string>(&value)) {
        out << " \"" << automation::ToUtf8(*text) << '"';
    } else if (const auto* object = std::get_if<ObjectName>(&value)) {
        out << ' ' << (object->name.empty() ? "null" : object->name);
    }
    return out.str();
}

std::string Describe(const Call& call) {
    std::ostringstream out;
    out << call.object << ' ';
    switch (call.kind) {
        case kCreate:
            out << "create";
            break;
        case automation::DISPATCH_METHOD:
            out << call.member << " method";
            break;
        case automation::DISPATCH_PROPERTYGET:
            out << call.member << " get";
            break;
        case automation::DISPATCH_PROPERTYPUT:
            out << call.member << " put";
            break;
        default:
            out << call.member << " kind " << call.kind;
            break;
    }
    out << " (";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        out << (i == 0 ? "" : ", ") << Describe(call.args[i]);
    }
    out << ") -> " << (call.failed ? "failed" : automation::VarTypeName(call.answered));
    return out.str();
}

void PrintTo(const Call& call, std::ostream* out) {
    *out << Describe(call);
}

void PrintTo(const Release& release, std::ostream* out) {
    *out << "release " << release.object << " after call " << release.after_calls;
}

}  // namespace test_support
