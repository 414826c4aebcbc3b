// A scripted automation server whose named objects log every call and
// release and answer from a table of replies (a call without one fails with
// DISP_E_MEMBERNOTFOUND), the presentation application it plays, and a
// message-box recorder.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "automation/class_registry.h"
#include "automation/variant.h"
#include "framework/message_box.h"

namespace test_support {

// A dispatch reference, by the name of the scripted object it points to.
struct ObjectName {
    std::string name;
    friend bool operator==(const ObjectName&, const ObjectName&) = default;
    friend void PrintTo(const ObjectName& o, std::ostream* out) { *out << o.name; }
};
using Value = std::variant<std::monostate, std::int32_t, float, std::u16string, ObjectName>;

inline constexpr std::uint16_t kCreate = 0;  // the kind logged for a creation by ProgID

struct Call {
    std::string object{};
    automation::DISPID member = 0;
    std::uint16_t kind = 0;
    std::vector<Value> args{};
    automation::VARTYPE answered = automation::VT_EMPTY;
    bool failed = false;
    friend bool operator==(const Call&, const Call&) = default;
};

// A reference the client gave back, and how many calls the log held then.
struct Release {
    std::string object;
    std::size_t after_calls = 0;
    friend bool operator==(const Release&, const Release&) = default;
};

// "slides 2004 method { ... } -> VT_DISPATCH", "release slides after call 9"
std::string Describe(const Call& call);
std::string Describe(const Release& release);
inline void PrintTo(const Call& call, std::ostream* out) {
    *out << Describe(call);
}
inline void PrintTo(const Release& release, std::ostream* out) {
    *out << Describe(release);
}

// A value, a scripted object (`text` names it), a null VT_DISPATCH, nothing,
// or a failure (`text` describes it).
struct Reply {
    enum class Kind { kNothing, kValue, kObject, kNoObject, kError } kind = Kind::kNothing;
    automation::Variant value{};
    std::string text{};
    automation::HRESULT code = automation::S_OK;

    static Reply Int(std::int32_t v) { return {Kind::kValue, automation::Variant::I4(v)}; }
    static Reply Float(float v) { return {Kind::kValue, automation::Variant::R4(v)}; }
    static Reply Text(std::u16string v) { return {Kind::kValue, automation::Variant::Bstr(v)}; }
    static Reply Object(std::string name) { return {Kind::kObject, {}, std::move(name)}; }
    static Reply NoObject() { return {Kind::kNoObject}; }
    static Reply Error(automation::HRESULT c, std::string why) {
        return {Kind::kError, {}, std::move(why), c};
    }
};

// Registers a class while it lives.
class ScopedClassRegistration {
  public:
    explicit ScopedClassRegistration(automation::ClassInfo info) : prog_id_(info.prog_id) {
        automation::ClassRegistry::Instance().Register(std::move(info));
    }
    ScopedClassRegistration(ScopedClassRegistration&& other) noexcept
        : prog_id_(std::exchange(other.prog_id_, u"")) {}
    ~ScopedClassRegistration() { automation::ClassRegistry::Instance().Unregister(prog_id_); }

  private:
    std::u16string prog_id_;
};

class ScriptedObject;

class ScriptedServer {
  public:
    ScriptedServer();
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // Adds a reply for calls of `member`: consecutive calls take the replies
    // in turn, and the last one answers the rest.
    void On(const std::string& object, automation::DISPID member, std::uint16_t kind, Reply reply) {
        rules_[{object, member, kind}].first.push_back(std::move(reply));
    }
    // The call logged at `position` (0-based, creations counted) gets `reply`.
    void AnswerCall(std::size_t position, Reply reply) { overrides_[position] = std::move(reply); }

    // Creating `prog_id` hands out the named object; `running`: as an
    // application the user has open already.
    ScopedClassRegistration ServeAs(std::u16string prog_id, std::string object,
                                    bool running = false);

    const std::vector<Call>& calls() const noexcept { return calls_; }
    const std::vector<Release>& releases() const noexcept { return releases_; }
    // One line for each object not handed out exactly once and released exactly once.
    std::vector<std::string> ReferenceProblems() const;

  private:
    friend class ScriptedObject;
    automation::DispatchPtr HandOut(const std::string& name);
    void Answer(const std::string& object, automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result);
    void Released(const std::string& name);

