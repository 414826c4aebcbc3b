#include "framework/cstring.h"

#include <algorithm>
#include <compare>

#include "automation/text_codec.h"

namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

std::size_t Clamp(int value, std::size_t max) {
    return value <= 0 ? 0 : std::min(static_cast<std::size_t>(value), max);
}

}  // namespace

CString& CString::Trim() {
    const auto last = std::find_if_not(text_.rbegin(), text_.rend(), IsSpace);
    text_.erase(last.base(), text_.end());
    const auto first = std::find_if_not(text_.begin(), text_.end(), IsSpace);
    text_.erase(text_.begin(), first);
    return *this;
}

int CString::Replace(std::u16string_view old_text, std::u16string_view new_text) {
    if (old_text.empty()) {
        return 0;
    }
    std::u16string result;
    int count = 0;
    std::size_t from = 0;
    for (std::size_t at = text_.find(old_text); at != std::u16string::npos;
         at = text_.find(old_text, from)) {
        result.append(text_, from, at - from).append(new_text);
        from = at + old_text.size();
        ++count;
    }
    if (count > 0) {
        result.append(text_, from);
        text_ = std::move(result);
    }
    return count;
}

int CString::Replace(char16_t old_char, char16_t new_char) {
    const auto count = std::ranges::count(text_, old_char);
    std::ranges::replace(text_, old_char, new_char);
    return static_cast<int>(count);
}

int CString::CompareNoCase(std::u16string_view other) const noexcept {
    const auto order = std::lexicographical_compare_three_way(
        text_.begin(), text_.end(), other.begin(), other.end(), [](char16_t a, char16_t b) {
            return automation::FoldAscii(a) <=> automation::FoldAscii(b);
        });
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int CString::ReverseFind(char16_t ch) const noexcept {
    const auto at = text_.rfind(ch);
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const {
    return CString(text_.substr(0, Clamp(count, text_.size())));
}

CString CString::Right(int count) const {
    const std::size_t n = Clamp(count, text_.size());
    return CString(text_.substr(text_.size() - n));
}
