// A view of one 1272-byte button slot inside a profile record: the button's
// function, its key combination and the embedded copy of an assigned macro.
#pragma once

#include <cassert>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <type_traits>

#include "profile/macro_action.h"
#include "profile/record_layout.h"
#include "util/utf16.h"

namespace velor {

template <typename Byte>
class BasicButtonSlot {
    static constexpr bool kMutable = !std::is_const_v<Byte>;

  public:
    explicit BasicButtonSlot(std::span<Byte, kButtonSlotSize> bytes) : bytes_(bytes) {}
    // A mutable view reads as a const one.
    // (A template, so that it never stands in for the copy constructor.)
    template <typename Other>
    requires(!kMutable && std::is_same_v<Other, std::uint8_t>)
        BasicButtonSlot(const BasicButtonSlot<Other>& other)
        : bytes_(other.bytes()) {}

    std::int64_t get(SlotField f) const { return readField(constBytes(), fieldOf(f)); }
    void set(SlotField f, std::int64_t value) const requires kMutable {
        writeField(std::span<std::uint8_t>(bytes_), fieldOf(f), value);
    }

    std::uint8_t function() const { return static_cast<std::uint8_t>(get(SlotField::function)); }
    std::uint8_t keyCode() const { return static_cast<std::uint8_t>(get(SlotField::keyCode)); }
    std::uint8_t modifiers() const { return static_cast<std::uint8_t>(get(SlotField::modifiers)); }
    std::int32_t macroRepeatMode() const {
        return static_cast<std::int32_t>(get(SlotField::macroRepeatMode));
    }
    std::int32_t macroLoopTimes() const {
        return static_cast<std::int32_t>(get(SlotField::macroLoopTimes));
    }
    std::uint16_t macroActionCount() const {
        return static_cast<std::uint16_t>(get(SlotField::macroActionCount));
    }
    std::int32_t macroIndex() const {
        return static_cast<std::int32_t>(get(SlotField::macroIndex));
    }
    std::uint32_t macroExtra() const {
        return static_cast<std::uint32_t>(get(SlotField::macroExtra));
    }

    // nullopt when the name array holds no terminator.
    std::optional<std::u16string> macroName() const {
        return readFixedUtf16(fieldBytes(constBytes(), fieldOf(SlotField::macroName)));
    }
    void setMacroName(std::u16string_view name) const requires kMutable {
        writeFixedUtf16(fieldBytes(std::span<std::uint8_t>(bytes_), fieldOf(SlotField::macroName)),
                        name);
    }

    // Entry i (0..45) of the embedded action block, whatever macroActionCount says.
    MacroAction action(int i) const { return MacroAction::read(actionBytes(constBytes(), i)); }
    void setAction(int i, const MacroAction& a) const requires kMutable {
        a.write(actionBytes(std::span<std::uint8_t>(bytes_), i));
    }

    // The 184 bytes of the embedded action block.
    std::span<Byte> macroActionBytes() const {
        const auto& f = fieldOf(SlotField::macroActions);
        return std::span<Byte>(bytes_).subspan(f.offset, f.size());
    }

    std::span<Byte, kButtonSlotSize> bytes() const { return bytes_; }

  private:
    static const FieldSpec<SlotField>& fieldOf(SlotField f) { return *buttonSlotLayout().find(f); }
    std::span<const std::uint8_t> constBytes() const { return bytes_; }

    template <typename B>
    static std::span<B, MacroAction::kSize> actionBytes(std::span<B> slot, int i) {
        assert(i >= 0 && i < kMacroActionCapacity);
        const auto& f = fieldOf(SlotField::macroActions);
        return slot.subspan(f.offset + MacroAction::kSize * static_cast<std::size_t>(i))
            .template first<MacroAction::kSize>();
    }

    std::span<Byte, kButtonSlotSize> bytes_;
};

using ButtonSlot = BasicButtonSlot<std::uint8_t>;
using ConstButtonSlot = BasicButtonSlot<const std::uint8_t>;

}  // namespace velor
