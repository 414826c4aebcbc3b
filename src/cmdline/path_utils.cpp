#include "cmdline/path_utils.h"

#include <string>

#include "framework/path_services.h"

namespace {

// The working buffers hold what the system calls can hand back; a path or a
// current directory that does not fit them is left alone rather than cut.
constexpr std::size_t kDriveSize = 3;
constexpr std::size_t kDirSize = 256;
constexpr std::size_t kFileNameSize = 256;
constexpr std::size_t kExtensionSize = 256;
constexpr DWORD kCurrentDirectorySize = 260;

constexpr char16_t kParentStep[] = u"..\\";
constexpr int kParentStepLength = 3;

// Reads the current directory into `buffer`; false when it cannot be read or
// does not fit (the call then reports the size it would need instead).
bool ReadCurrentDirectory(WCHAR (&buffer)[kCurrentDirectorySize]) {
    const DWORD length = GetCurrentDirectoryW(kCurrentDirectorySize, buffer);
    return length != 0 && length < kCurrentDirectorySize;
}

// Puts the current directory back when a climb ends, however it ends: the rest
// of the process relies on relative paths meaning what they meant before.
class CurrentDirectoryRestorer {
  public:
    explicit CurrentDirectoryRestorer(const WCHAR* saved) noexcept : saved_(saved) {}
    ~CurrentDirectoryRestorer() {
        // Nothing can be done about a refusal here, and a destructor must not
        // throw while another exception is already on its way to the caller.
        try {
            SetCurrentDirectoryW(saved_);
        } catch (...) {
        }
    }
    CurrentDirectoryRestorer(const CurrentDirectoryRestorer&) = delete;
    CurrentDirectoryRestorer& operator=(const CurrentDirectoryRestorer&) = delete;

  private:
    const WCHAR* saved_;
};

bool StartsWithParentStep(const CString& directory) {
    return directory.Left(kParentStepLength) == kParentStep;
}

}  // namespace

CString ExtractFileExtension(CString path) {
    const int dot = path.ReverseFind(u'.');
    if (dot < 0) {
        return path;
    }
    return path.Right(path.GetLength() - dot - 1);
}

CString ExtractFileName(const CString& path) {
    CString resolved = path;
    ResolveFullPath(resolved);
    const int separator = resolved.ReverseFind(u'\\');
    if (separator < 0) {
        return CString();
    }
    return resolved.Right(resolved.GetLength() - separator - 1);
}

CString ExtractFileTitle(const CString& path) {
    CString name = ExtractFileName(path);
    const int dot = name.ReverseFind(u'.');
    if (dot < 0) {
        return name;
    }
    return name.Left(dot);
}

void ResolveFullPath(CString& path) {
    path.Replace(u'/', u'\\');

    // The split sees the path only up to a zero; a path holding one would be
    // rebuilt without its tail.
    if (path.str().find(u'\0') != std::u16string::npos) {
        return;
    }
    WCHAR drive[kDriveSize];
    WCHAR dir[kDirSize];
    WCHAR fname[kFileNameSize];
    WCHAR ext[kExtensionSize];
    if (_wsplitpath_s(path, drive, kDriveSize, dir, kDirSize, fname, kFileNameSize, ext,
                      kExtensionSize) != 0) {
        return;
    }
    if (drive[0] != u'\0') {
        return;
    }

    CString directory(dir);
    WCHAR saved[kCurrentDirectorySize];
    if (!ReadCurrentDirectory(saved)) {
        // The path stays relative; a bare name gets ".\\" before it, or its final
        // component would not be found as in an absolute path (no name at all).
        if (directory.IsEmpty()) {
            path = CString(u".\\") + path;
        }
        return;
    }

    if (directory.GetLength() > 2 && StartsWithParentStep(directory)) {
        const CurrentDirectoryRestorer restorer(saved);
        // A refused step, or one from a drive root, leaves the directory where it
        // is; dropping the step anyway makes surplus steps end at the root.
        while (StartsWithParentStep(directory)) {
            SetCurrentDirectoryW(u"..");
            directory = directory.Right(directory.GetLength() - kParentStepLength);
        }
        WCHAR climbed[kCurrentDirectorySize];
        if (!ReadCurrentDirectory(climbed)) {
            return;
        }
        path = CString(climbed) + u'\\' + directory + fname + ext;
        return;
    }

    if (directory.GetLength() > 2 && directory.GetAt(0) == u'\\' && directory.GetAt(1) == u'\\') {
        return;  // a network share is already absolute
    }

    if (!directory.IsEmpty() && directory.GetAt(0) == u'\\') {
        // Only the drive of the current directory is wanted; asking for nothing
        // else keeps a long current directory from overflowing the split.
        WCHAR current_drive[kDriveSize];
        if (_wsplitpath_s(saved, current_drive, kDriveSize, nullptr, 0, nullptr, 0, nullptr, 0) ==
            0) {
            path = CString(current_drive) + path;
        }
        return;
    }

    path = CString(saved) + u'\\' + path;
}
