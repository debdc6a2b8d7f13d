// Checks a record read from a file before anything uses it: records come from
// stores that may be damaged and from files other people made.
#pragma once

#include <string>
#include <vector>

#include "profile/profile_record.h"

namespace velor {

// One line per problem, empty for a sound record.
std::vector<std::string> recordProblems(const ProfileRecord& record);

// Mends what recordProblems reports: an unterminated name is cut to its
// limit; in a macro slot, a count past the action block is held at the block.
void repairRecord(ProfileRecord& record);

}  // namespace velor
