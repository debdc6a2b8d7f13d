// The fields of a profile record and of one button slot, and the reference
// record shape as a table. Other shapes are further tables of the same kind.
#pragma once

#include <cstdint>

#include "profile/field_layout.h"

namespace velor {

enum class Field : std::uint8_t {
    name,
    text1,
    text2,
    reserved2200,
    reserved2204,
    reserved2208,
    reserved2212,
    sensorOption0,
    liftOffDistance,
    sensorOption1,
    dpiX,
    dpiY,
    dpiEnabled,
    brightness,
    breathSpeed,
    lightParam,
    sleepTimer,
    dpiLevel,
    pollingRate,
    pollingRateHs,
    moveMode,
    rippleControl,
    angleSnap,
    motionSync,
    lightMode,
    lightOption,
    lightOffTimer,
    reserved2388,
    keyDebounce,
    lightColour,
    dpiColour,
    spareColour,
    buttons,
    kCount
};

enum class SlotField : std::uint8_t {
    slotIndex,
    function,
    slotReserved2,
    keyCode,
    modifiers,
    slotReserved8,
    macroRepeatMode,
    macroName,
    macroLoopTimes,
    macroActionCount,
    macroIndex,
    slotReserved1076,
    macroExtra,
    macroActions,
    kCount
};

using RecordLayout = Layout<Field>;
using SlotLayout = Layout<SlotField>;

inline constexpr std::uint32_t kButtonSlotSize = 1272;
inline constexpr int kButtonSlotCount = 24;  // slots 18..23 are spare and stay zero
inline constexpr int kButtonCount = 18;
inline constexpr int kDpiLevels = 8;
inline constexpr int kMacroActionCapacity = 46;
inline constexpr std::uint32_t kProfileNameUnits = 100;  // with the terminator
inline constexpr std::uint32_t kMacroNameUnits = 24;     // with the terminator

const RecordLayout& referenceRecordLayout();
// The other shapes: 4 bytes shorter without lightParam; sleep timer and
// lightParam (or lightOffTimer) swapped; and 4 bytes longer with a second
// polling rate.
const RecordLayout& shortRecordLayout();
const RecordLayout& swappedRecordLayout();
const RecordLayout& swappedLightOffRecordLayout();
const RecordLayout& longRecordLayout();
const SlotLayout& buttonSlotLayout();

}  // namespace velor
