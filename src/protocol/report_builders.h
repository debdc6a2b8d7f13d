// Builders of every output report from a profile record. Pure functions of the
// record (and, for a macro, the button number), so they are tested without a
// device.
#pragma once

#include <array>
#include <cstdint>

#include "models/model_descriptor.h"
#include "profile/profile_record.h"
#include "protocol/report.h"

namespace velor {

inline constexpr std::size_t kMacroChunkSize = 64;
using MacroChunk = std::array<std::uint8_t, kMacroChunkSize>;

Report buildOpening();
Report buildDpi(const ProfileRecord& record);
Report buildLighting(const ProfileRecord& record);
Report buildPolling(const ProfileRecord& record);
Report buildButtons(const ProfileRecord& record);
// Macro report of button j (1..18), carrying the macro embedded in slot j - 1.
Report buildMacro(const ProfileRecord& record, int button);

// The three 64-byte chunks that carry a macro report; over the wireless path
// the third chunk says 0x0C in byte 1.
std::array<MacroChunk, 3> splitMacro(const Report& macro, bool wireless);

// Byte 3 of the polling-rate report for the record's setting on its slot.
std::uint8_t pollingCode(const ProfileRecord& record);

// Bytes 4, 5, 9 and 10 of the lighting report on the record's slot.
std::array<std::uint8_t, 4> lightingBytes(const ProfileRecord& record);

// How a macro fits its report: the report holds a fixed number of two-byte
// entries, an action takes one entry, or two when its delay is long.
struct MacroFit {
    int actions = 0;         // actions carried (a prefix of the macro)
    int entries = 0;         // entries they take
    int droppedActions = 0;  // actions that did not fit and are not sent
};
MacroFit macroFit(ConstButtonSlot slot, int entryCapacity);
int macroEntryCapacity(const ModelDescriptor& model);

// The descriptor of the slot a record belongs to.
const ModelDescriptor& modelOf(const ProfileRecord& record);

}  // namespace velor
