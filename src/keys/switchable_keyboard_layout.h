// A keyboard layout that can be replaced while everything keeps pointing at
// it: the session's layout may change under the running program. Reading a
// layout compiles the whole keymap, so a layout handed over as a source is
// read at its first lookup, not at start. Lookups and replacements happen on
// the UI thread.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "keys/key_tables.h"

namespace velor {

class SwitchableKeyboardLayout final : public KeyboardLayout {
  public:
    // Makes a layout; nullptr when it cannot.
    using Source = std::function<std::unique_ptr<KeyboardLayout>()>;

    explicit SwitchableKeyboardLayout(std::unique_ptr<KeyboardLayout> layout)
        : layout_(std::move(layout)) {}
    explicit SwitchableKeyboardLayout(Source source) : source_(std::move(source)) {}

    void replace(std::unique_ptr<KeyboardLayout> layout) {
        if (!layout) return;
        layout_ = std::move(layout);
        source_ = nullptr;
    }
    // Read at the next lookup; when it makes none, the layout before it stays
    // (read from its own source if that was not done yet).
    void replaceLater(Source source) {
        source_ = [next = std::move(source), before = std::move(source_)] {
            auto made = next();
            return made || !before ? std::move(made) : before();
        };
    }

    std::uint32_t scanCodeOfVirtualKey(std::uint32_t virtualKey) const override {
        return layout().scanCodeOfVirtualKey(virtualKey);
    }
    std::uint32_t virtualKeyOfScanCode(std::uint32_t scanCode) const override {
        return layout().virtualKeyOfScanCode(scanCode);
    }
    std::u16string characterOfVirtualKey(std::uint32_t virtualKey) const override {
        return layout().characterOfVirtualKey(virtualKey);
    }

  private:
    const KeyboardLayout& layout() const {
        if (source_)
            if (auto made = std::exchange(source_, nullptr)()) layout_ = std::move(made);
        if (!layout_) layout_ = std::make_unique<UsKeyboardLayout>();
        return *layout_;
    }

    mutable std::unique_ptr<KeyboardLayout> layout_;
    mutable Source source_;
};

}  // namespace velor
