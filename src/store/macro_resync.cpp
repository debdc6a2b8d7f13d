#include "store/macro_resync.h"

#include <algorithm>
#include <array>

#include "profile/function_table.h"
#include "profile/record_defaults.h"

namespace velor {

namespace {
constexpr int kResyncedButtons = 12;  // buttons 13..18 keep what they have
}  // namespace

MacroResync resyncMacroSlots(ProfileList& profiles, const MacroList& macros) {
    const std::lock_guard guard(profiles.lock());
    MacroResync result;
    for (std::size_t p = 0; p < profiles.size(); ++p) {
        ProfileRecord record = profiles.record(p);
        bool changed = false;
        for (int k = 0; k < kResyncedButtons; ++k) {
            ButtonSlot slot = record.button(k);
            const std::u16string name = slot.macroName().value_or(u"");
            if (slot.function() != function::kMacro && name.empty()) continue;
            if (static_cast<int>(p) == profiles.currentIndex()) result.currentTouched = true;
            const std::array before = [&] {
                std::array<std::uint8_t, kButtonSlotSize> copy{};
                std::ranges::copy(slot.bytes(), copy.begin());
                return copy;
            }();
            const int found = macros.find(name);
            if (found < 0)
                clearMacroSlot(slot, k);
            else
                copyMacroIntoSlot(macros.records[static_cast<std::size_t>(found)], slot);
            changed |= !std::ranges::equal(before, slot.bytes());
        }
        if (changed) profiles.replace(p, std::move(record));
        result.changed |= changed;
    }
    return result;
}

}  // namespace velor
