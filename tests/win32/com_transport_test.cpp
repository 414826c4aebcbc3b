// COleDispatchDriver over real COM: a server of the protocol is shown to the
// system by the bridge, and the driver reaches it through CLSIDFromProgID,
// CoCreateInstance and IDispatch::Invoke.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "automation/automation_error.h"
#include "automation/class_registry.h"
#include "automation/dispatch_object.h"
#include "automation/text_codec.h"
#include "framework/cstring.h"
#include "framework/ole_dispatch_driver.h"
#include "framework/ole_variant.h"
#include "win32/com_bridge.h"

namespace {

using automation::Variant;

// Every test of this program runs inside an OLE apartment, as the program
// itself does after AfxOleInit.
class OleEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr))); }
    void TearDown() override { ::OleUninitialize(); }
};
const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

struct Seen {
    automation::DISPID member = 0;
    std::uint16_t kind = 0;
    std::vector<Variant> args;
};

// A server that records each call and answers with `reply`.
class Server final : public automation::DispatchObject {
  public:
    using Reply = std::function<Variant(const Seen&)>;
    Server(std::vector<Seen>& seen, int& alive, Reply reply)
        : seen_(seen), alive_(alive), reply_(std::move(reply)) {
        ++alive_;
    }

    void Invoke(automation::DISPID member, std::uint16_t kind, std::span<const Variant> args,
                Variant& result) override {
        seen_.push_back({member, kind, {args.begin(), args.end()}});
        result = reply_(seen_.back());
    }

  private:
    ~Server() override { --alive_; }
    std::vector<Seen>& seen_;
    int& alive_;
    Reply reply_;
};

class ComTransportTest : public ::testing::Test {
  protected:
    // A driver on a fresh server reached through COM.
    COleDispatchDriver Connect(Server::Reply reply = [](const Seen&) { return Variant(); }) {
        auto server = automation::MakeRef<Server>(seen_, alive_, std::move(reply));
        return COleDispatchDriver(test_win32::ExposeAsCom(std::move(server)));
    }

    std::vector<Seen> seen_;
    int alive_ = 0;
};

