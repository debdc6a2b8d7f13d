// Button function codes: the menu item that sets each, the caption shown on the
// button and the bytes the button report carries. One table for the report
// builder, the page's menu and the button captions.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace velor {

namespace function {
inline constexpr std::uint8_t kOff = 0;
inline constexpr std::uint8_t kLeftClick = 1;
inline constexpr std::uint8_t kKeyboard = 16;  // modifiers and key code from the slot
inline constexpr std::uint8_t kMacro = 17;     // plays the slot's embedded macro
}  // namespace function

struct FunctionInfo {
    std::uint8_t code;
    std::string_view menuItem;   // suffix after the page's control prefix; empty: no menu entry
    std::string_view captionId;  // language text id; empty: no caption (or composed, code 16)
    std::array<std::uint8_t, 3> deviceBytes;
};

std::span<const FunctionInfo> functionTable();
// nullptr for a code the table lacks.
const FunctionInfo* functionInfo(std::uint8_t code);
const FunctionInfo* functionByMenuItem(std::string_view menuItem);

}  // namespace velor
