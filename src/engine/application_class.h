// Registers the embedded presentation application as "PowerPoint.Application".
#pragma once

#include "automation/class_registry.h"
#include "automation/clsid.h"

namespace engine {

// Ours, not the office application's: the two must never be confused.
inline constexpr automation::Clsid kApplicationClsid = automation::Clsid::FromFields(
    0xa881b0ca, 0x038d, 0x4559, {0xa9, 0x4e, 0x6b, 0xdc, 0xd2, 0xb3, 0x21, 0xff});

// Each object created through the registry is an application of its own.
void RegisterApplicationClass(automation::ClassRegistry& registry);

// A new application object holding one reference for the caller.
automation::DispatchPtr CreateApplication();

}  // namespace engine
