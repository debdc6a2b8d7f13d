// A keyboard layout that can be replaced while everything keeps pointing at
// it: the session's layout may change under the running program. Lookups and
// replacements happen on the UI thread.
#pragma once

#include <memory>

#include "keys/keyboard_layout.h"

namespace velor {

class SwitchableKeyboardLayout final : public KeyboardLayout {
  public:
    explicit SwitchableKeyboardLayout(std::unique_ptr<KeyboardLayout> layout)
        : layout_(std::move(layout)) {}
    void replace(std::unique_ptr<KeyboardLayout> layout) {
        if (layout) layout_ = std::move(layout);
    }

    std::uint32_t scanCodeOfVirtualKey(std::uint32_t virtualKey) const override {
        return layout_->scanCodeOfVirtualKey(virtualKey);
    }
    std::uint32_t virtualKeyOfScanCode(std::uint32_t scanCode) const override {
        return layout_->virtualKeyOfScanCode(scanCode);
    }
    std::u16string characterOfVirtualKey(std::uint32_t virtualKey) const override {
        return layout_->characterOfVirtualKey(virtualKey);
    }

  private:
    std::unique_ptr<KeyboardLayout> layout_;
};

}  // namespace velor
