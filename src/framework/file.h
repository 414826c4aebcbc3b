// CFile and its companions: the file services the command line needs, the
// output probe (open for writing, then close) and the template's status.
#pragma once

#include <string>

#include "framework/afx_types.h"

// What a failed file operation left behind: the system's error number, for a
// readable description; nothing tells causes apart beyond genericException.
class CFileException {
  public:
    enum Cause : int { none = 0, genericException };

    CFileException() = default;
    explicit CFileException(LONG os_error) : m_cause(genericException), m_lOsError(os_error) {}

    // Writes the operating system's description of the failure into `buffer`
    // of `max_chars` characters, terminator included, cut to fit. Returns
    // FALSE (and writes nothing) when there is no room or no error to describe.
    BOOL GetErrorMessage(LPWSTR buffer, UINT max_chars) const;

    int m_cause = none;
    LONG m_lOsError = 0;

  private:
    // The operating system's own words for m_lOsError, whole.
    std::u16string SystemErrorText() const;
};

// What CFile::GetStatus reports of a file: what kind of thing is there.
struct CFileStatus {
    BYTE m_attribute = 0;  // CFile::Attribute bits
};

// A file held open by the operating system, closed at the latest with the object.
class CFile {
  public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        // Creates the file when it is absent and, unless modeNoTruncate is
        // given too, empties it when it exists.
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
    };
    // The bits the core looks at (`system` would shadow ::system).
    enum Attribute : BYTE {
        directory = 0x10,
        device = 0x40,  // a pipe, a socket or a device
    };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens `file_name` as `flags` ask; on the system's refusal it returns FALSE
    // and says why in `error`, if given, rather than throwing.
    BOOL Open(LPCTSTR file_name, UINT flags, CFileException* error = nullptr);
    // Releases the file. Raises CFileException when the system reports a
    // failure on closing (the descriptor is released all the same).
    void Close();

    // TRUE when something exists at `file_name` and its status could be read.
    static BOOL GetStatus(LPCTSTR file_name, CFileStatus& status);

  private:
    // 0, or the system's error number for a failed close (which still releases `fd`).
    static LONG CloseDescriptor(int fd) noexcept;

    int fd_ = -1;
};
