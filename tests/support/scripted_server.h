// A scripted automation server for tests: named objects that record every
// call they receive and answer from a script, with an account of the
// references handed to the client, so a test can tell that each one was
// released exactly once, and when.
//
//   ScriptedServer server;
//   server.On("application", 2001, DISPATCH_PROPERTYGET, Reply::Object("presentations"));
//   auto registration = server.ServeAs(u"PowerPoint.Application", "application");
//   ... run the client ...
//   EXPECT_EQ(server.calls(), expected);
//   EXPECT_EQ(server.releases(), expected_releases);
//   EXPECT_THAT(server.ReferenceProblems(), testing::IsEmpty());
//
// A call that the script does not answer fails with DISP_E_MEMBERNOTFOUND
// (and is recorded), so a conversation that strays shows in the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "automation/clsid.h"
#include "automation/dispatch.h"
#include "automation/variant.h"
#include "support/recorded_call.h"
#include "support/reply.h"
#include "support/scoped_class_registration.h"
#include "support/scripted_object.h"

namespace test_support {

class ScriptedServer {
  public:
    ScriptedServer() = default;
    // Objects that the client still holds stay alive but answer no more.
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // The object of that name, made on first use.
    ScriptedObject& Object(const std::string& name);

    // Scripts one member of one object: consecutive calls take the replies in
    // turn and the last one answers every call after it. Scripting a member
    // again starts it afresh.
    void On(const std::string& object, automation::DISPID member, std::uint16_t kind,
            std::vector<Reply> replies);
    void On(const std::string& object, automation::DISPID member, std::uint16_t kind, Reply reply);

    // The call recorded at `position` (0-based, creations counted) gets this
    // reply, whatever the script says.
    void AnswerCall(std::size_t position, Reply reply);
    // The same with a failure of this status and description.
    void FailCall(std::size_t position, automation::HRESULT code, std::string description);

    // Registers `prog_id` so that creating it hands out the named object;
    // `running`: as an application that the user has open already.
    // The registration must end before the server does.
    ScopedClassRegistration ServeAs(std::u16string prog_id, std::string object,
                                    bool running = false);
    // The same with a CLSID of the caller's choice, for several classes at once.
    ScopedClassRegistration ServeAs(std::u16string prog_id, automation::Clsid clsid,
                                    std::string object, bool running = false);

    // A new reference to the named object, counted as handed out.
    automation::DispatchPtr HandOut(const std::string& name);

    const std::vector<Call>& calls() const noexcept { return calls_; }
    // Every reference the client gave back, in order, each placed among the
    // calls; references the transport takes and drops in passing are left out.
    const std::vector<Release>& releases() const noexcept { return releases_; }

    // References to the object that the server gave the client.
    int HandedOut(const std::string& name) const;
    // References the client holds now; negative when it released too often.
    int Outstanding(const std::string& name) const;
    // The objects handed out at least once, in the order of their first hand-out.
    const std::vector<std::string>& HandedOutObjects() const noexcept { return handed_order_; }
    // One line for each object whose references did not all come back exactly
    // once ("slides: 1 reference(s) never released"); empty when all did.
    std::vector<std::string> ReferenceProblems() const;

    // Called by the objects with each call they receive.
    void Answer(ScriptedObject& object, automation::DISPID member, std::uint16_t kind,
                std::span<const automation::Variant> args, automation::Variant& result);
    // Called by the objects with each release of a reference.
    void Released(const ScriptedObject& object);

  private:
    using Key = std::tuple<std::string, automation::DISPID, std::uint16_t>;
    struct Rule {
        std::vector<Reply> replies;
        std::size_t next = 0;
    };
    automation::DispatchPtr Create(const std::u16string& prog_id, const std::string& name);
    // Records the call, then answers it; the record says whether it failed.
    void Respond(std::size_t position, std::span<const automation::Variant> args, Reply reply,
                 automation::Variant& result);
    Reply NextReply(const Key& key);
    Value Record(const automation::Variant& value) const;
    const ScriptedObject* Find(const std::string& name) const;

    std::map<std::string, ScriptedObject*> objects_;  // each held by kGuard references
    std::map<Key, Rule> rules_;
    std::map<std::size_t, Reply> overrides_;
    std::map<std::string, int> handed_out_;
    std::map<std::string, int> given_back_;
    std::vector<std::string> handed_order_;
    std::vector<Call> calls_;
    std::vector<Release> releases_;
};

}  // namespace test_support
