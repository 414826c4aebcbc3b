#include "support/scoped_class_registration.h"

#include <utility>

namespace test_support {

ScopedClassRegistration::ScopedClassRegistration(automation::ClassInfo info)
    : prog_id_(info.prog_id) {
    auto& registry = automation::ClassRegistry::Instance();
    // Registering replaces the class of the same ProgID and the class of the
    // same CLSID; both come back afterwards.
    if (const auto* same_name = registry.FindByProgId(info.prog_id)) {
        displaced_.push_back(*same_name);
    }
    if (const auto* same_id = registry.FindByClsid(info.clsid)) {
        if (displaced_.empty() || displaced_.front().clsid != same_id->clsid) {
            displaced_.push_back(*same_id);
        }
    }
    registry.Register(std::move(info));
}

ScopedClassRegistration::ScopedClassRegistration(ScopedClassRegistration&& other) noexcept
    : prog_id_(std::exchange(other.prog_id_, std::nullopt)),
      displaced_(std::move(other.displaced_)) {}

ScopedClassRegistration::~ScopedClassRegistration() {
    if (!prog_id_) {
        return;
    }
    auto& registry = automation::ClassRegistry::Instance();
    registry.Unregister(*prog_id_);
    for (auto& info : displaced_) {
        registry.Register(std::move(info));
    }
}

}  // namespace test_support
