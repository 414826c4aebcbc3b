#include "framework/win32/com_values.h"

#include <cstdio>
#include <string_view>

#include "automation/automation_error.h"
#include "automation/text_codec.h"

namespace framework::win32 {

void ToComScalar(const automation::Variant& value, VARIANT& out) {
    switch (value.vt()) {
        case automation::VT_EMPTY:
            out.vt = VT_EMPTY;
            return;
        case automation::VT_I4:
            out.vt = VT_I4;
            out.lVal = value.AsI4();
            return;
        case automation::VT_R4:
            out.vt = VT_R4;
            out.fltVal = value.AsR4();
            return;
        case automation::VT_BSTR: {
            const std::u16string& text = value.AsBstr();
            // A BSTR carries its length, so text with embedded zeros survives.
            BSTR bstr = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (bstr == nullptr) {
                throw automation::AutomationError(automation::E_OUTOFMEMORY,
                                                  "out of memory for a string argument");
            }
            out.vt = VT_BSTR;
            out.bstrVal = bstr;
            return;
        }
        default:
            throw automation::AutomationError(automation::DISP_E_TYPEMISMATCH,
                                              "a " +
                                                  std::string(automation::VarTypeName(value.vt())) +
                                                  " value cannot be passed as a plain value");
    }
}

automation::Variant FromComScalar(const VARIANT& value) {
    switch (value.vt) {
        case VT_EMPTY:
            return automation::Variant();
        case VT_I4:
            return automation::Variant::I4(value.lVal);
        case VT_R4:
            return automation::Variant::R4(value.fltVal);
        case VT_BSTR:
            return automation::Variant::Bstr(
                value.bstrVal == nullptr
                    ? std::u16string_view()
                    : std::u16string_view(value.bstrVal, ::SysStringLen(value.bstrVal)));
        default:
            // Reading would widen other types; a value must arrive as it was given.
            throw automation::AutomationError(
                automation::DISP_E_TYPEMISMATCH,
                "a VARIANT of type " + std::to_string(value.vt) + " cannot be passed on unchanged");
    }
}

std::u16string SystemMessage(DWORD code) {
    char16_t* message = nullptr;
    // Language 0: the user's own language, or the nearest one the system has.
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPWSTR>(&message), 0, nullptr);
    std::u16string text = message != nullptr ? std::u16string(message, length) : u"";
    ::LocalFree(message);  // nothing to do for null
    text.erase(text.find_last_not_of(u"\r\n .") + 1);
    return text;
}

std::string DescribeStatus(HRESULT code) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(code));
    const std::u16string text = SystemMessage(static_cast<DWORD>(code));
    return text.empty() ? number : number + (": " + automation::ToUtf8(text));
}

}  // namespace framework::win32
