// The programs of a build with tests bind their calls of MessageBoxW and of
// the window-making functions, at link time, to the recorders below instead
// of the system's DLLs: the import slots (__imp_Name) that the compiler calls
// through are defined here, so the linker takes them before the import
// libraries. The program's own code is the same as in a release build.
//
// A message box goes to the installed ScopedMessageBoxSink; failing that,
// with ZBN_MESSAGE_BOX_LOG naming a file, it is appended there as one JSON
// line and nothing is shown. A window or dialog is recorded in the same file
// (a run whose log holds only message boxes opened no other window), then
// made by the system.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "automation/text_codec.h"
#include "framework/message_box.h"

namespace {

template <class Function>
Function SystemFunction(const char* name) {
    const FARPROC address = ::GetProcAddress(::LoadLibraryW(u"user32.dll"), name);
    if (address == nullptr) {
        std::abort();
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

std::string JsonString(std::u16string_view text) {
    std::string out = "\"";
    for (const char c : automation::ToUtf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Window classes and templates may be atoms: small integers in place of a pointer.
std::u16string_view Name(const char16_t* text) {
    return reinterpret_cast<std::uintptr_t>(text) <= 0xFFFF ? u"#atom" : text;
}

// Appends one JSON line to the file named by ZBN_MESSAGE_BOX_LOG; false when no
// file is named.
bool Record(const std::string& kind, const std::string& fields) {
    const wchar_t* name = _wgetenv(L"ZBN_MESSAGE_BOX_LOG");
    FILE* log = name != nullptr && *name != L'\0' ? _wfopen(name, L"ab") : nullptr;
    if (log == nullptr) {
        return false;
    }
    std::fprintf(log, "{\"kind\": \"%s\", %s}\n", kind.c_str(), fields.c_str());
    std::fclose(log);
    return true;
}

int WINAPI RecordMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    const std::u16string_view body = text != nullptr ? text : u"";
    const std::u16string_view title = caption != nullptr ? caption : u"";
    if (const auto* sink = framework::ScopedMessageBoxSink::Current()) {
        (*sink)(body, title, type);
        return IDOK;
    }
    if (Record("MessageBoxW", "\"caption\": " + JsonString(title) + ", \"text\": " +
                                  JsonString(body) + ", \"type\": " + std::to_string(type))) {
        return IDOK;
    }
    static const auto system = SystemFunction<decltype(&RecordMessageBoxW)>("MessageBoxW");
    return system(owner, text, caption, type);
}

HWND WINAPI RecordCreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name,
                                  DWORD style, int x, int y, int width, int height, HWND parent,
                                  HMENU menu, HINSTANCE instance, LPVOID param) {
    Record("CreateWindowExW", "\"class\": " + JsonString(Name(class_name)));
    static const auto system = SystemFunction<decltype(&RecordCreateWindowExW)>("CreateWindowExW");
    return system(ex_style, class_name, window_name, style, x, y, width, height, parent, menu,
                  instance, param);
}

INT_PTR WINAPI RecordDialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND parent,
                                     DLGPROC procedure, LPARAM param) {
    Record("DialogBoxParamW", "\"template\": " + JsonString(Name(name)));
    static const auto system = SystemFunction<decltype(&RecordDialogBoxParamW)>("DialogBoxParamW");
    return system(instance, name, parent, procedure, param);
}

}  // namespace

// The import slots. `used` keeps them even where nothing in this file calls
// through them.
extern "C" {
__attribute__((used)) decltype(&RecordMessageBoxW) __imp_MessageBoxW = &RecordMessageBoxW;
__attribute__((used)) decltype(&RecordCreateWindowExW) __imp_CreateWindowExW =
    &RecordCreateWindowExW;
__attribute__((used)) decltype(&RecordDialogBoxParamW) __imp_DialogBoxParamW =
    &RecordDialogBoxParamW;
}
