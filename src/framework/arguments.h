// The process's wide-character argument vector, as the C runtime of the
// desktop platform offers it: __argc and __wargv (element 0 is the program).
#pragma once

#include <string>
#include <type_traits>
#include <vector>

#include "framework/afx_types.h"

#if !defined(_WIN32)
// Filled by framework::SetArguments; a null-terminated vector of __argc strings.
extern int __argc;
extern LPWSTR* __wargv;
#endif

namespace framework {

#if !defined(_WIN32)
// Makes main's byte strings the process's wide arguments, bytes that are not
// UTF-8 kept reversibly (on Windows the C runtime fills them itself).
void SetArguments(int argc, const char* const* argv);
#endif
// Makes `arguments` the process's wide arguments (tests use this).
void SetArguments(const std::vector<std::u16string>& arguments);

}  // namespace framework
