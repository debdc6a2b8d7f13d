// A single profile as a file: exactly one record of the slot's shape.
#pragma once

#include <filesystem>

#include "models/model_descriptor.h"
#include "profile/profile_record.h"
#include "util/result.h"

namespace velor {

// Refuses a file of another length, and a record that is another model's or
// damaged (named by its first such field); other values are taken as they are.
Result<ProfileRecord> readProfileFile(const ModelDescriptor& model,
                                      const std::filesystem::path& path);

}  // namespace velor
