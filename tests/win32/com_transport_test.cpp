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
#include "framework/cstring.h"
#include "framework/ole_dispatch_driver.h"
#include "framework/ole_variant.h"
#include "win32/com_bridge.h"
#include "win32/ole_environment.h"

namespace {

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new test_win32::OleEnvironment);

using automation::Variant;

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
    {
        COleDispatchDriver driver = Connect();
        const CString text(std::u16string(u"C:\\M\u00fcller\0x.ppt", 14));
        COleVariant index(7, VT_I4);
        const BYTE params[] = {VT_R4, VT_R4, VT_BSTR, VT_I4, VT_BSTR, VT_VARIANT, VT_I4, 0};
        driver.InvokeHelper(2008, DISPATCH_METHOD, VT_EMPTY, nullptr, params, 0.1f, -300.25f,
                            u"TRELVO.TrelvoCtrl.1", std::int32_t{-1}, text, &index,
                            std::int32_t{2147483647});
        // A VARIANT that could only be sent changed is refused, not widened.
        VARIANT small;
        ::VariantInit(&small);
        small.vt = VT_I2;
        small.iVal = 7;
        const BYTE one_variant[] = {VT_VARIANT, 0};
        EXPECT_THROW(driver.InvokeHelper(0, DISPATCH_METHOD, VT_EMPTY, nullptr, one_variant,
                                         static_cast<const VARIANT*>(&small)),
                     automation::AutomationError);
    }
    ASSERT_EQ(seen_.size(), 1u);
    const Seen& call = seen_[0];
    EXPECT_EQ(call.member, 2008);
    EXPECT_EQ(call.kind, DISPATCH_METHOD);
    ASSERT_EQ(call.args.size(), 7u);
    EXPECT_EQ(call.args[0].vt(), automation::VT_R4);
    // A float all the way: 0.1f is not 0.1 rounded from a double.
    EXPECT_EQ(call.args[0].AsR4(), 0.1f);
    EXPECT_EQ(call.args[1].AsR4(), -300.25f);
    EXPECT_EQ(call.args[2].AsBstr(), u"TRELVO.TrelvoCtrl.1");
    EXPECT_EQ(call.args[3].AsI4(), -1);
    // The BSTR keeps its length: text after an embedded zero survives.
    EXPECT_EQ(call.args[4].AsBstr(), std::u16string(u"C:\\M\u00fcller\0x.ppt", 14));
    EXPECT_EQ(call.args[5].AsI4(), 7);
    EXPECT_EQ(call.args[6].AsI4(), 2147483647);
    EXPECT_EQ(alive_, 0) << "the server is released with the driver";
}

TEST_F(ComTransportTest, PropertyPutNamesItsValue) {
    COleDispatchDriver driver = Connect();
    // The bridge refuses a put whose argument is not named DISPID_PROPERTYPUT.
    driver.SetProperty(1, VT_BSTR, u"C:\\data.zbn");
    const BYTE params[] = {VT_I4, 0};
    driver.InvokeHelper(2029, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params, std::int32_t{2});
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(seen_[0].kind, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(seen_[0].args[0].AsBstr(), u"C:\\data.zbn");
    EXPECT_EQ(seen_[1].member, 2029);
    EXPECT_EQ(seen_[1].args[0].AsI4(), 2);
}

struct ResultCase {
    const char* name;
    Variant answer;
    VARTYPE asked;
    double expected;
};

class ResultTest : public ComTransportTest, public ::testing::WithParamInterface<ResultCase> {};

TEST_P(ResultTest, ResultsAreConvertedToTheAskedType) {
    const ResultCase& c = GetParam();
    COleDispatchDriver driver = Connect([&c](const Seen&) { return c.answer; });
    if (c.asked == VT_I4) {
        std::int32_t value = 0;
        driver.InvokeHelper(11, DISPATCH_PROPERTYGET, VT_I4, &value, nullptr);
        EXPECT_EQ(value, static_cast<std::int32_t>(c.expected));
    } else {
        float value = 0.0f;
        driver.InvokeHelper(2010, DISPATCH_PROPERTYGET, VT_R4, &value, nullptr);
        EXPECT_EQ(value, static_cast<float>(c.expected));
    }
}

const ResultCase kResultCases[] = {
    {"I4", Variant::I4(41), VT_I4, 41},
    {"NegativeI4", Variant::I4(-7), VT_I4, -7},
    {"R4", Variant::R4(719.5f), VT_R4, 719.5},
    {"I4AsR4", Variant::I4(720), VT_R4, 720},
    // The system rounds half to even, as the protocol does.
    {"R4AsI4RoundsHalfToEven", Variant::R4(2.5f), VT_I4, 2},
};
INSTANTIATE_TEST_SUITE_P(Types, ResultTest, ::testing::ValuesIn(kResultCases),
                         [](const auto& param) { return std::string(param.param.name); });

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
    EXPECT_EQ(inner_alive, 1);
    COleDispatchDriver inner(raw);
    std::int32_t count = 0;
    inner.InvokeHelper(11, DISPATCH_PROPERTYGET, VT_I4, &count, nullptr);
    EXPECT_EQ(count, 3);
    inner.ReleaseDispatch();
    EXPECT_EQ(inner_alive, 0) << "one release of the result frees the object";
    EXPECT_EQ(test_win32::ScopedComClass::LiveObjects(), 1) << "only the outer object is left";
}

