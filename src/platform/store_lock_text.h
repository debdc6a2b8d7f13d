// What a user is told when a slot's stores are locked by another process; the
// same on every system.
#pragma once

#include <string>

namespace velor {

std::string storeInUseText(const std::string& folder);

}  // namespace velor
