// The profile the user chose, kept beside the slot's stores while a rule's
// profile is in force ("<data>/ms_<n>/users_profile.txt"): pro.data's current
// index then names the rule's profile, and a program started again (after a
// logout while a game ran) still knows what to go back to. pro.data itself
// stays as other programs read it. No file while no rule's profile is in force.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "util/result.h"

namespace velor {

struct ModelDescriptor;

inline constexpr const char* kUsersProfileName = "users_profile.txt";

std::filesystem::path usersProfilePath(const ModelDescriptor& model, const std::string& dataFolder);

// The profile's name kept there, none when there is no file; why not, when
// the file is damaged or cannot be read.
Result<std::optional<std::u16string>> readUsersProfile(const std::filesystem::path& path);

// Keeps the name atomically (the folder made when missing), or removes the
// file when there is none to keep.
bool saveUsersProfile(const std::optional<std::u16string>& profile,
                      const std::filesystem::path& path, std::string* error);

}  // namespace velor
