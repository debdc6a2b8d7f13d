// How the bytes of a profile file stand against one model slot. Profile files
// carry no model tag and come from other programs and other versions, so a
// record is refused only where its layout shows it to be another model's (a
// field that holds a fixed value on this shape holds another) or damaged (a
// name without its terminator, a macro count past its block). Values the
// page's controls do not offer are taken as they are and named, so that the
// user can be told once.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "models/model_descriptor.h"
#include "profile/profile_record.h"

namespace velor {

// Why the record cannot be taken for the slot, as "<field>: <what is wrong>"
// (the first such field by offset); nullopt when it can.
std::optional<std::string> notAProfileOf(const ModelDescriptor& model, const ProfileRecord& record);

// The settings the window cannot set as they are, one line each, by offset.
std::vector<std::string> outsideTheWindow(const ModelDescriptor& model,
                                          const ProfileRecord& record);

// Gives every enabled DPI level without a value (0, which the mouse cannot
// use) the value a tick in the window would give it; one line per level.
std::vector<std::string> mendEmptyLevels(const ModelDescriptor& model, ProfileRecord& record);

}  // namespace velor
