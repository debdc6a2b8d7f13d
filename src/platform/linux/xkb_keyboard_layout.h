// The user's keyboard layout read through xkbcommon, for naming keys and storing
// them by position. The keys are read once when it is made; a layout change
// makes a new one.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/keyboard_layout.h"

struct xcb_connection_t;
struct xkb_keymap;

namespace velor {

class XkbKeyboardLayout final : public KeyboardLayout {
  public:
    // XKB rules, model, layout, variant, options; an empty name takes xkbcommon's
    // default (which honours the XKB_DEFAULT_* environment variables).
    struct Names {
        std::string rules;
        std::string model;
        std::string layout;
        std::string variant;
        std::string options;
    };

    // nullptr when xkbcommon cannot make a keymap from the names.
    static std::unique_ptr<XkbKeyboardLayout> create(const Names& names);

    // The session's layout as the X server has it, the group in use now;
    // nullptr without an X server that speaks XKB.
    static std::unique_ptr<XkbKeyboardLayout> forX11(xcb_connection_t* connection);

    // The system's layout: XKB_DEFAULT_LAYOUT when set, else the XKB* lines of
    // keyboardDefaults (Debian's console and X11 setting), else US.
    // nullptr only when not even the US keymap can be made.
    static std::unique_ptr<XkbKeyboardLayout> forSystem(
        const std::filesystem::path& keyboardDefaults = "/etc/default/keyboard");

    // Letters follow the layout (on AZERTY, A is on scan code 0x10); the digit row
    // keeps 1..0 whatever it prints, as Windows layouts do; the other keys keep the
    // key table's virtual key, unless a letter took it. The two directions always
    // agree, so a key pressed is stored at its own position.
    std::uint32_t scanCodeOfVirtualKey(std::uint32_t virtualKey) const override;
    std::uint32_t virtualKeyOfScanCode(std::uint32_t scanCode) const override;
    // Empty for a virtual key that no key of this layout gives.
    std::u16string characterOfVirtualKey(std::uint32_t virtualKey) const override;

  private:
    // Set-1 scan codes up to F12 equal evdev key codes; the key table needs no more.
    static constexpr std::uint32_t kLastScanCode = 0x58;
    using BaseKeysyms = std::array<std::vector<std::uint32_t>, kLastScanCode + 1>;

    // baseKeysyms: the unshifted keysyms of the first group, by scan code.
    explicit XkbKeyboardLayout(const BaseKeysyms& baseKeysyms);
    static std::unique_ptr<XkbKeyboardLayout> fromKeymap(xkb_keymap* keymap, std::uint32_t group);
    void assign(std::uint32_t scanCode, std::uint32_t virtualKey);

    std::array<std::uint8_t, kLastScanCode + 1> virtualKeyOfScan_{};
    std::array<std::uint8_t, 256> scanOfVirtualKey_{};
    std::array<std::u16string, kLastScanCode + 1> characters_;
};

}  // namespace velor
