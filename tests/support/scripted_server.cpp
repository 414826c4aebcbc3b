#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "automation/automation_error.h"
#include "automation/dispatch.h"
#include "automation/member_check.h"

namespace test_support {

namespace {

constexpr automation::Clsid kScriptedClsid =
    automation::Clsid::FromFields(0x5c21f7a0, 0x3e51, 0x4d0b, {0x9e, 0, 0x7a, 0x11, 0, 0, 0, 1});

struct Step {
    std::string label;
    Call call;
    Reply reply;  // what the scripted application answers
};

// Every step of a build with the answer the scripted application gives.
std::vector<Step> Steps(const PresentationAppSetup& setup, const BuildRequest& request) {
    constexpr std::uint16_t kMethod = 1;
    constexpr std::uint16_t kGet = 2;
    constexpr std::uint16_t kPut = 4;
    const auto object = &Reply::Object;
    const Reply none;
    const std::int32_t index = setup.slide_count + 1;
    return {
        // clang-format off
        {"1", {"application", 0, kCreate, {u"PowerPoint.Application"}}, object("application")},
        {"2", {"application", 2033, kMethod, {}}, none},
        {"3", {"application", 2029, kGet, {}}, Reply::Int(setup.window_state)},
        {"4", {"application", 2029, kPut, {2}}, none},
        {"5", {"application", 2001, kGet, {}}, object("presentations")},
        {"6a", {"presentations", 2005, kMethod, {request.template_path, 0, -1, -1}}, object("presentation")},
        {"6b", {"presentations", 2003, kMethod, {1}}, object("presentation")},
        {"7", {"presentation", 2011, kGet, {}}, object("slides")},
        {"8", {"presentation", 2003, kGet, {}}, object("slide master")},
        {"9", {"slide master", 2010, kGet, {}}, Reply::Float(setup.slide_width)},
        {"10", {"slides", 11, kGet, {}}, Reply::Int(setup.slide_count)},
        {"11", {"slides", 2004, kMethod, {index, 11}}, object("added slide")},
        {"12", {"slides", 0, kMethod, {index}}, object("new slide")},
        {"13", {"new slide", 2003, kGet, {}}, object("shapes")},
        {"14", {"shapes", 2004, kGet, {}}, Reply::Int(setup.has_title)},
        {"15a", {"shapes", 2006, kGet, {}}, object("title shape")},
        {"15b", {"shapes", 2005, kMethod, {}}, object("title shape")},
        {"16", {"title shape", 121, kGet, {}}, object("text frame")},
        {"17", {"text frame", 2004, kGet, {}}, object("text range")},
        {"18", {"text range", 0, kPut, {request.title}}, none},
        {"19", {"title shape", 123, kGet, {}}, Reply::Float(setup.title_top)},
        {"20", {"title shape", 109, kGet, {}}, Reply::Float(setup.title_height)},
        {"21", {"shapes", 2008, kMethod, {request.left, request.top, 600.0f, 400.0f, u"TRELVO.TrelvoCtrl.1", u"", 0, u"", 0, u"", 0}}, object("viewer shape")},
        {"22", {"viewer shape", 2003, kGet, {}}, object("OLE format")},
        {"23", {"OLE format", 2004, kGet, {}}, setup.viewer_installed ? object("embedded object") : Reply::NoObject()},
        {"24", {"OLE format", 2004, kGet, {}}, object("control")},
        {"25", {"control", 1, kPut, {request.data_path}}, none},
        // The save goes through the presentation made in 6a or 6b; the
        // active presentation (6c, 26) is never asked for.
        {"27", {"presentation", 2036, kMethod, {request.output_path, 1, 1}}, none},
        {"28", {"application", 2029, kPut, {setup.window_state}}, none},
        {"29", {"application", 2021, kMethod, {}}, none},
        // clang-format on
    };
}

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

void PrintTo(const Call& call, std::ostream* out) {
    *out << call.object << " " << call.member << " " << automation::InvocationKindName(call.kind)
         << " " << ::testing::PrintToString(call.args);
}

ScriptedServer::ScriptedServer(const PresentationAppSetup& setup) : setup_(setup) {
    for (const auto& [label, call, reply] : Steps(setup, {})) {
        rules_[{call.object, call.member, call.kind}].first.push_back(reply);
    }
    auto factory = [this] {
        automation::Variant result;
        Answer("application", 0, kCreate,
               std::vector{automation::Variant::Bstr(u"PowerPoint.Application")}, result);
        return result.TakeDispatch();
    };
    registration_.emplace(automation::ClassInfo{u"PowerPoint.Application", kScriptedClsid,
                                                std::move(factory), false, setup.already_running});
}

ScriptedServer::~ScriptedServer() = default;

std::pair<std::vector<Call>, std::vector<Release>> ScriptedServer::Expect(
    const BuildRequest& request, std::string_view record,
    const std::vector<std::pair<std::string, Reply>>& failing) {
    const std::vector<Step> steps = Steps(setup_, request);
    std::vector<Call> calls;
    std::vector<Release> releases;
    while (!record.empty()) {
        const bool group = record.front() == '[';
        const std::size_t end = std::min(record.find(group ? ']' : ' '), record.size());
        if (group) {
            for (std::string_view rest = record.substr(1, end - 1); !rest.empty();) {
                const std::size_t comma = std::min(rest.find(", "), rest.size());
                releases.push_back({std::string(rest.substr(0, comma)), calls.size()});
                rest.remove_prefix(std::min(comma + 2, rest.size()));
            }
        } else if (end > 0) {
            const std::string label(record.substr(0, end));
            const auto step = std::ranges::find(steps, label, &Step::label);
            if (step == steps.end()) {
                throw std::invalid_argument("no step " + label);
            }
            calls.push_back(step->call);
            for (const auto& [failing_label, reply] : failing) {
                if (failing_label == label) {
                    overrides_[calls.size() - 1] = reply;
                }
            }
        }
        record.remove_prefix(std::min(end + 1, record.size()));
    }
    return {calls, releases};
}

void ScriptedServer::Released(const std::string& name) {
    // Only a reference the client was handed counts: the transport may take
    // and drop references of its own while it passes a result on.
    int& given_back = given_back_[name];
    if (objects_.at(name)->refs_ - 1 < handed_out_.at(name) - given_back) {
        ++given_back;
        releases_.emplace_back(name, calls_.size());
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
    Call& call = calls_.emplace_back(Call{object, member, kind});
    for (const automation::Variant& arg : args) {
        call.args.push_back(arg.vt() == automation::VT_I4     ? Value(arg.AsI4())
                            : arg.vt() == automation::VT_R4   ? Value(arg.AsR4())
                            : arg.vt() == automation::VT_BSTR ? Value(arg.AsBstr())
                                                              : Value());
    }
    Reply reply = Reply::Error(automation::DISP_E_MEMBERNOTFOUND, "no script");
    if (const auto chosen = overrides_.find(calls_.size() - 1); chosen != overrides_.end()) {
        reply = chosen->second;
    } else if (auto rule = rules_.find({object, member, kind}); rule != rules_.end()) {
        auto& [replies, next] = rule->second;
        reply = replies[std::min(next++, replies.size() - 1)];
    }
    if (reply.code != automation::S_OK) {
        throw automation::AutomationError(reply.code, reply.text);
    }
    if (!reply.text.empty()) {
        auto& scripted = objects_[reply.text];
        if (!scripted) {
            scripted = std::make_unique<ScriptedObject>(*this, reply.text);
        }
        scripted->AddRef();
        ++handed_out_[reply.text];
        reply.value = automation::Variant::Dispatch(automation::DispatchPtr::Adopt(scripted.get()));
    }
    result = std::move(reply.value);
}

}  // namespace test_support
