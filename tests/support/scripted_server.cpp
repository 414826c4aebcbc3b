#include "support/scripted_server.h"

#include <algorithm>
#include <cassert>
#include <sstream>

#include "automation/automation_error.h"
#include "automation/dispatch.h"
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

std::string Describe(const Value& value) {
    std::ostringstream out;
    if (const auto* i4 = std::get_if<std::int32_t>(&value)) {
        out << "VT_I4 " << *i4;
    } else if (const auto* r4 = std::get_if<float>(&value)) {
        out << "VT_R4 " << *r4;
    } else if (const auto* text = std::get_if<std::u16string>(&value)) {
        out << "VT_BSTR \"" << automation::ToUtf8(*text) << '"';
    } else if (const auto* object = std::get_if<ObjectName>(&value)) {
        out << "VT_DISPATCH " << (object->name.empty() ? "null" : object->name);
    } else {
        out << "VT_EMPTY";
    }
    return out.str();
}

}  // namespace

// An object of the server: it hands every call to the server and tells it of
// every release, so that the record holds both in order.
class ScriptedObject final : public automation::IDispatch {
  public:
    ScriptedObject(ScriptedServer* server, std::string name)
        : server_(server), name_(std::move(name)) {}

    std::uint32_t AddRef() noexcept override { return ++refs_; }
    std::uint32_t Release() noexcept override {
        assert(refs_ > 0 && "released more often than referenced");
        if (server_ != nullptr) {
            server_->Released(name_);
        }
        const std::uint32_t left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    void Invoke(automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result) override {
        if (server_ == nullptr) {
            throw automation::AutomationError(automation::RPC_E_DISCONNECTED,
                                              "the scripted server of \"" + name_ + "\" has gone");
        }
        server_->Answer(name_, member, kind, args, result);
    }

    ScriptedServer* server_;
    const std::string name_;
    std::uint32_t refs_ = kGuard;

  private:
    ~ScriptedObject() = default;
};

std::string Describe(const Call& call) {
    std::ostringstream out;
    out << call.object << ' ';
    if (call.kind == kCreate) {
        out << "create";
    } else {
        out << call.member << ' ' << automation::InvocationKindName(call.kind);
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

ScopedClassRegistration::ScopedClassRegistration(automation::ClassInfo info)
    : prog_id_(info.prog_id) {
    auto& registry = automation::ClassRegistry::Instance();
    // Registering replaces the class of the same ProgID and the class of the
    // same CLSID; both come back afterwards.
    if (const auto* same_name = registry.FindByProgId(info.prog_id)) {
        displaced_.push_back(*same_name);
    }
    if (const auto* same_id = registry.FindByClsid(info.clsid)) {
        if (displaced_.empty() || displaced_.front().clsid != same_id->clsid) {
            displaced_.push_back(*same_id);
        }
    }
    registry.Register(std::move(info));
}

ScopedClassRegistration::ScopedClassRegistration(ScopedClassRegistration&& other) noexcept
    : prog_id_(std::exchange(other.prog_id_, std::nullopt)),
      displaced_(std::move(other.displaced_)) {}

ScopedClassRegistration::~ScopedClassRegistration() {
    if (prog_id_) {
        auto& registry = automation::ClassRegistry::Instance();
        registry.Unregister(*prog_id_);
        for (auto& info : displaced_) {
            registry.Register(std::move(info));
        }
    }
}

ScriptedServer::~ScriptedServer() {
    for (auto& [name, object] : objects_) {
        object->server_ = nullptr;
        // Let go of the guard only: an object the client still holds leaks,
        // which the leak checker reports.
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
        it = objects_.emplace(name, new ScriptedObject(this, name)).first;
    }
    return *it->second;
}

void ScriptedServer::On(const std::string& object, automation::DISPID member, std::uint16_t kind,
                        std::vector<Reply> replies) {
    rules_.insert_or_assign({object, member, kind}, std::pair{std::move(replies), 0});
}

ScopedClassRegistration ScriptedServer::ServeAs(std::u16string prog_id, std::string object,
                                                bool running) {
    return ServeAs(std::move(prog_id), kScriptedClsid, std::move(object), running);
}

ScopedClassRegistration ScriptedServer::ServeAs(std::u16string prog_id, automation::Clsid clsid,
                                                std::string object, bool running) {
    auto factory = [this, prog_id, object] {
        calls_.push_back(Call{object, 0, kCreate, {Value(prog_id)}});
        automation::Variant result;
        Answer(object, 0, kCreate, {}, result);
        return result.TakeDispatch();
    };
    On(object, 0, kCreate, {Reply::Object(object)});
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
    const auto it = objects_.find(name);
    return it == objects_.end() ? 0
                                : static_cast<int>(it->second->refs_) - static_cast<int>(kGuard);
}

void ScriptedServer::Released(const std::string& name) {
    // Only a reference the client was handed counts: the transport may take
    // and drop references of its own while it passes a result on.
    int& given_back = given_back_[name];
    if (Outstanding(name) - 1 < HandedOut(name) - given_back) {
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

void ScriptedServer::Answer(const std::string& object, automation::DISPID member,
                            std::uint16_t kind, std::span<const automation::Variant> args,
                            automation::Variant& result) {
    if (kind != kCreate) {
        Call call{object, member, kind};
        for (const auto& arg : args) {
            Value recorded;
            switch (arg.vt()) {
                case automation::VT_I4:
                    recorded = arg.AsI4();
                    break;
                case automation::VT_R4:
                    recorded = arg.AsR4();
                    break;
                case automation::VT_BSTR:
                    recorded = arg.AsBstr();
                    break;
                case automation::VT_DISPATCH: {
                    const auto found = std::ranges::find_if(objects_, [&](const auto& entry) {
                        return entry.second == arg.AsDispatch().get();
                    });
                    recorded = ObjectName{found == objects_.end() ? "" : found->first};
                    break;
                }
                default:
                    break;
            }
            call.args.push_back(recorded);
        }
        calls_.push_back(std::move(call));
    }
    const std::size_t position = calls_.size() - 1;
    Reply reply =
        Reply::Error(automation::DISP_E_MEMBERNOTFOUND,
                     "\"" + object + "\" has no script for DISPID " + std::to_string(member));
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

void ScriptPresentationApp(ScriptedServer& server, const PresentationAppSetup& setup) {
    using automation::DISPATCH_METHOD;
    using automation::DISPATCH_PROPERTYGET;
    using automation::DISPATCH_PROPERTYPUT;
    namespace o = app_object;
    const Reply none = Reply::Nothing();
    const struct {
        const char* object;
        automation::DISPID member;
        std::uint16_t kind;
        std::vector<Reply> replies;
    } script[] = {
        {o::kApplication, 2033, DISPATCH_METHOD, {none}},
        {o::kApplication, 2029, DISPATCH_PROPERTYGET, {Reply::Int(setup.window_state)}},
        {o::kApplication, 2029, DISPATCH_PROPERTYPUT, {none}},
        {o::kApplication, 2001, DISPATCH_PROPERTYGET, {Reply::Object(o::kPresentations)}},
        {o::kApplication, 2021, DISPATCH_METHOD, {none}},
        {o::kPresentations, 2005, DISPATCH_METHOD, {Reply::Object(o::kPresentation)}},
        {o::kPresentations, 2003, DISPATCH_METHOD, {Reply::Object(o::kPresentation)}},
        {o::kPresentation, 2011, DISPATCH_PROPERTYGET, {Reply::Object(o::kSlides)}},
        {o::kPresentation, 2003, DISPATCH_PROPERTYGET, {Reply::Object(o::kSlideMaster)}},
        {o::kPresentation, 2036, DISPATCH_METHOD, {none}},
        {o::kSlideMaster, 2010, DISPATCH_PROPERTYGET, {Reply::Float(setup.slide_width)}},
        {o::kSlides, 11, DISPATCH_PROPERTYGET, {Reply::Int(setup.slide_count)}},
        {o::kSlides, 2004, DISPATCH_METHOD, {Reply::Object(o::kAddedSlide)}},
        {o::kSlides, 0, DISPATCH_METHOD, {Reply::Object(o::kNewSlide)}},
        {o::kNewSlide, 2003, DISPATCH_PROPERTYGET, {Reply::Object(o::kShapes)}},
        {o::kShapes, 2004, DISPATCH_PROPERTYGET, {Reply::Int(setup.has_title)}},
        {o::kShapes, 2006, DISPATCH_PROPERTYGET, {Reply::Object(o::kTitleShape)}},
        {o::kShapes, 2005, DISPATCH_METHOD, {Reply::Object(o::kTitleShape)}},
        {o::kShapes, 2008, DISPATCH_METHOD, {Reply::Object(o::kViewerShape)}},
        {o::kTitleShape, 121, DISPATCH_PROPERTYGET, {Reply::Object(o::kTextFrame)}},
        {o::kTitleShape, 123, DISPATCH_PROPERTYGET, {Reply::Float(setup.title_top)}},
        {o::kTitleShape, 109, DISPATCH_PROPERTYGET, {Reply::Float(setup.title_height)}},
        {o::kTextFrame, 2004, DISPATCH_PROPERTYGET, {Reply::Object(o::kTextRange)}},
        {o::kTextRange, 0, DISPATCH_PROPERTYPUT, {none}},
        {o::kViewerShape, 2003, DISPATCH_PROPERTYGET, {Reply::Object(o::kOleFormat)}},
        {o::kOleFormat, 2004, DISPATCH_PROPERTYGET,
         setup.viewer_installed
             ? std::vector{Reply::Object(o::kEmbeddedObject), Reply::Object(o::kControl)}
             : std::vector{Reply::NoObject()}},
        {o::kControl, 1, DISPATCH_PROPERTYPUT, {none}},
    };
    for (const auto& line : script) {
        server.On(line.object, line.member, line.kind, line.replies);
    }
}

}  // namespace test_support
