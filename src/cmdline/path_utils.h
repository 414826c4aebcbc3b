// Helpers over Windows-style path strings: the backslash separates, a drive is
// a letter and a colon, an extension is the text after the last dot.
#pragma once

#include "framework/cstring.h"

// The text after the path's last dot (directories included), without the dot;
// the whole path when it holds no dot.
CString ExtractFileExtension(CString path);

// The final component of the path once made absolute by ResolveFullPath; empty
// when the resolved path holds no backslash or ends with one.
CString ExtractFileName(const CString& path);

// ExtractFileName up to its last dot; the whole name when it holds no dot.
CString ExtractFileTitle(const CString& path);

// Makes `path` absolute against the current directory, in place: slashes
// become backslashes, paths with a drive and network shares stay as they are,
// leading "..\" steps are climbed. The current directory is left as it was.
void ResolveFullPath(CString& path);
