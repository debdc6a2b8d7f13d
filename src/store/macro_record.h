// One macro of a slot's macro list: a fixed 240-byte block (name, loop count,
// action count, 46 actions), stored byte for byte in macro.data. Fields are
// reached through its layout table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "profile/button_slot.h"
#include "profile/field_layout.h"
#include "profile/macro_action.h"

namespace velor {

enum class MacroField : std::uint8_t { name, loopTimes, actionCount, actions, kCount };

inline constexpr std::uint32_t kMacroRecordSize = 240;

const Layout<MacroField>& macroRecordLayout();

class MacroRecord {
  public:
    MacroRecord() : bytes_(kMacroRecordSize, 0) {}
    // nullopt unless bytes has exactly the record size.
    static std::optional<MacroRecord> fromBytes(std::span<const std::uint8_t> bytes);
    // A zero-filled record with the name (cut to 23 units).
    static MacroRecord named(std::u16string_view name);

    std::optional<std::u16string> name() const;  // nullopt without a terminator
    void setName(std::u16string_view name);
    // Cuts an unterminated name at its last unit.
    void terminateName();
    std::int32_t loopTimes() const;
    void setLoopTimes(std::int32_t times);
    std::int32_t actionCount() const;
    void setActionCount(std::int32_t count);
    MacroAction action(int i) const;  // 0..45
    void setAction(int i, const MacroAction& action);
    // The 184 bytes of the action block, as a button slot copies them.
    std::span<const std::uint8_t> actionBytes() const;
    std::span<std::uint8_t> actionBytes();

    std::span<const std::uint8_t> bytes() const { return bytes_; }
    friend bool operator==(const MacroRecord&, const MacroRecord&) = default;

  private:
    std::vector<std::uint8_t> bytes_;
};

// A button slot's copy of a macro: its name, action count and actions (the
// slot's index, repeat mode and count are the caller's).
void copyMacroIntoSlot(const MacroRecord& macro, ButtonSlot slot);
// A macro made from a slot's copy, under the given name.
MacroRecord macroFromSlot(ConstButtonSlot slot, std::u16string_view name);

// The slots a macro takes in the mouse: one per action, two for a delay above
// 1280 ms. A macro is kept only below 48 slots and with at most 46 actions.
int macroSlotCount(std::span<const MacroAction> actions);
bool macroFitsTheMouse(std::span<const MacroAction> actions);

// Imports refuse a macro the mouse could not keep; their errors carry this
// phrase, so the window can say so in words of its own.
inline constexpr std::string_view kMacroTooLong = "takes more slots than the mouse keeps";
// The error for a macro of these actions, or nothing when the mouse keeps it.
std::optional<std::string> macroTooLong(std::span<const MacroAction> actions);

}  // namespace velor
