// A slot's feature-device library loaded from the program folder, with its
// seven entry points resolved by name. A library that lacks any of them is
// not used at all, so no missing entry is ever called.
#pragma once

#include <memory>
#include <string>

#include "device/feature_device.h"
#include "hid/hid_backend.h"
#include "util/result.h"

namespace velor {

// folder ends with '/'; libraryName is the descriptor's (without suffix).
// shareBackend, when given, is handed to libraries of our own making so that
// they reach the same devices as the program.
Result<std::unique_ptr<FeatureDevice>> loadFeatureLibrary(const std::string& folder,
                                                          std::string_view libraryName,
                                                          HidBackend* shareBackend);

}  // namespace velor
