// Message boxes: the program's only way of telling the user anything.
#pragma once

#include <functional>
#include <string_view>
#include <utility>

#include "framework/afx_types.h"

#if !defined(_WIN32)
// Shows `text` under `caption` until the user closes it (IDOK), as Windows' own does.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
#endif

// A message box whose caption is the application's name.
int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT help_context = 0);
// The same with the text of a string resource.
int AfxMessageBox(UINT prompt_id, UINT type = MB_OK, UINT help_context = static_cast<UINT>(-1));

namespace framework {

// Where message boxes go instead of the screen while it lives (tests read
// them so); sinks nest, the newest one receives.
class ScopedMessageBoxSink {
  public:
    using Sink =
        std::function<void(std::u16string_view text, std::u16string_view caption, UINT type)>;
    explicit ScopedMessageBoxSink(Sink sink) : sink_(std::move(sink)), previous_(current_) {
        current_ = &sink_;
    }
    ~ScopedMessageBoxSink() { current_ = previous_; }
    ScopedMessageBoxSink(const ScopedMessageBoxSink&) = delete;
    ScopedMessageBoxSink& operator=(const ScopedMessageBoxSink&) = delete;

    // The sink in force, or null.
    static const Sink* Current() noexcept { return current_; }

  private:
    static inline const Sink* current_ = nullptr;
    Sink sink_;
    const Sink* previous_;
};

}  // namespace framework
