#include "profile/function_table.h"

#include <algorithm>

namespace velor {

namespace {

// Device bytes 0x11, mask, usage: a key combination (mask 1 Ctrl, 2 Shift,
// 4 Alt, 8 Win; usage from the HID keyboard page).
constexpr FunctionInfo kFunctions[] = {
    {0, "button_off", "button_off_text", {0x01, 0x00, 0x00}},
    {1, "click", "left_click_text", {0x02, 0x00, 0x00}},
    {2, "menu", "right_click_text", {0x03, 0x00, 0x00}},
    {3, "scroll", "wheel_click_text", {0x04, 0x00, 0x00}},
    {4, "forward", "forward_text", {0x06, 0x00, 0x00}},
    {5, "backward", "backward_text", {0x05, 0x00, 0x00}},
    {6, "dpi_cycle", "dpi_cycle_text", {0x0D, 0x00, 0x00}},
    {7, "dpi_up", "dpi_up_text", {0x0E, 0x00, 0x00}},
    {8, "dpi_down", "dpi_down_text", {0x0F, 0x00, 0x00}},
    {9, "double_click", "double_click_text", {0x07, 0x00, 0x00}},
    {10, "fire_button", "fire_button_text", {0x08, 0x00, 0x00}},
    {11, "scroll_up", "scroll_up_text", {0x09, 0x00, 0x00}},
    {12, "scroll_down", "scroll_down_text", {0x0A, 0x00, 0x00}},
    {13, "titl_left", "titl_left_text", {0x0B, 0x00, 0x00}},
    {14, "titl_right", "titl_right_text", {0x0C, 0x00, 0x00}},
    {16, "shortcut", "", {0x11, 0x00, 0x00}},
    {17, "select_macro", "assign_macro_text", {0x12, 0x00, 0x00}},
    {19, "", "", {0x13, 0x00, 0x00}},
    {21, "", "", {0x2B, 0x00, 0x00}},
    {22, "easy_aim", "easy_aim_text", {0x10, 0x00, 0x03}},
    {23, "led_loop", "led_loop_text", {0x29, 0x00, 0x03}},
    {24, "", "", {0x28, 0x00, 0x00}},
    {32, "cut", "cut_text", {0x11, 0x01, 0x1B}},
    {33, "copy", "copy_text", {0x11, 0x01, 0x06}},
    {34, "paste", "paste_text", {0x11, 0x01, 0x19}},
    {35, "open", "open_text", {0x11, 0x01, 0x12}},
    {36, "save", "save_text", {0x11, 0x01, 0x16}},
    {37, "find", "find_text", {0x11, 0x01, 0x09}},
    {38, "redo", "redo_text", {0x11, 0x01, 0x1C}},
    {39, "", "undo_text", {0x11, 0x01, 0x1D}},
    {40, "select_all", "select_all_text", {0x11, 0x01, 0x04}},
    {41, "print", "print_text", {0x11, 0x01, 0x13}},
    {42, "close_window", "close_window_text", {0x11, 0x04, 0x3D}},
    {43, "swap_windows", "swap_windows_text", {0x11, 0x04, 0x2B}},
    {44, "show_desktop", "show_desktop_text", {0x11, 0x08, 0x07}},
    {45, "run_command", "run_command_text", {0x11, 0x08, 0x15}},
    {46, "lock_pc", "lock_pc_text", {0x11, 0x08, 0x0F}},
    {47, "", "", {0x11, 0x01, 0x11}},
    {48, "", "", {0x11, 0x01, 0x2E}},
    {49, "", "", {0x11, 0x01, 0x2D}},
    {50, "screen_capture", "screen_capture_text", {0x11, 0x0A, 0x16}},
    {51, "", "task_view_text", {0x00, 0x00, 0x00}},
    {52, "", "", {0x3C, 0x00, 0x00}},
    {54, "", "profile_cycle_text", {0x34, 0x00, 0x00}},
    {55, "", "profile_up_text", {0x35, 0x00, 0x00}},
    {56, "", "profile_down_text", {0x36, 0x00, 0x00}},
    {64, "media_player", "media_player_text", {0x15, 0x00, 0x00}},
    {65, "play_pause", "play_pause_text", {0x18, 0x00, 0x00}},
    {66, "media_stop", "media_stop_text", {0x19, 0x00, 0x00}},
    {67, "pre_track", "previous_track_text", {0x16, 0x00, 0x00}},
    {68, "next_track", "next_track_text", {0x17, 0x00, 0x00}},
    {69, "volume_up", "volume_up_text", {0x1B, 0x00, 0x00}},
    {70, "volume_down", "volume_down_text", {0x1C, 0x00, 0x00}},
    {71, "mute", "mute_text", {0x1A, 0x00, 0x00}},
    {80, "browser_home", "browser_home_text", {0x25, 0x00, 0x00}},
    {81, "browser_favorites", "browser_favorites_text", {0x11, 0x03, 0x12}},
    {82, "browser_forward", "browser_forward_text", {0x20, 0x00, 0x00}},
    {83, "browser_backward", "browser_backward_text", {0x21, 0x00, 0x00}},
    {84, "browser_stop", "browser_stop_text", {0x22, 0x00, 0x00}},
    {85, "browser_refresh", "browser_refresh_text", {0x24, 0x00, 0x00}},
    {86, "browser_search", "browser_search_text", {0x26, 0x00, 0x00}},
    {87, "email", "email_text", {0x1E, 0x00, 0x00}},
    {88, "calculator", "calculator_text", {0x1D, 0x00, 0x00}},
    {89, "my_computer", "my_computer_text", {0x23, 0x00, 0x00}},
    {115, "", "", {0x14, 0x00, 0x00}},
};

constexpr bool sortedByCode() {
    for (std::size_t i = 1; i < std::size(kFunctions); ++i)
        if (kFunctions[i - 1].code >= kFunctions[i].code) return false;
    return true;
}
static_assert(sortedByCode(), "lookup relies on ascending, unique codes");

}  // namespace

std::span<const FunctionInfo> functionTable() {
    return kFunctions;
}

const FunctionInfo* functionInfo(std::uint8_t code) {
    const auto* it =
        std::lower_bound(std::begin(kFunctions), std::end(kFunctions), code,
                         [](const FunctionInfo& f, std::uint8_t c) { return f.code < c; });
    return it != std::end(kFunctions) && it->code == code ? it : nullptr;
}

const FunctionInfo* functionByMenuItem(std::string_view menuItem) {
    if (menuItem.empty()) return nullptr;
    const auto* it = std::find_if(std::begin(kFunctions), std::end(kFunctions),
                                  [&](const FunctionInfo& f) { return f.menuItem == menuItem; });
    return it != std::end(kFunctions) ? it : nullptr;
}

}  // namespace velor
