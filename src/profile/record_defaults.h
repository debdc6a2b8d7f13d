// Creating and resetting profile records: the defaults of every field.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "profile/profile_record.h"

namespace velor {

// Function codes of buttons 1..18 in a new profile.
inline constexpr std::array<std::uint8_t, kButtonCount> kDefaultButtonFunctions = {
    1, 2, 3, 6, 0, 24, 4, 5, 52, 0, 0, 0, 0, 0, 0, 0, 11, 12};

// 0x00BBGGRR: red, green, blue, magenta, yellow, white, orange, white.
inline constexpr std::array<std::uint32_t, kDpiLevels> kDefaultDpiColours = {
    0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FF00FF, 0x0000FFFF, 0x00FFFFFF, 0x000040FF, 0x00FFFFFF};
inline constexpr std::array<std::uint32_t, kDpiLevels> kDefaultSpareColours = {
    0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FF00FF, 0x0000FFFF, 0x00FFFFFF, 0x00FFFFFF, 0x000080FF};
inline constexpr std::array<std::int32_t, kDpiLevels> kDefaultDpiEnabled = {1, 1, 1, 1, 1, 1, 0, 0};

// Every default into an existing record; keeps name, moveMode and the bytes no
// field covers.
void setDefaults(ProfileRecord& record);

// A zero-filled record with every default and the given name (cut to 99 units).
ProfileRecord newRecord(const RecordType& type, std::u16string_view name);

// Only the current level and the DPI values, enables and colours.
void resetDpi(ProfileRecord& record);

// For a slot whose macro no longer exists: the slot zeroed, button k's default
// function, no macro index.
void clearMacroSlot(ButtonSlot slot, int k);

}  // namespace velor
