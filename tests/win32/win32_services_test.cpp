// The framework's operating-system services on Windows: files, path split,
// current directory, argument vector, message boxes, variants.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "automation/automation_error.h"
#include "framework/arguments.h"
#include "framework/cstring.h"
#include "framework/file.h"
#include "framework/message_box.h"
#include "framework/ole_apartment.h"
#include "framework/ole_variant.h"
#include "framework/path_services.h"
#include "framework/win32/com_values.h"
#include "framework/win32/message_filter.h"
#include "framework/win_app.h"
#include "win32/ole_environment.h"

namespace {

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new test_win32::OleEnvironment);

// A fresh directory under the system's temporary directory, removed with
// what it holds.
class TempDir {
  public:
    TempDir() {
        static int counter = 0;
        char16_t base[MAX_PATH + 1];
        const DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
        EXPECT_GT(length, 0u);
        const std::string suffix =
            std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
        path_ = std::u16string(base, length) + u"zbn2ppt-test-" +
                std::u16string(suffix.begin(), suffix.end());
        EXPECT_TRUE(::CreateDirectoryW(path_.c_str(), nullptr));
    }
    ~TempDir() {
        for (const auto& file : files_) {
            ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(file.c_str());
        }
        ::RemoveDirectoryW(path_.c_str());
    }
    std::u16string File(const std::u16string& name) {
        files_.push_back(path_ + u"\\" + name);
        return files_.back();
    }
    const std::u16string& path() const { return path_; }

  private:
    std::u16string path_;
    std::vector<std::u16string> files_;
};

void WriteBytes(const std::u16string& path, const std::string& bytes) {
    HANDLE handle =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(
        ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ::CloseHandle(handle);
}

TEST(Win32File, TheOutputProbeCreatesAMissingFileAndKeepsAnExistingOne) {
    TempDir dir;
    const std::u16string fresh = dir.File(u"fresh M\u00fcller.ppt");
    const std::u16string existing = dir.File(u"existing.ppt");
    WriteBytes(existing, "keep me");

    for (const std::u16string& path : {fresh, existing}) {
        CFile file;
        CFileException error;
        ASSERT_TRUE(file.Open(
            path.c_str(), CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate, &error));
        EXPECT_TRUE(file.IsOpen());
        file.Close();
        EXPECT_FALSE(file.IsOpen());
    }
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(fresh.c_str(), status));
    EXPECT_EQ(status.m_size, 0u);
    ASSERT_TRUE(CFile::GetStatus(existing.c_str(), status));
    EXPECT_EQ(status.m_size, 7u) << "the probe never truncates";
    EXPECT_GT(status.m_mtime, 0);
}

struct OpenFailureCase {
    const char* name;
    const char16_t* relative;  // under the temporary directory; null: as it stands
    UINT flags;
    int cause;
};

class Win32FileFailure : public ::testing::TestWithParam<OpenFailureCase> {};

TEST_P(Win32FileFailure, RefusalsAreDescribed) {
    const OpenFailureCase& c = GetParam();
    TempDir dir;
    const std::u16string path = dir.path() + c.relative;
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(path.c_str(), c.flags, &error));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(error.m_cause, c.cause) << error.m_lOsError;
    EXPECT_EQ(error.m_strFileName, CString(path));
    char16_t text[256];
    UINT help = 7;
    EXPECT_TRUE(error.GetErrorMessage(text, 256, &help));
    EXPECT_GT(std::u16string(text).size(), 0u);
    EXPECT_EQ(help, 0u);
    // Cut to fit, terminator included.
    char16_t small[4];
    EXPECT_TRUE(error.GetErrorMessage(small, 4));
    EXPECT_LE(std::u16string(small).size(), 3u);
}

const OpenFailureCase kOpenFailures[] = {
    {"MissingFile", u"\\absent.pot", CFile::modeRead, CFileException::fileNotFound},
    {"MissingFolder", u"\\no such folder\\out.ppt", CFile::modeWrite | CFile::modeCreate,
     CFileException::badPath},
    {"Folder", u"", CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate,
     CFileException::accessDenied},
};
INSTANTIATE_TEST_SUITE_P(Cases, Win32FileFailure, ::testing::ValuesIn(kOpenFailures),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(Win32File, StatusTellsFoldersAndReadOnlyFiles) {
    TempDir dir;
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(dir.path().c_str(), status));
    EXPECT_NE(status.m_attribute & CFile::directory, 0);
    const std::u16string locked = dir.File(u"locked.pot");
    WriteBytes(locked, "x");
    ASSERT_TRUE(::SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CFile::GetStatus(locked.c_str(), status));
    EXPECT_NE(status.m_attribute & CFile::readOnly, 0);
    EXPECT_EQ(status.m_attribute & CFile::directory, 0);
    EXPECT_FALSE(CFile::GetStatus((dir.path() + u"\\absent").c_str(), status));
    EXPECT_FALSE(CFile::GetStatus(nullptr, status));
}

