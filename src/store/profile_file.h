// A single profile as a file: exactly one record of the slot's shape.
#pragma once

#include <filesystem>

#include "models/model_descriptor.h"
#include "profile/profile_record.h"
#include "util/result.h"

namespace velor {

// Refuses a file of another length, and a record whose values do not fit the
// slot (named by its first such field).
Result<ProfileRecord> readProfileFile(const ModelDescriptor& model,
                                      const std::filesystem::path& path);

}  // namespace velor
