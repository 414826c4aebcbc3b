// CString: the framework's string of UTF-16 characters, with the operations
// the program uses. Positions and lengths are counted in UTF-16 units.
#pragma once

#include <string>
#include <string_view>

#include "framework/afx_types.h"

class CString {
  public:
    CString() = default;
    CString(const char16_t* text)
        : text_(text != nullptr ? text : u"") {}              // NOLINT: as the framework
    CString(std::u16string_view text) : text_(text) {}        // NOLINT
    CString(std::u16string text) : text_(std::move(text)) {}  // NOLINT
#if defined(_WIN32)
    // The C runtime's wide strings (__wargv) are UTF-16 as well.
    CString(const wchar_t* text)  // NOLINT: as the framework
        : CString(reinterpret_cast<const char16_t*>(text)) {}
#endif

    int GetLength() const noexcept { return static_cast<int>(text_.size()); }
    bool IsEmpty() const noexcept { return text_.empty(); }
    void Empty() noexcept { text_.clear(); }
    operator const char16_t*() const noexcept { return text_.c_str(); }  // NOLINT: as the framework
    const std::u16string& str() const noexcept { return text_; }

    char16_t GetAt(int index) const { return text_.at(static_cast<std::size_t>(index)); }

    // Removes leading and trailing white space (blank, tab, line feed,
    // vertical tab, form feed, carriage return).
    CString& Trim();

    // Replaces every occurrence of `old_text` (matching case exactly) and
    // returns how many were replaced; an empty `old_text` replaces nothing.
    int Replace(std::u16string_view old_text, std::u16string_view new_text);
    int Replace(char16_t old_char, char16_t new_char);

    // Compares ignoring the case of ASCII letters: <0, 0 or >0.
    int CompareNoCase(std::u16string_view other) const noexcept;

    // Index of the last occurrence, or -1.
    int ReverseFind(char16_t ch) const noexcept;

    // Substrings; counts past either end are clamped.
    CString Left(int count) const;
    CString Right(int count) const;

    CString& operator+=(const CString& other) {
        text_ += other.text_;
        return *this;
    }
    CString& operator+=(const char16_t* other) {
        text_ += other;
        return *this;
    }
    CString& operator+=(char16_t ch) {
        text_ += ch;
        return *this;
    }

    friend CString operator+(CString a, const CString& b) { return a += b; }
    friend CString operator+(CString a, const char16_t* b) { return a += b; }
    friend CString operator+(const char16_t* a, const CString& b) { return CString(a) += b; }
    friend CString operator+(CString a, char16_t b) { return a += b; }

    friend bool operator==(const CString& a, const char16_t* b) { return a.text_ == b; }

  private:
    std::u16string text_;
};
