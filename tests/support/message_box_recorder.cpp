#include "support/message_box_recorder.h"

namespace test_support {

MessageBoxRecorder::MessageBoxRecorder()
    : sink_([this](std::u16string_view text, std::u16string_view caption, UINT type) {
          shown_.push_back({std::u16string(text), std::u16string(caption), type});
      }) {}

std::vector<std::u16string> MessageBoxRecorder::texts() const {
    std::vector<std::u16string> texts;
    for (const auto& message : shown_) {
        texts.push_back(message.text);
    }
    return texts;
}

}  // namespace test_support
