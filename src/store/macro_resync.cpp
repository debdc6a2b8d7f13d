#include "store/macro_resync.h"

#include <algorithm>

#include "profile/function_table.h"
#include "profile/record_defaults.h"

namespace velor {

namespace {
constexpr int kResyncedButtons = 12;  // buttons 13..18 keep what they have
}  // namespace

bool resyncMacroSlots(ProfileList& profiles, const MacroList& macros) {
    const std::lock_guard guard(profiles.lock());
    bool currentTouched = false;
    for (std::size_t p = 0; p < profiles.size(); ++p) {
        ProfileRecord& record = profiles.at(p);
        for (int k = 0; k < kResyncedButtons; ++k) {
            ButtonSlot slot = record.button(k);
            const std::u16string name = slot.macroName().value_or(u"");
            if (slot.function() != function::kMacro && name.empty()) continue;
            if (static_cast<int>(p) == profiles.currentIndex()) currentTouched = true;
            const int found = macros.find(name);
            if (found < 0) {
                clearMacroSlot(slot, k);
                continue;
            }
            copyMacroIntoSlot(macros.records[static_cast<std::size_t>(found)], slot);
        }
    }
    return currentTouched;
}

}  // namespace velor
