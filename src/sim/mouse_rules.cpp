#include "sim/mouse_rules.h"

#include <algorithm>
#include <array>

namespace velor::sim {

namespace {

// The mouse keeps its own copy of these tables on purpose: a table shared
// with the report builders would agree with their faults.
// The codes the reference sensor knows, one per 100 DPI (200 DPI above 5000).
constexpr std::array<std::uint8_t, 51> kReferenceSensorCodes = {
    0,  4,  4,  6,  8,  11, 13, 15, 18, 20, 22,  25,  27,  29,  32,  34,  36,
    39, 41, 43, 46, 48, 50, 52, 55, 57, 59, 62,  64,  66,  69,  71,  73,  76,
    78, 80, 83, 85, 87, 90, 92, 94, 97, 99, 101, 104, 106, 108, 111, 113, 115};
// The lowest code of the reference sensor's high range (5100 DPI).
constexpr std::uint8_t kReferenceHighRangeFrom = 57;
// Above 10000 DPI the table sensor takes the code of half the DPI: 10100 to
// 12000 DPI give these codes with range byte 1.
constexpr std::uint8_t kTableHighFrom = 118;
constexpr std::uint8_t kTableHighTo = 141;
// The offset sensor counts 50 DPI steps from code 0 up to 10000 DPI, then
// 100 DPI steps from code 100 (10100 DPI).
constexpr std::uint8_t kOffsetLowTo = 199;
constexpr std::uint8_t kOffsetHighFrom = 100;

// Buttons functions taking no argument: the first byte alone says what the
// button does.
constexpr std::uint8_t kPlainFunctions[] = {
    0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E,
    0x0F, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x20,
    0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x28, 0x2B, 0x34, 0x35, 0x36, 0x3C};
constexpr std::uint8_t kKeyCombination = 0x11;
constexpr std::uint8_t kPlayMacro = 0x12;
constexpr std::array<std::uint8_t, 3> kNothing = {0, 0, 0};
constexpr std::array<std::uint8_t, 3> kEasyAim = {0x10, 0x00, 0x03};
constexpr std::array<std::uint8_t, 3> kLedLoop = {0x29, 0x00, 0x03};

constexpr std::uint8_t kLongDelayKey = 0x03;
// A delay is split only above 1270 ms, so its count of 200 ms is at least 6.
constexpr std::uint8_t kLeastLongDelayCount = 6;

bool referenceLevelsAllowed(std::span<const std::uint8_t> b) {
    // The reference report leaves its header empty and sends both axes alike.
    if (b[3] != 0 || b[4] != 0 || b[6] != b[7]) return false;
    for (std::size_t i = 0; i < kDpiLevels; ++i) {
        const std::uint8_t code = b[8 + i];
        if (code != b[16 + i]) return false;
        if (std::find(kReferenceSensorCodes.begin(), kReferenceSensorCodes.end(), code) ==
            kReferenceSensorCodes.end())
            return false;
        if ((b[6] >> i & 1) != 0 && code < kReferenceHighRangeFrom) return false;
    }
    return true;
}

bool levelAllowed(const ModelDescriptor& model, std::uint8_t code, std::uint8_t second) {
    switch (model.dpiReport) {
        case DpiReportVariant::Table:
            return second == 0 || (second == 1 && code >= kTableHighFrom && code <= kTableHighTo);
        case DpiReportVariant::Wide:
            // The level value less one, low byte first, up to the model's top DPI.
            return (code | second << 8) <= model.dpiMax / 50 - 1;
        case DpiReportVariant::Offset:
            return (second == 0 && code <= kOffsetLowTo) ||
                   (second == 1 && code >= kOffsetHighFrom &&
                    code <= (model.dpiMax - 10000) / 100 + 200 - 101);
        case DpiReportVariant::Reference:
            break;
    }
    return false;
}

}  // namespace

bool dpiLevelsAllowed(const ModelDescriptor& model, std::span<const std::uint8_t> b) {
    switch (model.dpiReport) {
        case DpiReportVariant::Reference:
            return referenceLevelsAllowed(b);
        case DpiReportVariant::Table:
            if (b[6] != 0 || b[7] != 0) return false;
            break;
        case DpiReportVariant::Offset:
            if (b[7] != 0) return false;
            break;
        case DpiReportVariant::Wide:
            break;
    }
    for (std::size_t i = 0; i < kDpiLevels; ++i)
        if (!levelAllowed(model, b[8 + i], b[16 + i])) return false;
    return true;
}

bool lightingAllowed(const ModelDescriptor& model, std::span<const std::uint8_t> b) {
    // Only the steady and the breathing effects take a brightness; the
    // others carry 8 in its place.
    const int mode = b[3] >> 4;
    if (mode != 1 && mode != 9 && (b[5] & 0x0F) != 8) return false;
    // The classic firmware keeps no timer in the nibbles.
    if (model.lightingLayout == LightingLayout::Classic && ((b[4] | b[5]) & 0xF0) != 0)
        return false;
    return true;
}

bool pollingCodeAllowed(const ModelDescriptor& model, std::uint8_t code) {
    static constexpr std::uint8_t kFourRates[] = {0x08, 0x04, 0x02, 0x01};
    static constexpr std::uint8_t kSevenRates[] = {0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x40};
    switch (model.pollingOptions) {
        case PollingOptions::FourRates:
            return std::ranges::find(kFourRates, code) != std::end(kFourRates);
        case PollingOptions::SevenRates:
            return std::ranges::find(kSevenRates, code) != std::end(kSevenRates);
        case PollingOptions::TwoSettings: {
            // One more than each setting: seven fast rates high, four rates low.
            const int fast = code >> 4, rate = code & 0x0F;
            return fast >= 1 && fast <= 7 && rate >= 1 && rate <= 4;
        }
    }
    return false;
}

bool buttonEntryAllowed(std::span<const std::uint8_t, 3> e, int button) {
    const std::array<std::uint8_t, 3> entry = {e[0], e[1], e[2]};
    if (entry[0] == kKeyCombination) return true;  // any modifiers and key
    if (entry[0] == kPlayMacro) return entry[1] == 0 && entry[2] == button;
    if (entry == kNothing || entry == kEasyAim || entry == kLedLoop) return true;
    return entry[1] == 0 && entry[2] == 0 &&
           std::ranges::find(kPlainFunctions, entry[0]) != std::end(kPlainFunctions);
}

bool macroEntriesAllowed(std::span<const std::uint8_t> entries) {
    bool afterAction = false;
    for (std::size_t i = 0; i + 1 < entries.size(); i += 2) {
        const std::uint8_t timing = entries[i], key = entries[i + 1];
        if ((timing & 0x01) != 0) {
            afterAction = true;
            continue;
        }
        if (!afterAction || key != kLongDelayKey || timing < kLeastLongDelayCount) return false;
        afterAction = false;
    }
    return true;
}

}  // namespace velor::sim
