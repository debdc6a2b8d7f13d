#include "profile/record_defaults.h"

#include <algorithm>

namespace velor {

namespace {

constexpr std::int32_t kDefaultDpiLevel = 1;  // level 2, 0-based

void setArray(ProfileRecord& record, Field f, std::span<const std::int32_t> values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        record.set(f, values[i], static_cast<std::uint32_t>(i));
}

void setArray(ProfileRecord& record, Field f, std::span<const std::uint32_t> values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        record.set(f, values[i], static_cast<std::uint32_t>(i));
}

}  // namespace

void setDefaults(ProfileRecord& record) {
    const RecordDefaults& d = record.type().defaults;
    record.clearText(Field::text1);
    record.clearText(Field::text2);
    record.set(Field::sensorOption0, 0);
    record.set(Field::liftOffDistance, 0);
    record.set(Field::sensorOption1, 0);
    record.set(Field::pollingRate, d.pollingRate);
    record.set(Field::pollingRateHs, d.pollingRateHs);
    record.set(Field::dpiLevel, kDefaultDpiLevel);
    setArray(record, Field::dpiX, d.dpi);
    setArray(record, Field::dpiY, d.dpi);
    setArray(record, Field::dpiEnabled, kDefaultDpiEnabled);
    setArray(record, Field::dpiColour, kDefaultDpiColours);
    record.set(Field::reserved2208, 0);
    record.set(Field::reserved2204, 3);
    record.set(Field::reserved2200, 420);
    record.set(Field::reserved2212, 6);
    record.set(Field::lightColour, 0x00FF0000);
    setArray(record, Field::spareColour, kDefaultSpareColours);
    record.set(Field::reserved2388, 1);
    record.set(Field::lightMode, d.lightMode);
    record.set(Field::lightOption, 3);
    record.set(Field::brightness, 8);
    record.set(Field::keyDebounce, 3);
    record.set(Field::breathSpeed, 6);
    record.set(Field::sleepTimer, 10);
    record.set(Field::lightParam, 2);
    // Where the light-off timer takes lightParam's place it takes its default
    // too: otherwise the light-off nibble of the lighting report stays 0.
    record.set(Field::lightOffTimer, 2);
    record.set(Field::rippleControl, 0);
    record.set(Field::angleSnap, 0);
    record.set(Field::motionSync, d.motionSync);

    const auto& buttons = *record.layout().find(Field::buttons);
    const auto area = fieldBytes(record.bytes(), buttons);
    std::fill(area.begin(), area.end(), 0);
    for (int k = 0; k < kButtonCount; ++k) {
        ButtonSlot slot = record.button(k);
        slot.set(SlotField::slotIndex, k);
        slot.set(SlotField::function, kDefaultButtonFunctions[static_cast<std::size_t>(k)]);
        slot.set(SlotField::slotReserved2, 0);
        slot.set(SlotField::macroIndex, -1);
        slot.set(SlotField::slotReserved1076, -1);
        slot.set(SlotField::slotReserved8, 562);
    }
}

ProfileRecord newRecord(const RecordType& type, std::u16string_view name) {
    ProfileRecord record(type);
    setDefaults(record);
    record.setName(name);
    return record;
}

void resetDpi(ProfileRecord& record) {
    const RecordDefaults& d = record.type().defaults;
    record.set(Field::dpiLevel, kDefaultDpiLevel);
    setArray(record, Field::dpiX, d.dpi);
    setArray(record, Field::dpiY, d.dpi);
    setArray(record, Field::dpiEnabled, kDefaultDpiEnabled);
    setArray(record, Field::dpiColour, kDefaultDpiColours);
}

void clearMacroSlot(ButtonSlot slot, int k) {
    std::fill(slot.bytes().begin(), slot.bytes().end(), 0);
    slot.set(SlotField::function, kDefaultButtonFunctions[static_cast<std::size_t>(k)]);
    slot.set(SlotField::macroIndex, -1);
}

}  // namespace velor