struct FailureCase {
    const char* name;
    Server::Reply reply;
    VARTYPE asked;
    HRESULT code;
    std::string description;
};

class FailureTest : public ComTransportTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, FailuresBecomeAutomationErrors) {
    const FailureCase& c = GetParam();
    COleDispatchDriver driver = Connect(c.reply);
    try {
        if (c.asked == VT_I4) {
            std::int32_t value = 0;
            driver.InvokeHelper(11, DISPATCH_PROPERTYGET, VT_I4, &value, nullptr);
        } else {
            driver.InvokeHelper(2036, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
        }
        FAIL() << "no error raised";
    } catch (const automation::AutomationError& error) {
        EXPECT_EQ(error.code(), c.code);
        EXPECT_NE(std::string(error.description()).find(c.description), std::string::npos)
            << error.description();
    }
    EXPECT_EQ(alive_, 1) << "a failed call leaves the server held";
}

const FailureCase kFailureCases[] = {
    {"ServerErrorKeepsCodeAndText",
     [](const Seen&) -> Variant {
         throw automation::AutomationError(automation::STG_E_WRITEFAULT,
                                           "cannot write C:\\out.ppt: disk full");
     },
     VT_EMPTY, automation::STG_E_WRITEFAULT, "cannot write C:\\out.ppt: disk full"},
    {"MissingMember",
     [](const Seen&) -> Variant {
         throw automation::AutomationError(automation::DISP_E_MEMBERNOTFOUND, "no member 11");
     },
     VT_I4, automation::DISP_E_MEMBERNOTFOUND, "no member 11"},
    {"ResultOfTheWrongType", [](const Seen&) { return Variant::Bstr(u"three"); }, VT_I4,
     automation::DISP_E_TYPEMISMATCH, "member 11"},
    {"NoResultWhereOneIsNeeded", [](const Seen&) { return Variant(); }, VT_I4,
     automation::DISP_E_TYPEMISMATCH, "member 11"},
};
INSTANTIATE_TEST_SUITE_P(Failures, FailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& param) { return std::string(param.param.name); });

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
        ASSERT_TRUE(driver.CreateDispatch(u"Zbn2PPT.TestServer", &error))
            << std::hex << error.m_sc << " " << error.m_description;
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
        EXPECT_FALSE(framework::IsServerRunning(u"Zbn2PPT.TestServer"));
    }
    automation::ClassRegistry::Instance().Unregister(u"Zbn2PPT.TestServer");
    EXPECT_EQ(alive_, 0);

    // Once the class is gone, creation fails and the wrapper stays empty.
    COleDispatchDriver driver;
    COleException error;
    EXPECT_FALSE(driver.CreateDispatch(u"Zbn2PPT.TestServer", &error));
    EXPECT_EQ(driver.m_lpDispatch, nullptr);
    EXPECT_TRUE(FAILED(error.m_sc));
    EXPECT_NE(error.m_description.find("Zbn2PPT.TestServer"), std::string::npos);
}

TEST_F(ComTransportTest, CreateDispatchRefusesAnEmptyProgId) {
    COleDispatchDriver driver;
    COleException error;
    EXPECT_FALSE(driver.CreateDispatch(u"", &error));
    EXPECT_EQ(error.m_sc, automation::CO_E_CLASSSTRING);
    EXPECT_FALSE(driver.CreateDispatch(nullptr, nullptr));
}

TEST_F(ComTransportTest, AnEmptyWrapperDoesNothing) {
    COleDispatchDriver driver;
    std::int32_t value = 99;
    driver.InvokeHelper(11, DISPATCH_PROPERTYGET, VT_I4, &value, nullptr);
    EXPECT_EQ(value, 99);
}

}  // namespace
