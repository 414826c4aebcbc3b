// A PowerPoint in a process of its own, for the tests of Zbn2PPT.exe: the
// scripted presentation application of tests/support, served as a local
// server under "PowerPoint.Application", so that every call of the program
// crosses a real COM proxy.
//
//   scripted_powerpoint_server register <request>
//       registers the class so that COM starts this program to serve the
//       request; `unregister` removes the registration again.
//   scripted_powerpoint_server serve <request> -Embedding
//       what COM starts: serves until the client has released every object,
//       then writes to the report "ok", or each way in which the calls and
//       releases differed from the conversation of the request.
//
// <request> names a UTF-8 file of five lines: the report's path, then the
// data, output and template paths (an empty line for none) and the slide
// title that the client is expected to send. The system reads no more than
// MAX_PATH characters of a server's command line, so the request is not on it.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "automation/text_codec.h"
#include "builder/expected_conversation.h"
#include "support/scripted_server.h"
#include "win32/com_bridge.h"

namespace {

constexpr const char16_t* kProgId = u"PowerPoint.Application";
constexpr automation::Clsid kClsid =
    automation::Clsid::FromFields(0x7d3c51e2, 0x9a40, 0x4b6f, {0x8c, 0x21, 0x5e, 0, 0, 0, 0, 2});
constexpr DWORD kPatienceMs = 120'000;

std::u16string ProgIdKey() {
    return std::u16string(u"Software\\Classes\\") + kProgId;
}

std::u16string ClsidKey() {
    return u"Software\\Classes\\CLSID\\" + automation::FromUtf8(kClsid.ToString());
}

bool SetValue(HKEY root, const std::u16string& key, const std::u16string& value) {
    return ::RegSetKeyValueW(root, key.c_str(), nullptr, REG_SZ, value.c_str(),
                             static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))) ==
           ERROR_SUCCESS;
}

void Unregister() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        ::RegDeleteTreeW(root, ProgIdKey().c_str());
        ::RegDeleteTreeW(root, ClsidKey().c_str());
    }
}

// In the user's classes, which Windows reads, and in the machine's where
// they can be written, as Wine reads only those.
int Register(const std::u16string& request_file) {
    char16_t self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length == MAX_PATH) {
        return 1;
    }
    const std::u16string command =
        u"\"" + std::u16string(self, length) + u"\" serve \"" + request_file + u"\"";
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        if (!SetValue(root, ProgIdKey() + u"\\CLSID", automation::FromUtf8(kClsid.ToString())) ||
            !SetValue(root, ClsidKey() + u"\\LocalServer32", command)) {
            break;
        }
    }
    CLSID found;
    return SUCCEEDED(::CLSIDFromProgID(kProgId, &found)) &&
                   IsEqualCLSID(found, test_win32::ToGuid(kClsid))
               ? 0
               : 1;
}

// Answers calls until the client has let go of every object it was given.
bool ServeClient(const test_support::ScriptedServer& server) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < kPatienceMs) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&message);
        }
        if (!server.calls().empty() && test_win32::ScopedComClass::LiveObjects() == 0) {
            return true;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return false;
}

std::vector<std::string> Differences(const test_support::ScriptedServer& server,
                                     const std::vector<std::u16string>& request) {
    const test_support::PresentationAppSetup setup{};
    // The geometry of the setup (slide 720 wide, title at 30, 50 high) puts
    // the viewer at 60, 82.
    const auto expected = builder_test::ExpectedConversation(
        setup, {request[1], request[2], request[3]}, {60.0f, 82.0f, request[4]});
    const auto& calls = server.calls();
    std::vector<std::string> differences;
    for (std::size_t i = 0; i < std::max(calls.size(), expected.size()); ++i) {
        if (i >= calls.size()) {
            differences.push_back("missing step " + expected[i].label + ": " +
                                  test_support::Describe(expected[i].call));
        } else if (i >= expected.size()) {
            differences.push_back("extra call: " + test_support::Describe(calls[i]));
        } else if (calls[i] != expected[i].call) {
            differences.push_back("step " + expected[i].label + ": " +
                                  test_support::Describe(calls[i]) + ", not " +
                                  test_support::Describe(expected[i].call));
        }
    }
    for (const std::string& problem : server.ReferenceProblems()) {
        differences.push_back(problem);
    }
    for (const std::string& name : server.HandedOutObjects()) {
        if (server.HandedOut(name) != 1) {
            differences.push_back(name + ": handed out " + std::to_string(server.HandedOut(name)) +
                                  " times");
        }
    }
    return differences;
}

int Serve(const std::vector<std::u16string>& request) {
    if (FAILED(::OleInitialize(nullptr))) {
        return 1;
    }
    std::vector<std::string> differences;
    {
        test_support::ScriptedServer server;
        test_support::ScriptPresentationApp(server, {});
        const auto registration =
            server.ServeAs(kProgId, kClsid, test_support::app_object::kApplication);
        const DWORD cookie = test_win32::OfferToOtherProcesses(kProgId);
        if (!ServeClient(server)) {
            differences.push_back("the client did not release every object in time");
        }
        ::CoRevokeClassObject(cookie);
        for (const std::string& difference : Differences(server, request)) {
            differences.push_back(difference);
        }
    }
    ::OleUninitialize();
    // Written aside and renamed, so that the test never reads half a report.
    const std::u16string part = request[0] + u".part";
    FILE* report = _wfopen(reinterpret_cast<const wchar_t*>(part.c_str()), L"wb");
    if (report == nullptr) {
        return 1;
    }
    if (differences.empty()) {
        differences.push_back("ok");
    }
    for (const std::string& line : differences) {
        std::fprintf(report, "%s\n", line.c_str());
    }
    std::fclose(report);
    return ::MoveFileExW(part.c_str(), request[0].c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    }
    const std::u16string mode = arguments.empty() ? u"" : arguments.front();
    if (mode == u"unregister") {
        Unregister();
        return 0;
    }
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: scripted_powerpoint_server register|serve <request>\n");
        return 2;
    }
    try {
        if (mode == u"register") {
            return Register(arguments[1]);
        }
        std::ifstream file(reinterpret_cast<const wchar_t*>(arguments[1].c_str()));
        std::vector<std::u16string> request;
        for (std::string line; std::getline(file, line);) {
            request.push_back(automation::FromUtf8(line));
        }
        request.resize(5);
        return mode == u"serve" ? Serve(request) : 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "scripted_powerpoint_server: %s\n", error.what());
        return 1;
    }
}
