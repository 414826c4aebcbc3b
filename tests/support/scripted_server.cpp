#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <utility>

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

std::string Describe(const Release& release) {
    return "release " + release.object + " after call " + std::to_string(release.after_calls);
}

std::string Describe(const Call& call) {
    return call.object + " " + std::to_string(call.member) + " " +
           std::string(automation::InvocationKindName(call.kind)) + " " +
           ::testing::PrintToString(call.args) + " -> " +
           std::string(call.failed ? "failed" : automation::VarTypeName(call.answered));
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
using automation::VT_DISPATCH;
using automation::VT_EMPTY;
using automation::VT_I4;
using automation::VT_R4;

namespace {

// Every step of a build with the answer the scripted application gives.
std::vector<ExpectedStep> Steps(const PresentationAppSetup& setup, const BuildRequest& request,
                                const Placement& placement) {
    constexpr std::uint16_t kMethod = 1;
    constexpr std::uint16_t kGet = 2;
    constexpr std::uint16_t kPut = 4;
    const auto object = &Reply::Object;
    const Reply none;
    const std::int32_t index = setup.slide_count + 1;
    return {
        // clang-format off
        {"1", {"application", 0, kCreate, {u"PowerPoint.Application"}, VT_DISPATCH}, none},
        {"2", {"application", 2033, kMethod, {}, VT_EMPTY}, none},
        {"3", {"application", 2029, kGet, {}, VT_I4}, Reply::Int(setup.window_state)},
        {"4", {"application", 2029, kPut, {2}, VT_EMPTY}, none},
        {"5", {"application", 2001, kGet, {}, VT_DISPATCH}, object("presentations")},
        {"6a", {"presentations", 2005, kMethod, {request.template_path, 0, -1, -1}, VT_DISPATCH}, object("presentation")},
        {"6b", {"presentations", 2003, kMethod, {1}, VT_DISPATCH}, object("presentation")},
        {"7", {"presentation", 2011, kGet, {}, VT_DISPATCH}, object("slides")},
        {"8", {"presentation", 2003, kGet, {}, VT_DISPATCH}, object("slide master")},
        {"9", {"slide master", 2010, kGet, {}, VT_R4}, Reply::Float(setup.slide_width)},
        {"10", {"slides", 11, kGet, {}, VT_I4}, Reply::Int(setup.slide_count)},
        {"11", {"slides", 2004, kMethod, {index, 11}, VT_DISPATCH}, object("added slide")},
        {"12", {"slides", 0, kMethod, {index}, VT_DISPATCH}, object("new slide")},
        {"13", {"new slide", 2003, kGet, {}, VT_DISPATCH}, object("shapes")},
        {"14", {"shapes", 2004, kGet, {}, VT_I4}, Reply::Int(setup.has_title)},
        {"15a", {"shapes", 2006, kGet, {}, VT_DISPATCH}, object("title shape")},
        {"15b", {"shapes", 2005, kMethod, {}, VT_DISPATCH}, object("title shape")},
        {"16", {"title shape", 121, kGet, {}, VT_DISPATCH}, object("text frame")},
        {"17", {"text frame", 2004, kGet, {}, VT_DISPATCH}, object("text range")},
        {"18", {"text range", 0, kPut, {placement.title}, VT_EMPTY}, none},
        {"19", {"title shape", 123, kGet, {}, VT_R4}, Reply::Float(setup.title_top)},
        {"20", {"title shape", 109, kGet, {}, VT_R4}, Reply::Float(setup.title_height)},
        {"21", {"shapes", 2008, kMethod, {placement.left, placement.top, 600.0f, 400.0f, u"TRELVO.TrelvoCtrl.1", u"", 0, u"", 0, u"", 0}, VT_DISPATCH}, object("viewer shape")},
        {"22", {"viewer shape", 2003, kGet, {}, VT_DISPATCH}, object("OLE format")},
        // Without the viewer the OLE format holds no object.
        {"23", {"OLE format", 2004, kGet, {}, VT_DISPATCH}, setup.viewer_installed ? object("embedded object") : Reply::NoObject()},
        {"24", {"OLE format", 2004, kGet, {}, VT_DISPATCH}, object("control")},
        {"25", {"control", 1, kPut, {request.data_path}, VT_EMPTY}, none},
        // The save goes through the presentation made in 6a or 6b; the
        // active presentation (6c, 26) is never asked for.
        {"27", {"presentation", 2036, kMethod, {request.output_path, 1, 1}, VT_EMPTY}, none},
        {"28", {"application", 2029, kPut, {setup.window_state}, VT_EMPTY}, none},
        {"29", {"application", 2021, kMethod, {}, VT_EMPTY}, none},
        // clang-format on
    };
}

}  // namespace

std::vector<ExpectedStep> ExpectedConversation(const PresentationAppSetup& setup,
                                               const BuildRequest& request,
                                               const Placement& placement) {
    const std::set<std::string> skipped = {
        request.template_path.empty() ? "6a" : "6b",
        setup.has_title != 0 ? "15b" : "15a",
        // The user's own application keeps its window and goes on running.
        setup.already_running ? "3" : "",
        setup.already_running ? "4" : "",
        setup.already_running ? "28" : "",
        setup.already_running ? "29" : "",
        setup.viewer_installed ? "" : "24",
        setup.viewer_installed ? "" : "25",
    };
    std::vector<ExpectedStep> steps = Steps(setup, request, placement);
    std::erase_if(steps, [&](const ExpectedStep& step) { return skipped.contains(step.label); });
    return steps;
}

BuildRecord ParseRecord(std::string_view text) {
    BuildRecord record;
    while (!text.empty()) {
        const bool group = text.front() == '[';
        const std::size_t end = std::min(text.find(group ? ']' : ' '), text.size());
        if (group) {
            for (std::string_view rest = text.substr(1, end - 1); !rest.empty();) {
                const std::size_t comma = std::min(rest.find(", "), rest.size());
                record.releases.push_back(
                    {std::string(rest.substr(0, comma)), record.steps.size()});
                rest.remove_prefix(std::min(comma + 2, rest.size()));
            }
        } else if (end > 0) {
            record.steps.emplace_back(text.substr(0, end));
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return record;
}

std::vector<Release> ExpectedReleases(const std::vector<std::string>& steps) {
    for (const char* whole : {kWholeBuildWithTemplate, kWholeBuildWithoutTemplate}) {
        if (BuildRecord record = ParseRecord(whole); record.steps == steps) {
            return record.releases;
        }
    }
    return {};
}

void ScriptPresentationApp(ScriptedServer& server, const PresentationAppSetup& setup) {
    for (const auto& [label, call, reply] : Steps(setup, {}, {})) {
        if (call.kind != kCreate) {
            server.On(call.object, call.member, call.kind, reply);
        }
    }
}

}  // namespace test_support
