#include "protocol/report_builders.h"

#include <algorithm>

#include "profile/function_table.h"
#include "protocol/sensor_codes.h"

namespace velor {

namespace {

constexpr std::size_t kOpeningLength = 10;
constexpr std::size_t kDpiLength = 56;
constexpr std::size_t kLightingLength = 15;
constexpr std::size_t kPollingLength = 9;
constexpr std::size_t kButtonsLength = 59;

// Macro report: header up to byte 28 (entry count), entries from byte 29,
// checksum in the last two bytes.
constexpr std::size_t kMacroCountAt = 28;
constexpr std::size_t kMacroEntriesAt = 29;
// A delay above this is split into a remainder entry and a 200 ms count entry.
constexpr int kLongDelayAbove = 1270;
constexpr int kLongDelayStep = 200;
constexpr std::uint8_t kLongDelayMarker = 0x03;
constexpr std::uint8_t kKeyDownFlag = 0x01;
constexpr std::uint8_t kKeyUpFlag = 0x81;

Report frame(std::uint8_t command, std::size_t length, std::uint8_t third = 0x01) {
    Report r;
    r.length = length;
    r.buffer[0] = command;
    r.buffer[1] = static_cast<std::uint8_t>(length);
    r.buffer[2] = third;
    return r;
}

std::uint8_t low8(std::int64_t v) {
    return static_cast<std::uint8_t>(v);
}

void putRgb(Report& r, std::size_t at, std::uint32_t colour) {
    r.buffer[at] = low8(colour);            // red
    r.buffer[at + 1] = low8(colour >> 8);   // green
    r.buffer[at + 2] = low8(colour >> 16);  // blue
}

// Timing units of 10 ms, rounded; a zero delay still counts as 1 ms.
std::uint8_t timing(int ms) {
    return static_cast<std::uint8_t>((std::max(ms, 1) + 5) / 10);
}

int entriesFor(const MacroAction& a) {
    return a.delay > kLongDelayAbove ? 2 : 1;
}

int carriedActionCount(ConstButtonSlot slot) {
    return std::min<int>(slot.macroActionCount(), kMacroActionCapacity);
}

}  // namespace

Report buildOpening() {
    Report r = frame(command::kOpening, kOpeningLength);
    r.buffer[3] = 0xFE;
    r.buffer[4] = 0x01;
    r.buffer[5] = 0xFE;
    return r;
}

namespace {

// Header bytes 3, 4, 6, 7 and the two bytes of each level, by the slot's
// variant. The reference variant has its own sensor table and range mask.
void fillDpiLevels(const ProfileRecord& record, Report& r) {
    const DpiReportVariant variant = modelOf(record).dpiReport;
    if (variant == DpiReportVariant::Reference) {
        std::uint8_t highRange = 0;
        for (std::uint32_t i = 0; i < kDpiLevels; ++i) {
            const SensorCode code = sensorCode(record.i32(Field::dpiX, i));
            if (code.highRange) highRange |= static_cast<std::uint8_t>(1u << i);
            // The sensor has two axes; both take dpiX.
            r.buffer[8 + i] = code.code;
            r.buffer[16 + i] = code.code;
        }
        r.buffer[6] = highRange;
        r.buffer[7] = highRange;
        return;
    }
    const auto option = [&](Field f) { return low8(record.get(f)); };
    switch (variant) {
        case DpiReportVariant::Table:
            r.buffer[3] = option(Field::angleSnap);
            r.buffer[4] = option(Field::rippleControl);
            break;
        case DpiReportVariant::Wide:
            r.buffer[3] = option(Field::liftOffDistance);
            r.buffer[4] = option(Field::rippleControl);
            r.buffer[6] = option(Field::angleSnap);
            r.buffer[7] = option(Field::motionSync);
            break;
        case DpiReportVariant::Offset:
            r.buffer[3] = option(Field::liftOffDistance);
            r.buffer[4] = option(Field::rippleControl);
            r.buffer[6] = option(Field::angleSnap);
            break;
        case DpiReportVariant::Reference:
            break;
    }
    for (std::uint32_t i = 0; i < kDpiLevels; ++i) {
        const std::int32_t v = record.i32(Field::dpiX, i);
        if (v <= 0) continue;  // an empty level sends 0 and 0
        std::uint8_t code = 0, second = 0;
        switch (variant) {
            case DpiReportVariant::Table:
                code = tableSensorCode(low8(v));
                second = low8(v) > 200 ? 1 : 0;
                break;
            case DpiReportVariant::Wide: {
                const auto u = static_cast<std::uint32_t>(v - 1);
                code = low8(u);
                second = low8(u >> 8);
                break;
            }
            case DpiReportVariant::Offset:
                code = low8(v <= 200 ? v - 1 : v - 101);
                second = v <= 200 ? 0 : 1;
                break;
            case DpiReportVariant::Reference:
                break;
        }
        r.buffer[8 + i] = code;
        r.buffer[16 + i] = second;
    }
}

}  // namespace

Report buildDpi(const ProfileRecord& record) {
    Report r = frame(command::kDpi, kDpiLength);
    std::uint8_t enabled = 0;
    for (std::uint32_t i = 0; i < kDpiLevels; ++i) {
        if (record.get(Field::dpiEnabled, i) == 1) enabled |= static_cast<std::uint8_t>(1u << i);
        putRgb(r, 25 + 3 * i, static_cast<std::uint32_t>(record.get(Field::dpiColour, i)));
    }
    r.buffer[5] = enabled;
    fillDpiLevels(record, r);
    r.buffer[24] = low8(record.get(Field::dpiLevel) + 1);
    r.buffer[49] = 0x03;
    storeChecksum(r, 3, 49, 50);
    return r;
}

std::array<std::uint8_t, 4> lightingBytes(const ProfileRecord& record) {
    const std::int64_t mode = record.get(Field::lightMode);
    const std::int64_t brightness = (mode == 1 || mode == 9) ? record.get(Field::brightness) : 8;
    const std::int64_t speed = 9 - record.get(Field::breathSpeed);
    const std::int64_t debounce = record.get(Field::keyDebounce);
    const std::int64_t sleep = record.get(Field::sleepTimer);
    // The field beside the sleep timer: lightParam, or the light-off timer on
    // the slots that have one.
    const std::int64_t other = record.has(Field::lightOffTimer) ? record.get(Field::lightOffTimer)
                                                                : record.get(Field::lightParam);
    switch (modelOf(record).lightingLayout) {
        case LightingLayout::Reference:
        case LightingLayout::Long:
            return {low8((sleep & 0xF0) | speed), low8((sleep << 4) | brightness), low8(other),
                    low8(debounce)};
        case LightingLayout::Swapped:
            return {low8((other & 0xF0) | speed), low8((other << 4) | brightness), low8(sleep),
                    low8(debounce)};
        case LightingLayout::Classic:
            return {low8(speed), low8(brightness), low8(sleep + 1), low8(debounce)};
    }
    return {};
}

Report buildLighting(const ProfileRecord& record) {
    Report r = frame(command::kLighting, kLightingLength);
    const auto bytes = lightingBytes(record);
    r.buffer[3] = low8(record.get(Field::lightMode) << 4);
    r.buffer[4] = bytes[0];
    r.buffer[5] = bytes[1];
    putRgb(r, 6, static_cast<std::uint32_t>(record.get(Field::lightColour)));
    r.buffer[9] = bytes[2];
    r.buffer[10] = bytes[3];
    storeChecksum(r, 3, 10, 11);
    return r;
}

std::uint8_t pollingCode(const ProfileRecord& record) {
    static constexpr std::uint8_t kFourRates[] = {0x08, 0x04, 0x02, 0x01};
    static constexpr std::uint8_t kSevenRates[] = {0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x40};
    constexpr std::uint8_t kOutOfRange = 0x02;
    const std::int64_t rate = record.get(Field::pollingRate);
    const auto pick = [&](std::span<const std::uint8_t> codes) {
        return rate >= 0 && rate < static_cast<std::int64_t>(codes.size())
                   ? codes[static_cast<std::size_t>(rate)]
                   : kOutOfRange;
    };
    switch (modelOf(record).pollingOptions) {
        case PollingOptions::FourRates:
            return pick(kFourRates);
        case PollingOptions::SevenRates:
            return pick(kSevenRates);
        case PollingOptions::TwoSettings:
            return low8(((record.get(Field::pollingRateHs) + 1) << 4) | (rate + 1));
    }
    return kOutOfRange;
}

Report buildPolling(const ProfileRecord& record) {
    Report r = frame(command::kPolling, kPollingLength);
    const std::uint8_t code = pollingCode(record);
    r.buffer[3] = code;
    r.buffer[4] = static_cast<std::uint8_t>(~code);
    return r;
}

Report buildButtons(const ProfileRecord& record) {
    Report r = frame(command::kButtons, kButtonsLength);
    for (int k = 0; k < kButtonCount; ++k) {
        const ConstButtonSlot slot = record.button(k);
        const std::size_t at = 3 + 3 * static_cast<std::size_t>(k);
        std::array<std::uint8_t, 3> entry{};
        if (const FunctionInfo* f = functionInfo(slot.function())) entry = f->deviceBytes;
        if (slot.function() == function::kKeyboard) {
            entry[1] = slot.modifiers();
            entry[2] = slot.keyCode();
        } else if (slot.function() == function::kMacro) {
            entry[1] = 0;
            entry[2] = static_cast<std::uint8_t>(k + 1);
        }
        std::copy(entry.begin(), entry.end(), r.buffer.begin() + static_cast<std::ptrdiff_t>(at));
    }
    storeChecksum(r, 3, 56, 57);
    return r;
}

int macroEntryCapacity(const ModelDescriptor& model) {
    // Entries run from byte 29 up to the two checksum bytes.
    return (model.macroReportLength - static_cast<int>(kMacroEntriesAt) - 2) / 2;
}

MacroFit macroFit(ConstButtonSlot slot, int entryCapacity) {
    MacroFit fit;
    const int count = carriedActionCount(slot);
    for (; fit.actions < count; ++fit.actions) {
        const int needed = entriesFor(slot.action(fit.actions));
        // Cut between actions only: half of a long delay would change its length.
        if (fit.entries + needed > entryCapacity) break;
        fit.entries += needed;
    }
    fit.droppedActions = count - fit.actions;
    return fit;
}

Report buildMacro(const ProfileRecord& record, int button) {
    const auto length = static_cast<std::size_t>(modelOf(record).macroReportLength);
    Report r = frame(command::kMacro, length, static_cast<std::uint8_t>(button));
    const ConstButtonSlot slot = record.button(button - 1);
    r.buffer[3] = low8(slot.macroRepeatMode());
    const std::uint8_t extra = low8(slot.macroExtra());
    r.buffer[4] = r.buffer[5] = r.buffer[6] = extra;
    r.buffer[7] = slot.macroLoopTimes() == 0 ? 1 : low8(slot.macroLoopTimes());

    const MacroFit fit = macroFit(slot, macroEntryCapacity(modelOf(record)));
    r.buffer[kMacroCountAt] = static_cast<std::uint8_t>(fit.entries);
    std::size_t at = kMacroEntriesAt;
    for (int i = 0; i < fit.actions; ++i) {
        const MacroAction a = slot.action(i);
        const std::uint8_t flag = a.isPress() ? kKeyDownFlag : kKeyUpFlag;
        if (a.delay <= kLongDelayAbove) {
            r.buffer[at++] = timing(a.delay) | flag;
            r.buffer[at++] = a.code;
        } else {
            r.buffer[at++] = timing(a.delay % kLongDelayStep) | flag;
            r.buffer[at++] = a.code;
            // The count byte cannot say more than 255 x 200 ms; a longer delay
            // is held at that rather than wrapping round to a short one.
            r.buffer[at++] = static_cast<std::uint8_t>(std::min(a.delay / kLongDelayStep, 255));
            r.buffer[at++] = kLongDelayMarker;
        }
    }
    storeChecksum(r, 3, length - 3, length - 2);
    return r;
}

std::array<MacroChunk, 3> splitMacro(const Report& macro, bool wireless) {
    constexpr std::size_t kPayload = 60;
    std::array<MacroChunk, 3> chunks{};
    for (std::size_t n = 0; n < chunks.size(); ++n) {
        MacroChunk& c = chunks[n];
        c[0] = command::kMacro;
        c[1] = (wireless && n == 2) ? 0x0C : 0x40;
        c[2] = macro.buffer[2];
        c[3] = static_cast<std::uint8_t>(n);
        // Report bytes 3 + 60n onwards; the buffer is zero past the report's end.
        const auto from = macro.buffer.begin() + static_cast<std::ptrdiff_t>(3 + kPayload * n);
        std::copy(from, from + kPayload, c.begin() + 4);
    }
    return chunks;
}

const ModelDescriptor& modelOf(const ProfileRecord& record) {
    return *descriptorFor(record.type().slot);
}

}  // namespace velor
