#include "profile/record_layout.h"

#include <algorithm>
#include <vector>

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

// Another shape as the reference with some rows moved, taken out or added.
struct ShapeChange {
    std::vector<std::pair<Field, std::uint32_t>> moved;
    std::vector<Field> removed;
    std::vector<F> added;
};

std::vector<F> derive(const ShapeChange& change) {
    std::vector<F> fields;
    for (F f : kReferenceFields) {
        if (std::find(change.removed.begin(), change.removed.end(), f.id) != change.removed.end())
            continue;
        for (const auto& [id, offset] : change.moved)
            if (id == f.id) f.offset = offset;
        fields.push_back(f);
    }
    fields.insert(fields.end(), change.added.begin(), change.added.end());
    return fields;
}

// Every field from dpiLevel on sits 4 bytes lower; no lightParam.
const std::vector<F> kShortFields = derive({{{Field::sleepTimer, 2348},
                                             {Field::dpiLevel, 2352},
                                             {Field::pollingRate, 2356},
                                             {Field::moveMode, 2360},
                                             {Field::rippleControl, 2364},
                                             {Field::angleSnap, 2368},
                                             {Field::motionSync, 2372},
                                             {Field::lightMode, 2376},
                                             {Field::lightOption, 2380},
                                             {Field::reserved2388, 2384},
                                             {Field::keyDebounce, 2388},
                                             {Field::lightColour, 2392},
                                             {Field::dpiColour, 2396},
                                             {Field::spareColour, 2428},
                                             {Field::buttons, 2460}},
                                            {Field::lightParam},
                                            {}});
const std::vector<F> kSwappedFields =
    derive({{{Field::sleepTimer, 2348}, {Field::lightParam, 2352}}, {}, {}});
const std::vector<F> kSwappedLightOffFields =
    derive({{{Field::sleepTimer, 2348}},
            {Field::lightParam},
            {{Field::lightOffTimer, "lightOffTimer", 2352, T::I32}}});
// As swapped, plus pollingRateHs; every field from moveMode on 4 bytes higher.
const std::vector<F> kLongFields =
    derive({{{Field::sleepTimer, 2348},
             {Field::lightParam, 2352},
             {Field::moveMode, 2368},
             {Field::rippleControl, 2372},
             {Field::angleSnap, 2376},
             {Field::motionSync, 2380},
             {Field::lightMode, 2384},
             {Field::lightOption, 2388},
             {Field::reserved2388, 2392},
             {Field::keyDebounce, 2396},
             {Field::lightColour, 2400},
             {Field::dpiColour, 2404},
             {Field::spareColour, 2436},
             {Field::buttons, 2468}},
            {},
            {{Field::pollingRateHs, "pollingRateHs", 2364, T::I32}}});

const RecordLayout kShortLayout{32988, kShortFields};
const RecordLayout kSwappedLayout{32992, kSwappedFields};
const RecordLayout kSwappedLightOffLayout{32992, kSwappedLightOffFields};
const RecordLayout kLongLayout{32996, kLongFields};

}  // namespace

const RecordLayout& referenceRecordLayout() {
    return kReferenceLayout;
}
const RecordLayout& shortRecordLayout() {
    return kShortLayout;
}
const RecordLayout& swappedRecordLayout() {
    return kSwappedLayout;
}
const RecordLayout& swappedLightOffRecordLayout() {
    return kSwappedLightOffLayout;
}
const RecordLayout& longRecordLayout() {
    return kLongLayout;
}
const SlotLayout& buttonSlotLayout() {
    return kSlotLayout;
}

}  // namespace velor