TEST_F(ComTransportTest, ArgumentsArriveInListOrderWithTheirTypesAndValues) {
    const std::u16string text(u"C:\\M\u00fcller\0x.ppt", 14);  // a BSTR keeps its length
    {
        COleDispatchDriver driver = Connect();
        COleVariant index(7, VT_I4);
        const BYTE params[] = {VT_R4, VT_BSTR, VT_I4, VT_BSTR, VT_VARIANT, 0};
        driver.InvokeHelper(2008, DISPATCH_METHOD, VT_EMPTY, nullptr, params, 0.1f,
                            u"TRELVO.TrelvoCtrl.1", std::int32_t{-1}, CString(text), &index);
        // The bridge refuses a put whose argument is not named DISPID_PROPERTYPUT.
        driver.SetProperty(1, VT_BSTR, u"C:\\data.zbn");
        // A VARIANT that could only be sent changed is refused, not widened.
        VARIANT small;
        ::VariantInit(&small);
        small.vt = VT_I2;
        const BYTE one_variant[] = {VT_VARIANT, 0};
        EXPECT_THROW(driver.InvokeHelper(0, DISPATCH_METHOD, VT_EMPTY, nullptr, one_variant,
                                         static_cast<const VARIANT*>(&small)),
                     automation::AutomationError);
    }
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(seen_[0].member, 2008);
    EXPECT_EQ(seen_[0].kind, DISPATCH_METHOD);
    ASSERT_EQ(seen_[0].args.size(), 5u);
    EXPECT_EQ(seen_[0].args[0].vt(), automation::VT_R4);
    EXPECT_EQ(seen_[0].args[0].AsR4(), 0.1f);  // a float all the way, not a rounded double
    EXPECT_EQ(seen_[0].args[1].AsBstr(), u"TRELVO.TrelvoCtrl.1");
    EXPECT_EQ(seen_[0].args[2].AsI4(), -1);
    EXPECT_EQ(seen_[0].args[3].AsBstr(), text);
    EXPECT_EQ(seen_[0].args[4].AsI4(), 7);
    EXPECT_EQ(seen_[1].kind, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(seen_[1].args.at(0).AsBstr(), u"C:\\data.zbn");
    EXPECT_EQ(alive_, 0) << "the server is released with the driver";
}

TEST_F(ComTransportTest, ResultsAreConvertedToTheAskedType) {
    Variant answer;
    COleDispatchDriver driver = Connect([&](const Seen&) { return answer; });
    answer = Variant::I4(720);
    float width = 0.0f;
    driver.InvokeHelper(2010, DISPATCH_PROPERTYGET, VT_R4, &width, nullptr);
    EXPECT_EQ(width, 720.0f);
    answer = Variant::R4(2.5f);
    std::int32_t count = 0;
    driver.InvokeHelper(11, DISPATCH_PROPERTYGET, VT_I4, &count, nullptr);
    EXPECT_EQ(count, 2) << "the system rounds half to even, as the protocol does";
}

TEST_F(ComTransportTest, DispatchResultsAreOwnedByTheCaller) {
    std::vector<Seen> inner_seen;
    int inner_alive = 0;
    COleDispatchDriver driver = Connect([&](const Seen&) {
        return Variant::Dispatch(automation::MakeRef<Server>(
            inner_seen, inner_alive, [](const Seen&) { return Variant::I4(3); }));
    });
    LPDISPATCH raw = nullptr;
    driver.InvokeHelper(2001, DISPATCH_PROPERTYGET, VT_DISPATCH, &raw, nullptr);
    ASSERT_NE(raw, nullptr);
    COleDispatchDriver inner(raw);
    std::int32_t count = 0;
    inner.InvokeHelper(11, DISPATCH_PROPERTYGET, VT_I4, &count, nullptr);
    EXPECT_EQ(count, 3);
    inner.ReleaseDispatch();
    EXPECT_EQ(inner_alive, 0) << "one release of the result frees the object";
    EXPECT_EQ(test_win32::ScopedComClass::LiveObjects(), 1) << "only the outer object is left";
}

TEST_F(ComTransportTest, FailuresBecomeAutomationErrors) {
    const struct {
        Server::Reply reply;
        HRESULT code;
        std::string description;
    } cases[] = {
        {[](const Seen&) -> Variant {
             throw automation::AutomationError(automation::STG_E_WRITEFAULT, "cannot write: full");
         },
         automation::STG_E_WRITEFAULT, "cannot write: full"},
        {[](const Seen&) { return Variant::Bstr(u"three"); }, automation::DISP_E_TYPEMISMATCH,
         "member 11"},
        {[](const Seen&) { return Variant(); }, automation::DISP_E_TYPEMISMATCH, "member 11"},
    };
    for (const auto& c : cases) {
        COleDispatchDriver driver = Connect(c.reply);
        try {
            std::int32_t value = 0;
            driver.InvokeHelper(11, DISPATCH_PROPERTYGET, VT_I4, &value, nullptr);
            ADD_FAILURE() << "no error raised for " << c.description;
        } catch (const automation::AutomationError& error) {
            EXPECT_EQ(error.code(), c.code);
            EXPECT_NE(std::string(error.description()).find(c.description), std::string::npos)
                << error.description();
        }
    }
}

TEST_F(ComTransportTest, CreateDispatchFindsTheClassThroughTheSystemRegistry) {
    const automation::Clsid clsid = automation::Clsid::FromFields(
        0x5A6B7C8Du, 0x1234, 0x4321, {0x80, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77});
    automation::ClassRegistry::Instance().Register(
        {u"Zbn2PPT.TestServer", clsid, [this] {
             return automation::DispatchPtr(automation::MakeRef<Server>(
                 seen_, alive_, [](const Seen&) { return Variant::I4(5); }));
         }});
    {
        test_win32::ScopedComClass registration(u"Zbn2PPT.TestServer");
        COleDispatchDriver driver;
        COleException error;
        ASSERT_TRUE(driver.CreateDispatch(u"Zbn2PPT.TestServer", &error)) << error.m_description;
        std::int32_t value = 0;
        driver.InvokeHelper(11, DISPATCH_PROPERTYGET, VT_I4, &value, nullptr);
        EXPECT_EQ(value, 5);

        // Running means registered as the class's active object, as a
        // single-instance application does when the user starts it.
        EXPECT_FALSE(framework::IsServerRunning(u"Zbn2PPT.TestServer"));
        DWORD cookie = 0;
        ASSERT_EQ(::RegisterActiveObject(driver.m_lpDispatch, test_win32::ToGuid(clsid),
                                         ACTIVEOBJECT_STRONG, &cookie),
                  S_OK);
        EXPECT_TRUE(framework::IsServerRunning(u"Zbn2PPT.TestServer"));
        EXPECT_EQ(::RevokeActiveObject(cookie, nullptr), S_OK);
    }
    automation::ClassRegistry::Instance().Unregister(u"Zbn2PPT.TestServer");
    EXPECT_EQ(alive_, 0);

    // Once the class is gone, creation fails and the wrapper stays empty.
    for (const char16_t* prog_id : {u"Zbn2PPT.TestServer", u""}) {
        COleDispatchDriver driver;
        COleException error;
        EXPECT_FALSE(driver.CreateDispatch(prog_id, &error));
        EXPECT_EQ(driver.m_lpDispatch, nullptr);
        EXPECT_NE(error.m_description.find(automation::ToUtf8(prog_id)), std::string::npos);
    }
}

}  // namespace
