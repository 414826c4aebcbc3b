#include "support/scripted_server.h"

#include <algorithm>

#include "automation/automation_error.h"
#include "automation/member_check.h"
#include "automation/text_codec.h"

namespace test_support {
namespace {

// The server holds this many references to each of its objects, so that a
// client that releases too often drives the count below it, where the test
// can see it, instead of freeing the object under everybody's feet.
constexpr std::uint32_t kGuard = 1000;

// A CLSID of the tests' own for classes registered without one.
constexpr automation::Clsid kScriptedClsid =
    automation::Clsid::FromFields(0x5c21f7a0, 0x3e51, 0x4d0b, {0x9e, 0, 0x7a, 0x11, 0, 0, 0, 1});

}  // namespace

ScriptedServer::~ScriptedServer() {
    for (auto& [name, object] : objects_) {
        object->Disconnect();
        // Let go of the guard only: an object the client still holds leaks,
        // which the leak checker reports; one released too often is freed
        // exactly once here.
        const int outstanding = Outstanding(name);
        const std::uint32_t ours =
            outstanding < 0 ? kGuard - static_cast<std::uint32_t>(-outstanding) : kGuard;
        for (std::uint32_t i = 0; i < ours; ++i) {
            object->Release();
        }
    }
}

ScriptedObject& ScriptedServer::Object(const std::string& name) {
    auto it = objects_.find(name);
    if (it == objects_.end()) {
        auto* object = new ScriptedObject(this, name);
        for (std::uint32_t i = 1; i < kGuard; ++i) {
            object->AddRef();
        }
        it = objects_.emplace(name, object).first;
    }
    return *it->second;
}

const ScriptedObject* ScriptedServer::Find(const std::string& name) const {
    const auto it = objects_.find(name);
    return it == objects_.end() ? nullptr : it->second;
}

void ScriptedServer::On(const std::string& object, automation::DISPID member, std::uint16_t kind,
                        std::vector<Reply> replies) {
    Object(object);
    rules_.insert_or_assign(Key{object, member, kind}, Rule{std::move(replies), 0});
}

void ScriptedServer::On(const std::string& object, automation::DISPID member, std::uint16_t kind,
                        Reply reply) {
    On(object, member, kind, std::vector<Reply>{std::move(reply)});
}

void ScriptedServer::AnswerCall(std::size_t position, Reply reply) {
    overrides_.insert_or_assign(position, std::move(reply));
}

void ScriptedServer::FailCall(std::size_t position, automation::HRESULT code,
                              std::string description) {
    AnswerCall(position, Reply::Error(code, std::move(description)));
}

ScopedClassRegistration ScriptedServer::ServeAs(std::u16string prog_id, std::string object,
                                                bool running) {
    return ServeAs(std::move(prog_id), kScriptedClsid, std::move(object), running);
}

ScopedClassRegistration ScriptedServer::ServeAs(std::u16string prog_id, automation::Clsid clsid,
                                                std::string object, bool running) {
    Object(object);
    auto factory = [this, prog_id, object] { return Create(prog_id, object); };
    return ScopedClassRegistration({prog_id, clsid, std::move(factory), false, running});
}

automation::DispatchPtr ScriptedServer::HandOut(const std::string& name) {
    ScriptedObject& object = Object(name);
    object.AddRef();
    if (handed_out_[name]++ == 0) {
        handed_order_.push_back(name);
    }
    return automation::DispatchPtr::Adopt(&object);
}

int ScriptedServer::HandedOut(const std::string& name) const {
    const auto it = handed_out_.find(name);
    return it == handed_out_.end() ? 0 : it->second;
}

int ScriptedServer::Outstanding(const std::string& name) const {
    const ScriptedObject* object = Find(name);
    if (object == nullptr) {
        return 0;
    }
    return static_cast<int>(object->references()) - static_cast<int>(kGuard);
}

void ScriptedServer::Released(const ScriptedObject& object) {
    // Only a reference the client was handed counts: the transport may take
    // and drop references of its own while it passes a result on, and those
    // never bring the count below what the client holds.
    const std::string& name = object.name();
    const int left = Outstanding(name) - 1;
    int& given_back = given_back_[name];
    if (left < HandedOut(name) - given_back) {
        ++given_back;
        releases_.push_back(Release{name, calls_.size()});
    }
}

std::vector<std::string> ScriptedServer::ReferenceProblems() const {
    std::vector<std::string> problems;
    for (const auto& [name, object] : objects_) {
        const int outstanding = Outstanding(name);
        if (outstanding > 0) {
            problems.push_back(name + ": " + std::to_string(outstanding) +
                               " reference(s) never released");
        } else if (outstanding < 0) {
            problems.push_back(name + ": released " + std::to_string(-outstanding) +
                               " time(s) more than handed out");
        }
    }
    return problems;
}

Value ScriptedServer::Record(const automation::Variant& value) const {
    switch (value.vt()) {
        case automation::VT_I4:
            return value.AsI4();
        case automation::VT_R4:
            return value.AsR4();
        case automation::VT_BSTR:
            return value.AsBstr();
        case automation::VT_DISPATCH: {
            const automation::IDispatch* target = value.AsDispatch().get();
            if (target == nullptr) {
                return ObjectName{};
            }
            for (const auto& [name, object] : objects_) {
                if (object == target) {
                    return ObjectName{name};
                }
            }
            return ObjectName{"<foreign>"};
        }
        default:
            return std::monostate{};
    }
}

Reply ScriptedServer::NextReply(const Key& key) {
    const auto it = rules_.find(key);
    if (it == rules_.end() || it->second.replies.empty()) {
        const auto& [object, member, kind] = key;
        return Reply::Error(automation::DISP_E_MEMBERNOTFOUND,
                            "\"" + object + "\" has no script for DISPID " +
                                std::to_string(member) + " (" +
                                std::string(automation::InvocationKindName(kind)) + ")");
    }
    Rule& rule = it->second;
    const std::size_t index = std::min(rule.next, rule.replies.size() - 1);
    ++rule.next;
    return rule.replies[index];
}

void ScriptedServer::Answer(ScriptedObject& object, automation::DISPID member, std::uint16_t kind,
                            std::span<const automation::Variant> args,
                            automation::Variant& result) {
    Call call{object.name(), member, kind, {}, automation::VT_EMPTY, false};
    for (const auto& arg : args) {
        call.args.push_back(Record(arg));
    }
    const std::size_t position = calls_.size();
    calls_.push_back(std::move(call));
    Respond(position, args, NextReply(Key{object.name(), member, kind}), result);
}

automation::DispatchPtr ScriptedServer::Create(const std::u16string& prog_id,
                                               const std::string& name) {
    const std::size_t position = calls_.size();
    calls_.push_back(Call{name, 0, kCreate, {Value(prog_id)}, automation::VT_EMPTY, false});
    automation::Variant result;
    Respond(position, {}, Reply::Object(name), result);
    return result.TakeDispatch();
}

void ScriptedServer::Respond(std::size_t position, std::span<const automation::Variant> args,
                             Reply reply, automation::Variant& result) {
    try {
        if (const auto chosen = overrides_.find(position); chosen != overrides_.end()) {
            reply = chosen->second;
        }
        // A custom reply may make calls of its own; the record is reached by
        // position because those calls grow it.
        while (reply.kind() == Reply::Kind::kCustom) {
            reply = reply.decide()(args);
        }
        switch (reply.kind()) {
            case Reply::Kind::kError:
                throw automation::AutomationError(reply.code(), reply.text());
            case Reply::Kind::kValue:
                result = reply.value();
                break;
            case Reply::Kind::kObject:
                result = automation::Variant::Dispatch(HandOut(reply.text()));
                break;
            case Reply::Kind::kNoObject:
                result = automation::Variant::Dispatch(automation::DispatchPtr());
                break;
            default:
                result = automation::Variant();
                break;
        }
    } catch (...) {
        calls_[position].failed = true;
        throw;
    }
    calls_[position].answered = result.vt();
}

}  // namespace test_support
