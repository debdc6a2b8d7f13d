// The language texts that end up stored (the names given to new profiles and
// macros). A damaged or missing language file gives text ids back, and an id
// written into a store stays there after the file is repaired, so these come
// from built-in English whenever the language files cannot give them.
#pragma once

#include <string>
#include <string_view>

#include "util/text_lookup.h"

namespace velor {

// The text of `id` in the current language, or the built-in English one when
// the lookup has none (gives nothing, or the id itself).
std::u16string storedText(const TextLookup& texts, std::string_view id);

}  // namespace velor
