// Zbn2PPT.exe of a build with tests binds MessageBoxW at link time to the
// recorder below: the import slot the compiler calls through
// (__imp_MessageBoxW) is defined here, before the import library; the
// program's own code is that of a release build. With ZBN_MESSAGE_BOX_LOG
// naming a file, a box is not shown but appended there in UTF-8: caption,
// type and text on lines of their own, then a NUL.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "automation/text_codec.h"
#include "framework/afx_types.h"

namespace {

int WINAPI RecordMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    const wchar_t* name = _wgetenv(L"ZBN_MESSAGE_BOX_LOG");
    FILE* log = name != nullptr && *name != L'\0' ? _wfopen(name, L"ab") : nullptr;
    if (log == nullptr) {
        static const auto shown =
            reinterpret_cast<decltype(&RecordMessageBoxW)>(reinterpret_cast<void*>(
                ::GetProcAddress(::LoadLibraryW(u"user32.dll"), "MessageBoxW")));
        return shown(owner, text, caption, type);
    }
    const std::string record =
        automation::ToUtf8(caption) + "\n" + std::to_string(type) + "\n" + automation::ToUtf8(text);
    std::fwrite(record.c_str(), 1, record.size() + 1, log);
    std::fclose(log);
    return IDOK;
}

}  // namespace

extern "C" {
__attribute__((used)) decltype(&RecordMessageBoxW) __imp_MessageBoxW = &RecordMessageBoxW;
}
