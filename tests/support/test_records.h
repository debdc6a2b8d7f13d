// Shared helpers for tests that build profile records of the reference slot.
#pragma once

#include <cstdint>
#include <span>

#include "models/model_descriptor.h"
#include "profile/record_defaults.h"
#include "util/le_bytes.h"

namespace velor::testing {

inline const ModelDescriptor& ms10() {
    return *descriptorFor(10);
}

inline ProfileRecord defaultRecord() {
    return newRecord(ms10().record, u"Profile1");
}

inline std::uint32_t u32At(const ProfileRecord& r, std::size_t offset) {
    return loadLe32(r.bytes(), offset);
}

// Puts a macro of the given actions on button j (1..18).
inline void assignMacro(ProfileRecord& r, int j, std::span<const MacroAction> actions) {
    ButtonSlot slot = r.button(j - 1);
    slot.set(SlotField::function, 17);
    slot.setMacroName(u"Macro");
    slot.set(SlotField::macroActionCount, static_cast<std::int64_t>(actions.size()));
    for (std::size_t i = 0; i < actions.size(); ++i)
        slot.setAction(static_cast<int>(i), actions[i]);
}

}  // namespace velor::testing
