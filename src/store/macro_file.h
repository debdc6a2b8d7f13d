// A macro as a file of its own: exactly one 240-byte macro record.
#pragma once

#include <filesystem>
#include <string>

#include "store/macro_store.h"
#include "util/result.h"

namespace velor {

bool exportMacro(const MacroRecord& macro, const std::filesystem::path& file,
                 std::string* error = nullptr);

// Checks the file first (240 bytes, a terminated name, at most 46 steps): a
// bad file changes nothing. A taken name gets a "_N" suffix. The macro is
// appended (the caller saves the list); returns its index.
Result<int> importMacro(MacroList& macros, const std::filesystem::path& file);

}  // namespace velor