struct SplitCase {
    const char16_t* path;
    const char16_t* drive;
    const char16_t* dir;
    const char16_t* fname;
    const char16_t* ext;
};

class Win32SplitPath : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Win32SplitPath, SplitsAsTheRuntimeDoes) {
    const SplitCase& c = GetParam();
    char16_t drive[8], dir[260], fname[260], ext[260];
    ASSERT_EQ(_wsplitpath_s(c.path, drive, 8, dir, 260, fname, 260, ext, 260), 0);
    EXPECT_EQ(std::u16string(drive), c.drive);
    EXPECT_EQ(std::u16string(dir), c.dir);
    EXPECT_EQ(std::u16string(fname), c.fname);
    EXPECT_EQ(std::u16string(ext), c.ext);
}

const SplitCase kSplitCases[] = {
    {u"C:\\bracket_multiple.zbn", u"C:", u"\\", u"bracket_multiple", u".zbn"},
    {u"D:\\Messungen\\M\u00fcller.v2.zbn", u"D:", u"\\Messungen\\", u"M\u00fcller.v2", u".zbn"},
    {u"data/run 7.zbn", u"", u"data/", u"run 7", u".zbn"},
    {u"noext", u"", u"", u"noext", u""},
    {u"\\\\server\\share\\a.b", u"", u"\\\\server\\share\\", u"a", u".b"},
};
INSTANTIATE_TEST_SUITE_P(Cases, Win32SplitPath, ::testing::ValuesIn(kSplitCases));

TEST(Win32SplitPath, TooSmallABufferIsRefusedAndCleared) {
    char16_t drive[3] = u"xx", dir[2] = u"x", fname[260] = u"x", ext[260] = u"x";
    EXPECT_NE(_wsplitpath_s(u"C:\\long\\name.ppt", drive, 3, dir, 2, fname, 260, ext, 260), 0);
    EXPECT_EQ(std::u16string(fname), u"");
    EXPECT_EQ(std::u16string(ext), u"");
}

TEST(Win32CurrentDirectory, TheSystemCallsMoveAndReport) {
    char16_t before[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(::GetCurrentDirectoryW(0, nullptr), length + 1) << "the size needed";
    TempDir dir;
    ASSERT_TRUE(::SetCurrentDirectoryW(dir.path().c_str()));
    ASSERT_TRUE(::SetCurrentDirectoryW(u".."));
    char16_t after[MAX_PATH];
    ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, after), 0u);
    const std::u16string parent = dir.path().substr(0, dir.path().rfind(u'\\'));
    EXPECT_EQ(CString(after).CompareNoCase(parent), 0);
    EXPECT_FALSE(::SetCurrentDirectoryW(u"Z:\\no\\such\\place"));
    ASSERT_TRUE(::SetCurrentDirectoryW(before));
}

// Tests stand in for the current directory; the program's calls then see it.
class FakeDirectory final : public framework::CurrentDirectoryProvider {
  public:
    std::optional<std::u16string> Get() override { return current; }
    bool Set(std::u16string_view path) override {
        moves.emplace_back(path);
        return path != u"refused";
    }
    std::optional<std::u16string> current = u"C:\\Data\\Runs";
    std::vector<std::u16string> moves;
};

TEST(Win32CurrentDirectory, TheTestSeamAnswersInPlaceOfTheSystem) {
    FakeDirectory fake;
    framework::ScopedCurrentDirectoryProvider scope(fake);
    char16_t buffer[64];
    EXPECT_EQ(::GetCurrentDirectoryW(64, buffer), 12u);
    EXPECT_EQ(std::u16string(buffer), u"C:\\Data\\Runs");
    EXPECT_EQ(::GetCurrentDirectoryW(5, buffer), 13u);
    EXPECT_TRUE(::SetCurrentDirectoryW(u".."));
    EXPECT_FALSE(::SetCurrentDirectoryW(u"refused"));
    EXPECT_EQ(fake.moves, (std::vector<std::u16string>{u"..", u"refused"}));
    fake.current.reset();
    EXPECT_EQ(::GetCurrentDirectoryW(64, buffer), 0u);
}

TEST(Win32Arguments, TheWideArgumentVectorReadsAsCStrings) {
    framework::SetArguments(std::vector<std::u16string>{u"Zbn2PPT.exe", u" C:\\M\u00fcller.zbn "});
    ASSERT_EQ(__argc, 2);
    EXPECT_EQ(CString(__wargv[1]), CString(u" C:\\M\u00fcller.zbn "));
    EXPECT_EQ(__wargv[2], nullptr);
    const char* narrow[] = {"prog", "caf\xc3\xa9.zbn"};
    framework::SetArguments(2, narrow);
    EXPECT_EQ(CString(__wargv[1]), CString(u"caf\u00e9.zbn"));
}

