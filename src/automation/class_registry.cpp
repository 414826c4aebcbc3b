#include "automation/class_registry.h"

#include <algorithm>

#include "automation/automation_error.h"
#include "automation/text_codec.h"

namespace automation {
namespace {

bool SameProgId(std::u16string_view a, std::u16string_view b) {
    return std::ranges::equal(a, b,
                              [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); });
}

}  // namespace

ClassRegistry& ClassRegistry::Instance() {
    static ClassRegistry registry;
    return registry;
}

void ClassRegistry::Register(ClassInfo info) {
    Unregister(info.prog_id);
    const Clsid clsid = info.clsid;
    classes_.insert_or_assign(clsid, std::move(info));
}

void ClassRegistry::Unregister(std::u16string_view prog_id) {
    std::erase_if(classes_,
                  [&](const auto& entry) { return SameProgId(entry.second.prog_id, prog_id); });
}

const ClassInfo* ClassRegistry::FindByProgId(std::u16string_view prog_id) const {
    for (const auto& [clsid, info] : classes_) {
        if (SameProgId(info.prog_id, prog_id)) {
            return &info;
        }
    }
    return nullptr;
}

std::optional<Clsid> ClassRegistry::ClsidFromProgId(std::u16string_view prog_id) const {
    if (const ClassInfo* info = FindByProgId(prog_id)) {
        return info->clsid;
    }
    return std::nullopt;
}

const ClassInfo* ClassRegistry::FindByClsid(const Clsid& clsid) const {
    const auto it = classes_.find(clsid);
    return it == classes_.end() ? nullptr : &it->second;
}

DispatchPtr ClassRegistry::CreateInstance(const Clsid& clsid) const {
    const ClassInfo* info = FindByClsid(clsid);
    if (info == nullptr || !info->factory) {
        throw AutomationError(REGDB_E_CLASSNOTREG,
                              "class " + clsid.ToString() + " is not registered");
    }
    return info->factory();
}

}  // namespace automation
