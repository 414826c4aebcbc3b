#include "support/reply.h"

namespace test_support {

Reply Reply::Nothing() {
    return Reply(Kind::kNothing);
}

Reply Reply::Int(std::int32_t value) {
    Reply reply(Kind::kValue);
    reply.value_ = automation::Variant::I4(value);
    return reply;
}

Reply Reply::Float(float value) {
    Reply reply(Kind::kValue);
    reply.value_ = automation::Variant::R4(value);
    return reply;
}

Reply Reply::Text(std::u16string value) {
    Reply reply(Kind::kValue);
    reply.value_ = automation::Variant::Bstr(value);
    return reply;
}

Reply Reply::Object(std::string name) {
    Reply reply(Kind::kObject);
    reply.text_ = std::move(name);
    return reply;
}

Reply Reply::NoObject() {
    return Reply(Kind::kNoObject);
}

Reply Reply::Error(automation::HRESULT code, std::string description) {
    Reply reply(Kind::kError);
    reply.code_ = code;
    reply.text_ = std::move(description);
    return reply;
}

Reply Reply::Custom(Decide decide) {
    Reply reply(Kind::kCustom);
    reply.decide_ = std::move(decide);
    return reply;
}

}  // namespace test_support
