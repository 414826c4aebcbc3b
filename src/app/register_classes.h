// The automation classes this process serves itself, registered when OLE is
// initialised on platforms that have no system-wide object registry.
#pragma once

// Registers them; false, or an exception, when one could not be registered.
bool RegisterPlatformClasses();