TEST(Win32MessageBox, TheSystemBoxReachesTheTestSink) {
    std::vector<std::u16string> shown;
    framework::ScopedMessageBoxSink sink(
        [&](std::u16string_view text, std::u16string_view caption, UINT type) {
            shown.push_back(std::u16string(caption) + u"|" + std::u16string(text) + u"|" +
                            (type == MB_OK ? u"ok" : u"other"));
        });
    EXPECT_EQ(::MessageBoxW(nullptr, u"usage\n\n", u"Help", MB_OK), IDOK);
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"Help|usage\n\n|ok"}));
}

TEST(Win32Variant, COleVariantHoldsAnI4AndClears) {
    COleVariant index(12, VT_I4);
    EXPECT_EQ(index.vt, VT_I4);
    EXPECT_EQ(index.lVal, 12);
    COleVariant copy(index);
    EXPECT_EQ(copy.lVal, 12);
    EXPECT_EQ(::VariantClear(&index), S_OK);
    EXPECT_EQ(index.vt, VT_EMPTY);
    EXPECT_THROW(COleVariant(1, VT_R4), automation::AutomationError);
}

struct ScalarCase {
    const char* name;
    automation::Variant value;
};

class Win32ComValues : public ::testing::TestWithParam<ScalarCase> {};

TEST_P(Win32ComValues, ScalarsSurviveTheRoundTrip) {
    const automation::Variant& value = GetParam().value;
    framework::win32::ComVariant com;
    framework::win32::ToComScalar(value, *com.get());
    EXPECT_EQ(com.get()->vt, value.vt());
    const automation::Variant back = framework::win32::FromComScalar(*com.get());
    ASSERT_EQ(back.vt(), value.vt());
    switch (value.vt()) {
        case automation::VT_I4:
            EXPECT_EQ(back.AsI4(), value.AsI4());
            break;
        case automation::VT_R4:
            EXPECT_EQ(back.AsR4(), value.AsR4());
            break;
        case automation::VT_BSTR:
            EXPECT_EQ(back.AsBstr(), value.AsBstr());
            break;
        default:
            break;
    }
}

const ScalarCase kScalarCases[] = {
    {"Empty", automation::Variant()},
    {"I4", automation::Variant::I4(-2147483647 - 1)},
    {"R4", automation::Variant::R4(-0.125f)},
    {"EmptyString", automation::Variant::Bstr(u"")},
    {"Surrogates", automation::Variant::Bstr(std::u16string(u"\U0001F600 ") + char16_t{0xDC80})},
};
INSTANTIATE_TEST_SUITE_P(Cases, Win32ComValues, ::testing::ValuesIn(kScalarCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(Win32ComValues, OtherTypesAreRefusedOrWidened) {
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = VARIANT_TRUE;
    EXPECT_EQ(framework::win32::FromComScalar(value).AsI4(), -1);
    value.vt = VT_I2;
    value.iVal = -3;
    EXPECT_EQ(framework::win32::FromComScalar(value).AsI4(), -3);
    value.vt = VT_UNKNOWN;
    value.punkVal = nullptr;
    EXPECT_THROW(framework::win32::FromComScalar(value), automation::AutomationError);
    EXPECT_NE(framework::win32::DescribeStatus(REGDB_E_CLASSNOTREG).find("0x80040154"),
              std::string::npos);
}

// A server that is busy is waited for, up to about a minute; one that
// refuses is not. Per IMessageFilter::RetryRejectedCall: -1 cancels the call,
// 100 or more is a pause in milliseconds before it is tried again.
struct RejectedCallCase {
    DWORD reject_type;
    DWORD elapsed;
    bool retried;
};

TEST(Win32MessageFilter, RetriesABusyServerForAboutAMinute) {
    const RejectedCallCase cases[] = {
        {SERVERCALL_RETRYLATER, 0, true},
        {SERVERCALL_RETRYLATER, 50'000, true},
        {SERVERCALL_RETRYLATER, 70'000, false},
        {SERVERCALL_REJECTED, 0, false},
    };
    for (const auto& c : cases) {
        const DWORD answer = framework::win32::RetryRejectedCallAfter(c.reject_type, c.elapsed);
        if (c.retried) {
            EXPECT_TRUE(answer >= 100 && answer <= 1000) << c.elapsed << " ms: " << answer;
        } else {
            EXPECT_EQ(answer, static_cast<DWORD>(-1)) << c.reject_type << " " << c.elapsed;
        }
    }
}

IMessageFilter* CurrentMessageFilter() {
    IMessageFilter* filter = nullptr;
    EXPECT_EQ(::CoRegisterMessageFilter(nullptr, &filter), S_OK);
    if (filter != nullptr) {
        ::CoRegisterMessageFilter(filter, nullptr);
        filter->Release();
    }
    return filter;
}

TEST(Win32MessageFilter, IsInPlaceWhileTheOleApartmentLasts) {
    ASSERT_EQ(CurrentMessageFilter(), nullptr);
    ASSERT_TRUE(AfxOleInit());
    EXPECT_EQ(CurrentMessageFilter(), framework::win32::ProcessMessageFilter());
    framework::TerminateOleApartment();
    EXPECT_EQ(CurrentMessageFilter(), nullptr);
}

}  // namespace
