// A scripted presentation application, whose named objects log every call and
// release and answer from the replies of one build's steps (a call without
// one fails with DISP_E_MEMBERNOTFOUND), and a message-box recorder.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
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

// An argument as logged; a dispatch reference is logged as std::monostate.
using Value = std::variant<std::monostate, std::int32_t, float, std::u16string>;

inline constexpr std::uint16_t kCreate = 0;  // the kind logged for a creation by ProgID

struct Call {
    std::string object{};
    automation::DISPID member = 0;
    std::uint16_t kind = 0;
    std::vector<Value> args{};
    friend bool operator==(const Call&, const Call&) = default;
};
// "slides 2004 method { ... }"
void PrintTo(const Call& call, std::ostream* out);

// A reference the client gave back, and how many calls the log held then.
using Release = std::pair<std::string, std::size_t>;

// A value (a null VT_DISPATCH among them), the scripted object `text`, or a
// failure `code` that `text` describes.
struct Reply {
    automation::Variant value{};
    std::string text{};
    automation::HRESULT code = automation::S_OK;

    static Reply Int(std::int32_t v) { return {automation::Variant::I4(v)}; }
    static Reply Float(float v) { return {automation::Variant::R4(v)}; }
    static Reply Text(std::u16string v) { return {automation::Variant::Bstr(v)}; }
    static Reply Object(std::string name) { return {{}, std::move(name)}; }
    static Reply NoObject() { return {automation::Variant::Dispatch({})}; }
    static Reply Error(automation::HRESULT c, std::string why) { return {{}, std::move(why), c}; }
};

// Registers a class while it lives.
class ScopedClassRegistration {
  public:
    explicit ScopedClassRegistration(automation::ClassInfo info) : prog_id_(info.prog_id) {
        automation::ClassRegistry::Instance().Register(std::move(info));
    }
    ~ScopedClassRegistration() { automation::ClassRegistry::Instance().Unregister(prog_id_); }
    ScopedClassRegistration(const ScopedClassRegistration&) = delete;

  private:
    std::u16string prog_id_;
};

struct PresentationAppSetup {
    bool already_running = false;  // the user's own application, open already
    std::int32_t window_state = 1, slide_count = 3, has_title = 1;
    float slide_width = 720.0f, title_top = 30.0f, title_height = 50.0f;
    bool viewer_installed = true;  // without it, the OLE format holds no object
};

// A build's paths (no template: a blank presentation), and what it is
// expected to compute: where the viewer goes and the title.
struct BuildRequest {
    std::u16string data_path, output_path, template_path;
    float left = 0.0f, top = 0.0f;
    std::u16string title;
};

class ScriptedObject;

// Registered as "PowerPoint.Application" while it lives. Its objects are
// named as their classes are ("application", "slides", "OLE format"); "added
// slide" is what Slides.Add answers, "new slide" what Slides.Item answers, and
// "embedded object" and "control" the first and second read of
// OLEFormat.Object.
class ScriptedServer {
  public:
    explicit ScriptedServer(const PresentationAppSetup& setup = {});
    ~ScriptedServer();

    // The calls and releases a build of `request` must log, given as "1 2 3 [a, b] 4": the
    // numbers of its steps ("1" .. "29", "6a", "15b") in order, and in brackets
    // the references given back after the calls before them, in the order they
    // go. The calls of the steps in `failing` get those replies instead.
    std::pair<std::vector<Call>, std::vector<Release>> Expect(
        const BuildRequest& request, std::string_view record,
        const std::vector<std::pair<std::string, Reply>>& failing = {});

    const std::vector<Call>& calls() const noexcept { return calls_; }
    const std::vector<Release>& releases() const noexcept { return releases_; }
    // One line for each object not handed out exactly once and released exactly once.
    std::vector<std::string> ReferenceProblems() const;

  private:
    friend class ScriptedObject;
    void Answer(const std::string& object, automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result);
    void Released(const std::string& name);

    PresentationAppSetup setup_;
    std::map<std::string, std::unique_ptr<ScriptedObject>> objects_;
    // Consecutive calls of a member take its replies in turn; the last answers the rest.
    std::map<std::tuple<std::string, automation::DISPID, std::uint16_t>,
             std::pair<std::vector<Reply>, std::size_t>>
        rules_;
    std::map<std::size_t, Reply> overrides_;  // by position in the log
    std::map<std::string, int> handed_out_, given_back_;
    std::vector<Call> calls_;
    std::vector<Release> releases_;
    std::optional<ScopedClassRegistration> registration_;
};

// Catches the message boxes shown while it lives, in order.
class MessageBoxRecorder {
  public:
    struct Shown {
        std::u16string text, caption;
        UINT type = 0;
    };
    std::vector<Shown> shown;

  private:
    framework::ScopedMessageBoxSink sink_{[this](auto text, auto caption, UINT type) {
        shown.push_back({std::u16string(text), std::u16string(caption), type});
    }};
};

}  // namespace test_support
