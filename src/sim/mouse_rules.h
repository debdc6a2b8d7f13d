// What a simulated mouse's firmware accepts in the fields whose framing is
// already checked: the values each report can carry on the mouse's model.
// The mouse keeps its own tables here rather than asking the program's
// builders, so that a builder that goes wrong is caught instead of agreed with.
#pragma once

#include <cstdint>
#include <span>

#include "models/model_descriptor.h"

namespace velor::sim {

// Bytes 3..23 of a DPI report (header and both bytes of every level).
bool dpiLevelsAllowed(const ModelDescriptor& model, std::span<const std::uint8_t> report);
// Bytes 3..10 of a lighting report, by the model's layout.
bool lightingAllowed(const ModelDescriptor& model, std::span<const std::uint8_t> report);
// Byte 3 of a polling-rate report.
bool pollingCodeAllowed(const ModelDescriptor& model, std::uint8_t code);
// Entry of button 1..18 in the button report.
bool buttonEntryAllowed(std::span<const std::uint8_t, 3> entry, int button);
// The counted two-byte entries of a macro: each an action (its timing byte
// has bit 0 set by the key-down or key-up flag) or, right after an action,
// the 200 ms count of its long delay (key byte 0x03).
bool macroEntriesAllowed(std::span<const std::uint8_t> entries);

}  // namespace velor::sim
