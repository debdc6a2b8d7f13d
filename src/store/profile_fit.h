// Whether the bytes of a profile are a record the program could have made for
// one model slot: every field within what that slot's controls offer. Profile
// files carry no model tag, and two shapes share one length, so a file made
// for another model is told apart only by its values.
#pragma once

#include <optional>
#include <string>

#include "models/model_descriptor.h"
#include "profile/profile_record.h"

namespace velor {

// The first field (by offset) that does not fit the slot, as
// "<field>: <what is wrong>"; nullopt when every field fits.
std::optional<std::string> firstMisfit(const ModelDescriptor& model, const ProfileRecord& record);

}  // namespace velor
