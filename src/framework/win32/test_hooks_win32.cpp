// Test builds only. The program's calls of a few system functions are bound,
// at link time, to the recorders below instead of the system's DLLs: the
// import slots (__imp_Name) that the compiler calls through are defined here,
// so the linker takes these before the import libraries. The program's code is
// the same as in a release build.
//
// - MessageBoxW: a box goes to the installed ScopedMessageBoxSink; failing
//   that, with ZBN_MESSAGE_BOX_LOG naming a file, it is appended there as one
//   JSON line and nothing is shown; otherwise the system shows it.
// - CreateWindowExW and the dialog calls: recorded in the same file (a run
//   whose log holds only message boxes opened no other window), then passed on.
// - GetCurrentDirectoryW, SetCurrentDirectoryW: answered by the installed
//   ScopedCurrentDirectoryProvider, if any, else by the system.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "automation/text_codec.h"
#include "framework/message_box.h"
#include "framework/path_services.h"

namespace {

template <class Function>
Function SystemFunction(const char16_t* module, const char* name) {
    HMODULE handle = ::GetModuleHandleW(module);
    if (handle == nullptr) {
        handle = ::LoadLibraryW(module);
    }
    FARPROC address = handle != nullptr ? ::GetProcAddress(handle, name) : nullptr;
    if (address == nullptr) {
        std::fprintf(stderr, "test hooks: %s not found\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

std::string JsonString(std::u16string_view text) {
    std::string out = "\"";
    for (const char c : automation::ToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::u16string_view View(const char16_t* text) {
    // Window classes may be atoms: small integers in place of a pointer.
    if (reinterpret_cast<std::uintptr_t>(text) <= 0xFFFF) {
        return u"#atom";
    }
    return text;
}

// Appends one JSON line to the file named by ZBN_MESSAGE_BOX_LOG; false when no
// file is named.
bool Record(const std::string& line) {
    const char16_t* name = reinterpret_cast<const char16_t*>(_wgetenv(L"ZBN_MESSAGE_BOX_LOG"));
    if (name == nullptr || *name == u'\0') {
        return false;
    }
    FILE* log = _wfopen(reinterpret_cast<const wchar_t*>(name), L"ab");
    if (log == nullptr) {
        std::fprintf(stderr, "test hooks: cannot open the message box log\n");
        std::abort();
    }
    const std::string text = line + "\n";
    std::fwrite(text.data(), 1, text.size(), log);
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
    if (Record("{\"kind\": \"MessageBoxW\", \"caption\": " + JsonString(title) +
               ", \"text\": " + JsonString(body) + ", \"type\": " + std::to_string(type) + "}")) {
        return IDOK;
    }
    static const auto system =
        SystemFunction<decltype(&RecordMessageBoxW)>(u"user32.dll", "MessageBoxW");
    return system(owner, text, caption, type);
}

HWND WINAPI RecordCreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name,
                                  DWORD style, int x, int y, int width, int height, HWND parent,
                                  HMENU menu, HINSTANCE instance, LPVOID param) {
    Record("{\"kind\": \"CreateWindowExW\", \"class\": " + JsonString(View(class_name)) +
           ", \"title\": " + JsonString(window_name != nullptr ? window_name : u"") + "}");
    static const auto system =
        SystemFunction<decltype(&RecordCreateWindowExW)>(u"user32.dll", "CreateWindowExW");
    return system(ex_style, class_name, window_name, style, x, y, width, height, parent, menu,
                  instance, param);
}

INT_PTR WINAPI RecordDialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND parent,
                                     DLGPROC procedure, LPARAM param) {
    Record("{\"kind\": \"DialogBoxParamW\", \"template\": " + JsonString(View(name)) + "}");
    static const auto system =
        SystemFunction<decltype(&RecordDialogBoxParamW)>(u"user32.dll", "DialogBoxParamW");
    return system(instance, name, parent, procedure, param);
}

HWND WINAPI RecordCreateDialogParamW(HINSTANCE instance, LPCWSTR name, HWND parent,
                                     DLGPROC procedure, LPARAM param) {
    Record("{\"kind\": \"CreateDialogParamW\", \"template\": " + JsonString(View(name)) + "}");
    static const auto system =
        SystemFunction<decltype(&RecordCreateDialogParamW)>(u"user32.dll", "CreateDialogParamW");
    return system(instance, name, parent, procedure, param);
}

DWORD WINAPI HookGetCurrentDirectoryW(DWORD buffer_length, LPWSTR buffer) {
    framework::CurrentDirectoryProvider* provider =
        framework::ScopedCurrentDirectoryProvider::Current();
    if (provider == nullptr) {
        static const auto system = SystemFunction<decltype(&HookGetCurrentDirectoryW)>(
            u"kernel32.dll", "GetCurrentDirectoryW");
        return system(buffer_length, buffer);
    }
    return framework::CopyCurrentDirectory(*provider, buffer_length, buffer);
}

BOOL WINAPI HookSetCurrentDirectoryW(LPCWSTR path) {
    framework::CurrentDirectoryProvider* provider =
        framework::ScopedCurrentDirectoryProvider::Current();
    if (provider == nullptr) {
        static const auto system = SystemFunction<decltype(&HookSetCurrentDirectoryW)>(
            u"kernel32.dll", "SetCurrentDirectoryW");
        return system(path);
    }
    if (path == nullptr) {
        return FALSE;
    }
    return provider->Set(path) ? TRUE : FALSE;
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
__attribute__((used)) decltype(&RecordCreateDialogParamW) __imp_CreateDialogParamW =
    &RecordCreateDialogParamW;
__attribute__((used)) decltype(&HookGetCurrentDirectoryW) __imp_GetCurrentDirectoryW =
    &HookGetCurrentDirectoryW;
__attribute__((used)) decltype(&HookSetCurrentDirectoryW) __imp_SetCurrentDirectoryW =
    &HookSetCurrentDirectoryW;
}
