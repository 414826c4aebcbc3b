// Registers a class in the process's class registry for the life of the
// object and puts back what the registration displaced.
#pragma once

#include <optional>
#include <vector>

#include "automation/class_registry.h"

namespace test_support {

class ScopedClassRegistration {
  public:
    explicit ScopedClassRegistration(automation::ClassInfo info);
    ~ScopedClassRegistration();
    ScopedClassRegistration(ScopedClassRegistration&& other) noexcept;
    ScopedClassRegistration(const ScopedClassRegistration&) = delete;
    ScopedClassRegistration& operator=(const ScopedClassRegistration&) = delete;
    ScopedClassRegistration& operator=(ScopedClassRegistration&&) = delete;

  private:
    std::optional<std::u16string> prog_id_;  // empty once moved from
    std::vector<automation::ClassInfo> displaced_;
};

}  // namespace test_support
