// Brings the macro copies in the profiles' button slots up to date with the
// macro list, by name, after the macro editor closes.
#pragma once

#include "store/macro_store.h"
#include "store/profile_list.h"

namespace velor {

// For every profile, buttons 1..12 that play a macro or still carry a macro
// name: a macro of that name (any case) gives its actions and name; without
// one the slot returns to the button's default. Index, repeat mode and count
// stay. Takes the profile list's lock.
struct MacroResync {
    bool currentTouched = false;  // a slot of the current profile was looked at:
                                  // the page redraws its captions and applies
    bool changed = false;         // some profile changed: the store is to be saved
};
MacroResync resyncMacroSlots(ProfileList& profiles, const MacroList& macros);

}  // namespace velor
