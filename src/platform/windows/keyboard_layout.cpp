#include "platform/keyboard_layout.h"

#include <windows.h>

#include <array>

namespace velor {

namespace {

constexpr std::uint32_t kKeys = 256;
constexpr std::uint32_t kScanCodes = 128;  // set 1, without the E0 prefix

// The layout as it was when made, read once from the system: later lookups
// touch no keyboard state and are safe on any thread.
class WindowsKeyboardLayout final : public KeyboardLayout {
  public:
    explicit WindowsKeyboardLayout(HKL layout) {
        for (std::uint32_t key = 1; key < kKeys; ++key) {
            scanOfKey_[key] = ::MapVirtualKeyExW(key, MAPVK_VK_TO_VSC, layout);
            characterOfKey_[key] = unshiftedText(key, layout);
        }
        for (std::uint32_t scan = 1; scan < kScanCodes; ++scan)
            keyOfScan_[scan] = ::MapVirtualKeyExW(scan, MAPVK_VSC_TO_VK, layout);
    }

    std::uint32_t scanCodeOfVirtualKey(std::uint32_t virtualKey) const override {
        return virtualKey < kKeys ? scanOfKey_[virtualKey] : 0;
    }
    std::uint32_t virtualKeyOfScanCode(std::uint32_t scanCode) const override {
        return scanCode < kScanCodes ? keyOfScan_[scanCode] : 0;
    }
    std::u16string characterOfVirtualKey(std::uint32_t virtualKey) const override {
        return virtualKey < kKeys ? characterOfKey_[virtualKey] : std::u16string();
    }

  private:
    // What the key types with no modifier held. A dead key names itself by
    // its spacing accent (the French ^ key shows "^"); the dead state it
    // leaves in the layout is cleared so the next key reads plainly.
    static std::u16string unshiftedText(std::uint32_t key, HKL layout) {
        const BYTE noModifiers[256] = {};
        wchar_t text[8] = {};
        const UINT scan = ::MapVirtualKeyExW(key, MAPVK_VK_TO_VSC, layout);
        const int count = ::ToUnicodeEx(key, scan, noModifiers, text, 8, 0, layout);
        if (count < 0) {
            wchar_t flush[8] = {};
            for (int i = 0; i < 4 && ::ToUnicodeEx(key, scan, noModifiers, flush, 8, 0, layout) < 0;
                 ++i) {
            }
        }
        std::u16string result;
        for (int i = 0; i < (count < 0 ? 1 : count); ++i) {
            const wchar_t c = text[i];
            if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;  // a control (Return, Tab)
            result += static_cast<char16_t>(c);
        }
        return result;
    }

    std::array<std::uint32_t, kKeys> scanOfKey_{};
    std::array<std::uint32_t, kScanCodes> keyOfScan_{};
    std::array<std::u16string, kKeys> characterOfKey_{};
};

}  // namespace

std::unique_ptr<KeyboardLayout> systemKeyboardLayout() {
    const HKL layout = ::GetKeyboardLayout(0);
    if (layout == nullptr) return nullptr;
    return std::make_unique<WindowsKeyboardLayout>(layout);
}

std::unique_ptr<KeyboardLayout> x11KeyboardLayout(void*) {
    return nullptr;  // no X server here
}

}  // namespace velor
