// Catches the message boxes shown while it lives, in order, instead of
// letting them reach standard error.
#pragma once

#include <string>
#include <vector>

#include "framework/afx_types.h"
#include "framework/message_box.h"

namespace test_support {

struct ShownMessage {
    std::u16string text;
    std::u16string caption;
    UINT type = 0;
    friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

class MessageBoxRecorder {
  public:
    MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    const std::vector<ShownMessage>& shown() const noexcept { return shown_; }
    // Just the texts, for the common comparison.
    std::vector<std::u16string> texts() const;

  private:
    std::vector<ShownMessage> shown_;
    framework::ScopedMessageBoxSink sink_;  // after shown_, which it fills
};

}  // namespace test_support
