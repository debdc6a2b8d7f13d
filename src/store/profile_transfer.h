// Profile files: the current profile written out as one record, and a file
// read back in as a new profile of the same slot, with the macros its buttons
// carry recreated in the macro list.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "store/macro_store.h"
#include "store/profile_list.h"
#include "util/result.h"

namespace velor {

bool exportProfile(const ProfileList& profiles, const std::filesystem::path& file,
                   std::string* error = nullptr);

struct ImportOutcome {
    int index;          // the new, current profile
    int macrosCreated;  // when above 0, the caller saves the macro list
    // For the user, once: the DPI levels given a value, then the settings
    // the window cannot set as they are (taken as they are); empty when none.
    std::vector<std::string> notes;
};

// A profile file read and checked, and what taking it would make of the
// lists, before anything changes: the macros can be stored first, so that an
// import whose macros cannot be kept changes nothing.
struct ProfileImport {
    ProfileRecord record;  // uniquely named; its macro buttons point into macros
    MacroList macros;      // the macro list as it would be, the file's macros appended
    int macrosCreated = 0;
    std::vector<std::string> notes;  // as ImportOutcome's
};

// The file is checked first (size of the slot's record, a field this shape
// holds fixed, terminated names, macro counts): a bad file changes nothing.
// Enabled DPI levels without a value get one; every other value is taken as
// it is. A taken profile or macro name gets a "_N" suffix; every macro button
// makes a macro of its own.
Result<ProfileImport> readProfileImport(const ProfileList& profiles, const MacroList& macros,
                                        const std::filesystem::path& file);
// Takes what readProfileImport made of the same lists, unchanged since.
ImportOutcome takeProfileImport(ProfileList& profiles, MacroList& macros, ProfileImport taken);
// Both at once.
Result<ImportOutcome> importProfile(ProfileList& profiles, MacroList& macros,
                                    const std::filesystem::path& file);

}  // namespace velor
