// The tests' helper layer: a scripted automation server whose named objects
// record every call and every release and answer from a script (a call it
// has no answer for fails with DISP_E_MEMBERNOTFOUND, and is recorded), the
// presentation application it plays, a message-box recorder and a case namer.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "automation/class_registry.h"
#include "automation/variant.h"
#include "framework/message_box.h"

namespace test_support {

// Names a parameterised case after its `name` field.
struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& param) const {
        return param.param.name;
    }
};

// A dispatch reference, by the name of the scripted object it points to.
struct ObjectName {
    std::string name;
    friend bool operator==(const ObjectName&, const ObjectName&) = default;
};

// A value as it crossed the boundary: VT_EMPTY, VT_I4, VT_R4, VT_BSTR or VT_DISPATCH.
using Value = std::variant<std::monostate, std::int32_t, float, std::u16string, ObjectName>;

// The kind recorded for the creation of an object by its ProgID.
inline constexpr std::uint16_t kCreate = 0;

struct Call {
    std::string object{};
    automation::DISPID member = 0;
    std::uint16_t kind = 0;
    std::vector<Value> args{};
    automation::VARTYPE answered = automation::VT_EMPTY;  // what the server gave back
    bool failed = false;
    friend bool operator==(const Call&, const Call&) = default;
};
// "slides 2004 method (VT_I4 4, VT_I4 11) -> VT_DISPATCH"
std::string Describe(const Call& call);
void PrintTo(const Call& call, std::ostream* out);

// A reference the client gave back, and how many calls the record held then.
struct Release {
    std::string object;
    std::size_t after_calls = 0;
    friend bool operator==(const Release&, const Release&) = default;
};
void PrintTo(const Release& release, std::ostream* out);

// One answer: a value, a reference to a scripted object, no object (a null
// VT_DISPATCH), nothing, or a failure.
struct Reply {
    enum class Kind { kNothing, kValue, kObject, kNoObject, kError } kind = Kind::kNothing;
    automation::Variant value{};
    std::string text{};  // the object's name, or the error's description
    automation::HRESULT code = automation::S_OK;

    static Reply Nothing() { return {}; }
    static Reply Int(std::int32_t v) { return {Kind::kValue, automation::Variant::I4(v)}; }
    static Reply Float(float v) { return {Kind::kValue, automation::Variant::R4(v)}; }
    static Reply Text(std::u16string v) { return {Kind::kValue, automation::Variant::Bstr(v)}; }
    static Reply Object(std::string name) { return {Kind::kObject, {}, std::move(name)}; }
    static Reply NoObject() { return {Kind::kNoObject}; }
    static Reply Error(automation::HRESULT c, std::string why) {
        return {Kind::kError, {}, std::move(why), c};
    }
};

// Registers a class for the life of the object and puts back what it displaced.
class ScopedClassRegistration {
  public:
    explicit ScopedClassRegistration(automation::ClassInfo info);
    ~ScopedClassRegistration();
    ScopedClassRegistration(ScopedClassRegistration&& other) noexcept;
    ScopedClassRegistration& operator=(ScopedClassRegistration&&) = delete;

  private:
    std::optional<std::u16string> prog_id_;  // empty once moved from
    std::vector<automation::ClassInfo> displaced_;
};

class ScriptedObject;

class ScriptedServer {
  public:
    ScriptedServer() = default;
    ~ScriptedServer();  // objects still held stay alive but answer no more
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // Scripts one member: consecutive calls take the replies in turn and the
    // last one answers every call after it.
    void On(const std::string& object, automation::DISPID member, std::uint16_t kind,
            std::vector<Reply> replies);
    // The call recorded at `position` (0-based, creations counted) gets this
    // reply, whatever the script says.
    void AnswerCall(std::size_t position, Reply reply) { overrides_[position] = std::move(reply); }

    // Registers `prog_id` so that creating it hands out the named object;
    // `running`: as an application that the user has open already.
    ScopedClassRegistration ServeAs(std::u16string prog_id, std::string object,
                                    bool running = false);
    ScopedClassRegistration ServeAs(std::u16string prog_id, automation::Clsid clsid,
                                    std::string object, bool running = false);
    // A new reference to the named object, counted as handed out.
    automation::DispatchPtr HandOut(const std::string& name);

    const std::vector<Call>& calls() const noexcept { return calls_; }
    // Every reference the client gave back, in order.
    const std::vector<Release>& releases() const noexcept { return releases_; }
    int HandedOut(const std::string& name) const;
    // The objects handed out at least once, in the order of their first hand-out.
    const std::vector<std::string>& HandedOutObjects() const noexcept { return handed_order_; }
    // One line for each object whose references did not all come back exactly once.
    std::vector<std::string> ReferenceProblems() const;

  private:
    friend class ScriptedObject;
    ScriptedObject& Object(const std::string& name);
    int Outstanding(const std::string& name) const;
    void Answer(const std::string& object, automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result);
    void Released(const std::string& name);

    std::map<std::string, ScriptedObject*> objects_;
    std::map<std::tuple<std::string, automation::DISPID, std::uint16_t>,
             std::pair<std::vector<Reply>, std::size_t>>
        rules_;
    std::map<std::size_t, Reply> overrides_;
    std::map<std::string, int> handed_out_;
    std::map<std::string, int> given_back_;
    std::vector<std::string> handed_order_;
    std::vector<Call> calls_;
    std::vector<Release> releases_;
};

// The presentation application's objects, by the names the record uses.
namespace app_object {
inline constexpr const char* kApplication = "application";
inline constexpr const char* kPresentations = "presentations";
inline constexpr const char* kPresentation = "presentation";
inline constexpr const char* kSlides = "slides";
inline constexpr const char* kSlideMaster = "slide master";
inline constexpr const char* kAddedSlide = "added slide";  // what Slides.Add answers
inline constexpr const char* kNewSlide = "new slide";      // what Slides.Item answers
inline constexpr const char* kShapes = "shapes";
inline constexpr const char* kTitleShape = "title shape";
inline constexpr const char* kTextFrame = "text frame";
inline constexpr const char* kTextRange = "text range";
inline constexpr const char* kViewerShape = "viewer shape";
inline constexpr const char* kOleFormat = "OLE format";
inline constexpr const char* kEmbeddedObject = "embedded object";  // the first read of Object
inline constexpr const char* kControl = "control";                 // the second read
}  // namespace app_object

struct PresentationAppSetup {
    bool already_running = false;  // the user has the application open already
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
        for (const auto& message : shown_) {
            texts.push_back(message.text);
        }
        return texts;
    }

  private:
    std::vector<ShownMessage> shown_;
    framework::ScopedMessageBoxSink sink_;  // after shown_, which it fills
};

}  // namespace test_support
