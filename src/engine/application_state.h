// The state of one presentation application, shared by all its objects, which
// after Quit stay valid but raise on every call, as a server gone away would.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "automation/automation_error.h"
#include "engine/document_model.h"

namespace engine {

class ApplicationState {
  public:
    // Raises AutomationError(RPC_E_DISCONNECTED) once the application has quit.
    void CheckRunning() const {
        if (quit_) {
            throw automation::AutomationError(automation::RPC_E_DISCONNECTED,
                                              "the presentation application has quit");
        }
    }
    // Closes every presentation unsaved: objects still held keep their share of
    // the model, and the controls of the others are released.
    void Quit() noexcept {
        quit_ = true;
        presentations.clear();
    }

    std::int32_t window_state = 1;  // normal
    // In the order they were added or opened.
    std::vector<std::shared_ptr<PresentationModel>> presentations;

  private:
    bool quit_ = false;
};

using StatePtr = std::shared_ptr<ApplicationState>;

}  // namespace engine
