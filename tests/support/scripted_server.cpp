#include "support/scripted_server.h"

#include <algorithm>
#include <sstream>

#include "automation/automation_error.h"
#include "automation/dispatch.h"
#include "automation/member_check.h"
#include "automation/text_codec.h"

namespace test_support {
namespace {

constexpr automation::Clsid kScriptedClsid =
    automation::Clsid::FromFields(0x5c21f7a0, 0x3e51, 0x4d0b, {0x9e, 0, 0x7a, 0x11, 0, 0, 0, 1});

}  // namespace

// Lives as long as its server, which logs its calls and releases.
class ScriptedObject final : public automation::IDispatch {
  public:
    ScriptedObject(ScriptedServer& server, std::string name)
        : server_(server), name_(std::move(name)) {}

    std::uint32_t AddRef() noexcept override { return static_cast<std::uint32_t>(++refs_); }
    std::uint32_t Release() noexcept override {
        server_.Released(name_);
        return static_cast<std::uint32_t>(--refs_);
    }
    void Invoke(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override {
        server_.Answer(name_, member, kind, args, result);
    }

    ScriptedServer& server_;
    const std::string name_;
    int refs_ = 0;  // below zero: released too often
};

std::string Describe(const Call& call) {
    std::ostringstream out;
    out << call.object << ' ';
    if (call.kind == kCreate) {
        out << "create";
    } else {
        out << call.member << ' ' << automation::InvocationKindName(call.kind);
    }
    const char* separator = " (";
    for (const Value& value : call.args) {
        out << std::exchange(separator, ", ");
        if (const auto* i = std::get_if<std::int32_t>(&value)) {
            out << "VT_I4 " << *i;
        } else if (const auto* f = std::get_if<float>(&value)) {
            out << "VT_R4 " << *f;
        } else if (const auto* text = std::get_if<std::u16string>(&value)) {
            out << "VT_BSTR \"" << automation::ToUtf8(*text) << '"';
        } else if (const auto* o = std::get_if<ObjectName>(&value)) {
            out << "VT_DISPATCH " << (o->name.empty() ? "null" : o->name);
        } else {
            out << "VT_EMPTY";
        }
    }
    out << (call.args.empty() ? " ()" : ")") << " -> "
        << (call.failed ? "failed" : automation::VarTypeName(call.answered));
    return out.str();
}

ScriptedServer::ScriptedServer() = default;
ScriptedServer::~ScriptedServer() = default;

ScopedClassRegistration ScriptedServer::ServeAs(std::u16string prog_id, std::string object,
                                                bool running) {
    auto factory = [this, prog_id, object] {
        calls_.push_back(Call{object, 0, kCreate, {Value(prog_id)}});
        automation::Variant result;
        Answer(object, 0, kCreate, {}, result);
        return result.TakeDispatch();
    };
    On(object, 0, kCreate, Reply::Object(object));
    return ScopedClassRegistration({prog_id, kScriptedClsid, std::move(factory), false, running});
}

automation::DispatchPtr ScriptedServer::HandOut(const std::string& name) {
    auto& object = objects_[name];
    if (!object) {
        object = std::make_unique<ScriptedObject>(*this, name);
    }
    object->AddRef();
    ++handed_out_[name];
    return automation::DispatchPtr::Adopt(object.get());
}

void ScriptedServer::Released(const std::string& name) {
    // Only a reference the client was handed counts: the transport may take
    // and drop references of its own while it passes a result on.
    int& given_back = given_back_[name];
    if (objects_.at(name)->refs_ - 1 < handed_out_.at(name) - given_back) {
        ++given_back;
        releases_.push_back(Release{name, calls_.size()});
    }
}

std::vector<std::string> ScriptedServer::ReferenceProblems() const {
    std::vector<std::string> problems;
    for (const auto& [name, object] : objects_) {
        if (object->refs_ != 0 || handed_out_.at(name) != 1) {
            problems.push_back(name + ": handed out " + std::to_string(handed_out_.at(name)) +
                               ", " + std::to_string(object->refs_) + " never released");
        }
    }
    return problems;
}

void ScriptedServer::Answer(const std::string& object, automation::DISPID member,
                            std::uint16_t kind, std::span<const automation::Variant> args,
                            automation::Variant& result) {
    if (kind != kCreate) {
        Call call{object, member, kind};
        for (const auto& arg : args) {
            switch (arg.vt()) {
                case automation::VT_I4:
                    call.args.emplace_back(arg.AsI4());
                    break;
                case automation::VT_R4:
                    call.args.emplace_back(arg.AsR4());
                    break;
                case automation::VT_BSTR:
                    call.args.emplace_back(arg.AsBstr());
                    break;
                case automation::VT_DISPATCH: {
                    const auto found = std::ranges::find_if(objects_, [&](const auto& entry) {
                        return entry.second.get() == arg.AsDispatch().get();
                    });
                    call.args.emplace_back(ObjectName{found == objects_.end() ? "" : found->first});
                    break;
                }
                default:
                    call.args.emplace_back();
            }
        }
        calls_.push_back(std::move(call));
    }
    const std::size_t position = calls_.size() - 1;
    Reply reply = Reply::Error(automation::DISP_E_MEMBERNOTFOUND, "no script");
    if (const auto chosen = overrides_.find(position); chosen != overrides_.end()) {
        reply = chosen->second;
    } else if (auto rule = rules_.find({object, member, kind}); rule != rules_.end()) {
        auto& [replies, next] = rule->second;
        reply = replies[std::min(next++, replies.size() - 1)];
    }
    using Kind = Reply::Kind;
    if (reply.kind == Kind::kError) {
        calls_[position].failed = true;
        throw automation::AutomationError(reply.code, reply.text);
    }
    result = reply.kind == Kind::kValue      ? reply.value
             : reply.kind == Kind::kObject   ? automation::Variant::Dispatch(HandOut(reply.text))
             : reply.kind == Kind::kNoObject ? automation::Variant::Dispatch({})
                                             : automation::Variant();
    calls_[position].answered = result.vt();
}

}  // namespace test_support
