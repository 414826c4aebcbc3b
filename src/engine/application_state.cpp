#include "engine/application_state.h"

#include "automation/automation_error.h"

namespace engine {

void ApplicationState::CheckRunning() const {
    if (quit_) {
        throw automation::AutomationError(automation::RPC_E_DISCONNECTED,
                                          "the presentation application has quit");
    }
}

void ApplicationState::Quit() noexcept {
    quit_ = true;
    // Objects still held keep their own share of the model; dropping ours here
    // releases the controls of every presentation nobody looks at any more.
    presentations.clear();
}

}  // namespace engine