    std::map<std::string, std::unique_ptr<ScriptedObject>> objects_;
    std::map<std::tuple<std::string, automation::DISPID, std::uint16_t>,
             std::pair<std::vector<Reply>, std::size_t>>
        rules_;
    std::map<std::size_t, Reply> overrides_;
    std::map<std::string, int> handed_out_, given_back_;
    std::vector<Call> calls_;
    std::vector<Release> releases_;
};

// The objects of the scripted presentation application are named as their
// classes are ("application", "slides", "OLE format"); "added slide" is what
// Slides.Add answers, "new slide" what Slides.Item answers, and "embedded
// object" and "control" the first and second read of OLEFormat.Object.
struct PresentationAppSetup {
    bool already_running = false;
    std::int32_t window_state = 1;
    std::int32_t slide_count = 3;
    std::int32_t has_title = 1;
    float slide_width = 720.0f;
    float title_top = 30.0f;
    float title_height = 50.0f;
    bool viewer_installed = true;  // without it, the OLE format holds no object
};

// Scripts the whole conversation of a build, from start-up to quit.
void ScriptPresentationApp(ScriptedServer& server, const PresentationAppSetup& setup);

// The conversation the builder must hold with the presentation application,
// row by row from the values of one build, each row under the number of its
// step ("1" .. "29", "6a", "15b"), and the references it must give back.
struct BuildRequest {
    std::u16string data_path;
    std::u16string output_path;
    std::u16string template_path;  // empty: a blank presentation
};

// What the build is expected to compute: where the viewer goes and the title.
struct Placement {
    float left = 0.0f;
    float top = 0.0f;
    std::u16string title;
};

struct ExpectedStep {
    std::string label;
    Call call;
    Reply reply;  // what the scripted application answers
};

std::vector<ExpectedStep> ExpectedConversation(const PresentationAppSetup& setup,
                                               const BuildRequest& request,
                                               const Placement& placement);

// What the server records of a build, written "1 2 3 [a, b] 4": the labels
// of its calls in order, and in brackets the references given back after
// the calls before them, in the order they go.
struct BuildRecord {
    std::vector<std::string> steps;
    std::vector<Release> releases;
};
BuildRecord ParseRecord(std::string_view text);

// The records of whole builds of the standard setup, with a template and
// without: every step is taken, as when all answer or only the save fails.
inline constexpr const char* kWholeBuildWithTemplate =
    "1 2 3 4 5 6a 7 8 9 10 11 [added slide] 12 13 14 15a 16 17 18 19 20 "
    "[text range, text frame, title shape] 21 22 23 [embedded object] 24 25 "
    "[control, OLE format, viewer shape] 27 28 29 "
    "[application, shapes, new slide, slide master, slides, presentation, presentations]";
inline constexpr const char* kWholeBuildWithoutTemplate =
    "1 2 3 4 5 6b 7 8 9 10 11 [added slide] 12 13 14 15a 16 17 18 19 20 "
    "[text range, text frame, title shape] 21 22 23 [embedded object] 24 25 "
    "[control, OLE format, viewer shape] 27 28 29 "
    "[application, shapes, new slide, slide master, slides, presentation, presentations]";

// The references given back by the whole build above that holds `steps`;
// none when neither does.
std::vector<Release> ExpectedReleases(const std::vector<std::string>& steps);

struct ShownMessage {
    std::u16string text;
    std::u16string caption;
    UINT type = 0;
};

// Catches the message boxes shown while it lives, in order.
class MessageBoxRecorder {
  public:
    MessageBoxRecorder()
        : sink_([this](std::u16string_view text, std::u16string_view caption, UINT type) {
              shown_.push_back({std::u16string(text), std::u16string(caption), type});
          }) {}
    const std::vector<ShownMessage>& shown() const noexcept { return shown_; }
    std::vector<std::u16string> texts() const {
        std::vector<std::u16string> texts;
        std::ranges::transform(shown_, std::back_inserter(texts), &ShownMessage::text);
        return texts;
    }

  private:
    std::vector<ShownMessage> shown_;
    framework::ScopedMessageBoxSink sink_;  // after shown_, which it fills
};

}  // namespace test_support
