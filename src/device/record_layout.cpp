#include "device/record_layout.h"

namespace velor {

namespace {

using F = FieldSpec<Field>;
using S = FieldSpec<SlotField>;
using T = FieldType;

// Offsets are a file format: profile stores and profile files hold these bytes.
// Bytes no row covers (2209-2211, 2216-2223, 2236-2243, 2389-2391) are kept as found.
constexpr F kReferenceFields[] = {
    {Field::name, "name", 0, T::Utf16, kProfileNameUnits},
    {Field::text1, "text1", 200, T::Utf16, 500},
    {Field::text2, "text2", 1200, T::Utf16, 500},
    {Field::reserved2200, "reserved2200", 2200, T::U32},
    {Field::reserved2204, "reserved2204", 2204, T::U32},
    {Field::reserved2208, "reserved2208", 2208, T::U8},
    {Field::reserved2212, "reserved2212", 2212, T::U32},
    {Field::sensorOption0, "sensorOption0", 2224, T::I32},
    {Field::liftOffDistance, "liftOffDistance", 2228, T::I32},
    {Field::sensorOption1, "sensorOption1", 2232, T::I32},
    {Field::dpiX, "dpiX", 2244, T::I32, kDpiLevels},
    {Field::dpiY, "dpiY", 2276, T::I32, kDpiLevels},
    {Field::dpiEnabled, "dpiEnabled", 2308, T::I32, kDpiLevels},
    {Field::brightness, "brightness", 2340, T::I32},
    {Field::breathSpeed, "breathSpeed", 2344, T::I32},
    {Field::lightParam, "lightParam", 2348, T::I32},
    {Field::sleepTimer, "sleepTimer", 2352, T::I32},
    {Field::dpiLevel, "dpiLevel", 2356, T::I32},
    {Field::pollingRate, "pollingRate", 2360, T::I32},
    {Field::moveMode, "moveMode", 2364, T::I32},
    {Field::rippleControl, "rippleControl", 2368, T::I32},
    {Field::angleSnap, "angleSnap", 2372, T::I32},
    {Field::motionSync, "motionSync", 2376, T::I32},
    {Field::lightMode, "lightMode", 2380, T::I32},
    {Field::lightOption, "lightOption", 2384, T::I32},
    {Field::reserved2388, "reserved2388", 2388, T::U8},
    {Field::keyDebounce, "keyDebounce", 2392, T::I32},
    {Field::lightColour, "lightColour", 2396, T::Colour},
    {Field::dpiColour, "dpiColour", 2400, T::Colour, kDpiLevels},
    {Field::spareColour, "spareColour", 2432, T::Colour, kDpiLevels},
    {Field::buttons, "buttons", 2464, T::Block, kButtonSlotCount, kButtonSlotSize},
};

constexpr S kSlotFields[] = {
    {SlotField::slotIndex, "slotIndex", 0, T::U8},
    {SlotField::function, "function", 1, T::U8},
    {SlotField::slotReserved2, "slotReserved2", 2, T::U8},
    {SlotField::keyCode, "keyCode", 3, T::U8},
    {SlotField::modifiers, "modifiers", 7, T::U8},
    {SlotField::slotReserved8, "slotReserved8", 8, T::U16},
    {SlotField::macroRepeatMode, "macroRepeatMode", 12, T::I32},
    {SlotField::macroName, "macroName", 16, T::Utf16, kMacroNameUnits},
    {SlotField::macroLoopTimes, "macroLoopTimes", 64, T::I32},
    {SlotField::macroActionCount, "macroActionCount", 68, T::U16},
    {SlotField::macroIndex, "macroIndex", 1072, T::I32},
    {SlotField::slotReserved1076, "slotReserved1076", 1076, T::I32},
    {SlotField::macroExtra, "macroExtra", 1084, T::U32},
    {SlotField::macroActions, "macroActions", 1088, T::Block, kMacroActionCapacity, 4},
};

constexpr RecordLayout kReferenceLayout{32992, kReferenceFields};
constexpr SlotLayout kSlotLayout{kButtonSlotSize, kSlotFields};

static_assert(kReferenceLayout.find(Field::buttons)->offset +
                  kReferenceLayout.find(Field::buttons)->size() ==
              32992);
static_assert(kSlotLayout.find(SlotField::macroActions)->offset +
                  kSlotLayout.find(SlotField::macroActions)->size() ==
              kButtonSlotSize);

}  // namespace

const RecordLayout& referenceRecordLayout() { return kReferenceLayout; }
const SlotLayout& buttonSlotLayout() { return kSlotLayout; }

}  // namespace velor
