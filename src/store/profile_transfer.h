// Profile files: the current profile written out as one record, and a file
// read back in as a new profile of the same slot, with the macros its buttons
// carry recreated in the macro list.
#pragma once

#include <filesystem>
#include <string>

#include "store/macro_store.h"
#include "store/profile_list.h"
#include "util/result.h"

namespace velor {

bool exportProfile(const ProfileList& profiles, const std::filesystem::path& file,
                   std::string* error = nullptr);

struct ImportOutcome {
    int index;          // the new, current profile
    int macrosCreated;  // when above 0, the caller saves the macro list
};

// The file is checked first (size of the slot's record, terminated names,
// macro counts): a bad file changes nothing. A taken profile or macro name
// gets a "_N" suffix; every macro button makes a macro of its own.
Result<ImportOutcome> importProfile(ProfileList& profiles, MacroList& macros,
                                    const std::filesystem::path& file);

}  // namespace velor
