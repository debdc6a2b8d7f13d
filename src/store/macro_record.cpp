#include "store/macro_record.h"

#include <algorithm>
#include <cassert>

#include "profile/record_layout.h"
#include "util/utf16.h"

namespace velor {

namespace {

using F = FieldSpec<MacroField>;
constexpr F kMacroFields[] = {
    {MacroField::name, "name", 0, FieldType::Utf16, kMacroNameUnits},
    {MacroField::loopTimes, "loopTimes", 48, FieldType::I32},
    {MacroField::actionCount, "actionCount", 52, FieldType::I32},
    {MacroField::actions, "actions", 56, FieldType::Block, kMacroActionCapacity,
     MacroAction::kSize},
};
constexpr Layout<MacroField> kMacroLayout{kMacroRecordSize, kMacroFields};
static_assert(kMacroFields[3].offset + kMacroFields[3].size() == kMacroRecordSize);

const F& fieldOf(MacroField f) {
    return *kMacroLayout.find(f);
}

constexpr int kLongDelaySlotsAbove = 1280;
constexpr int kSlotLimit = 48;

}  // namespace

const Layout<MacroField>& macroRecordLayout() {
    return kMacroLayout;
}

std::optional<MacroRecord> MacroRecord::fromBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kMacroRecordSize) return std::nullopt;
    MacroRecord r;
    std::copy(bytes.begin(), bytes.end(), r.bytes_.begin());
    return r;
}

MacroRecord MacroRecord::named(std::u16string_view name) {
    MacroRecord r;
    r.setName(name);
    return r;
}

std::optional<std::u16string> MacroRecord::name() const {
    return readFixedUtf16(fieldBytes(bytes(), fieldOf(MacroField::name)));
}

void MacroRecord::setName(std::u16string_view name) {
    writeFixedUtf16(fieldBytes(std::span<std::uint8_t>(bytes_), fieldOf(MacroField::name)), name);
}

void MacroRecord::terminateName() {
    const F& name = fieldOf(MacroField::name);
    writeField(std::span<std::uint8_t>(bytes_), name, 0, name.count - 1);
}

std::int32_t MacroRecord::loopTimes() const {
    return static_cast<std::int32_t>(readField(bytes(), fieldOf(MacroField::loopTimes)));
}

void MacroRecord::setLoopTimes(std::int32_t times) {
    writeField(std::span<std::uint8_t>(bytes_), fieldOf(MacroField::loopTimes), times);
}

std::int32_t MacroRecord::actionCount() const {
    return static_cast<std::int32_t>(readField(bytes(), fieldOf(MacroField::actionCount)));
}

void MacroRecord::setActionCount(std::int32_t count) {
    writeField(std::span<std::uint8_t>(bytes_), fieldOf(MacroField::actionCount), count);
}

std::span<const std::uint8_t> MacroRecord::actionBytes() const {
    return fieldBytes(bytes(), fieldOf(MacroField::actions));
}

std::span<std::uint8_t> MacroRecord::actionBytes() {
    return fieldBytes(std::span<std::uint8_t>(bytes_), fieldOf(MacroField::actions));
}

MacroAction MacroRecord::action(int i) const {
    assert(i >= 0 && i < kMacroActionCapacity);
    return MacroAction::read(actionBytes()
                                 .subspan(MacroAction::kSize * static_cast<std::size_t>(i))
                                 .first<MacroAction::kSize>());
}

void MacroRecord::setAction(int i, const MacroAction& action) {
    assert(i >= 0 && i < kMacroActionCapacity);
    action.write(actionBytes()
                     .subspan(MacroAction::kSize * static_cast<std::size_t>(i))
                     .first<MacroAction::kSize>());
}

void copyMacroIntoSlot(const MacroRecord& macro, ButtonSlot slot) {
    slot.setMacroName(macro.name().value_or(u""));
    slot.set(SlotField::macroActionCount, macro.actionCount() & 0xFFFF);
    std::copy(macro.actionBytes().begin(), macro.actionBytes().end(),
              slot.macroActionBytes().begin());
}

MacroRecord macroFromSlot(ConstButtonSlot slot, std::u16string_view name) {
    MacroRecord macro = MacroRecord::named(name);
    macro.setLoopTimes(slot.macroLoopTimes());
    macro.setActionCount(slot.macroActionCount());
    std::copy(slot.macroActionBytes().begin(), slot.macroActionBytes().end(),
              macro.actionBytes().begin());
    return macro;
}

int macroSlotCount(std::span<const MacroAction> actions) {
    int slots = 0;
    for (const MacroAction& a : actions) slots += a.delay > kLongDelaySlotsAbove ? 2 : 1;
    return slots;
}

std::optional<std::string> macroTooLong(std::span<const MacroAction> actions) {
    if (macroFitsTheMouse(actions)) return std::nullopt;
    return "the macro " + std::string(kMacroTooLong) + " (" +
           std::to_string(macroSlotCount(actions)) + " of at most " +
           std::to_string(kSlotLimit - 1) + ")";
}

bool macroFitsTheMouse(std::span<const MacroAction> actions) {
    return actions.size() <= static_cast<std::size_t>(kMacroActionCapacity) &&
           macroSlotCount(actions) < kSlotLimit;
}

}  // namespace velor
