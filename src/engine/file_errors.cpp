#include "engine/file_errors.h"

#include <exception>
#include <new>

#include "automation/automation_error.h"
#include "automation/text_codec.h"
#include "pptfile/errors.h"

namespace engine {

void RethrowAsAutomationError(FileAccess access, const std::u16string& file_name) {
    using automation::AutomationError;
    const bool reading = access == FileAccess::kRead;
    try {
        throw;
    } catch (const pptfile::IoError& e) {
        throw AutomationError(reading ? automation::STG_E_READFAULT : automation::STG_E_WRITEFAULT,
                              e.what());
    } catch (const pptfile::FormatError& e) {
        throw AutomationError(automation::E_FAIL, e.what());
    } catch (const AutomationError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw AutomationError(reading ? automation::E_FAIL : automation::STG_E_WRITEFAULT,
                              (reading ? "cannot open " : "cannot write ") +
                                  automation::ToUtf8(file_name) + ": " + e.what());
    }
}

}  // namespace engine
