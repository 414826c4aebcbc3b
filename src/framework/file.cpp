#include "framework/file.h"

#include <algorithm>
#include <utility>

CFile::~CFile() {
    if (fd_ >= 0) {
        CloseDescriptor(fd_);
    }
}

void CFile::Close() {
    if (fd_ < 0) {
        return;
    }
    // The descriptor is gone whatever the close reports, so it is never retried.
    if (const LONG os_error = CloseDescriptor(std::exchange(fd_, -1)); os_error != 0) {
        throw CFileException(os_error);
    }
}

BOOL CFileException::GetErrorMessage(LPWSTR buffer, UINT max_chars) const {
    if (buffer == nullptr || max_chars == 0) {
        return FALSE;
    }
    buffer[0] = u'\0';
    if (m_cause == none && m_lOsError == 0) {
        return FALSE;
    }
    const std::u16string text = SystemErrorText();
    std::size_t count = std::min<std::size_t>(text.size(), max_chars - 1);
    // Cutting between the halves of a surrogate pair would leave a broken
    // character at the end; drop the lone half instead.
    if (count > 0 && count < text.size() && text[count - 1] >= 0xD800 &&
        text[count - 1] <= 0xDBFF) {
        --count;
    }
    std::copy_n(text.begin(), count, buffer);
    buffer[count] = u'\0';
    return TRUE;
}
