// Everything that sets one model slot apart from another. The page, the stores
// and the main window take these values from here and nowhere else.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "profile/record_type.h"

namespace velor {

enum class DpiMapping : std::uint8_t { Linear100, Linear50, TwoSegment };
enum class PollingOptions : std::uint8_t { FourRates, SevenRates, TwoSettings };
enum class RecordShape : std::uint8_t { Reference, Short, Swapped, Long };
enum class LightingLayout : std::uint8_t { Reference, Classic, Swapped, Long };
enum class DpiReportVariant : std::uint8_t { Reference, Table, Wide, Offset };
// How a polling-rate status value is taken over: any 1..8 (reference); only
// the exact codes 1, 2, 4 and 8; the seven rate codes of the high-rate slots;
// or a nibble per receiver (low: the 2.4 GHz setting, high: the 4K one).
enum class PollingEvent : std::uint8_t { Reference, ExactCodes, SevenRateCodes, Nibbles };
// How a lighting-effect status value is taken over: 0..7 as it is, or the
// effect in the high nibble.
enum class LightingEvent : std::uint8_t { Reference, HighNibble };

struct ModelDescriptor {
    int slot;                        // 1..10
    std::string_view controlPrefix;  // "ms_<n>_"
    std::string_view dataFolder;     // "ms_<n>"
    std::string_view library;        // feature-device library, without the platform's suffix
    std::uint16_t vid;
    std::uint16_t pid;
    std::uint8_t receiverCode;
    std::optional<std::uint8_t> receiver4kCode;
    std::string_view bleVidText;  // empty without Bluetooth LE
    std::string_view blePidText;
    std::optional<std::uint16_t> bleHidVid;
    std::optional<std::uint16_t> bleHidPid;
    std::uint32_t messageBase;
    std::uint32_t timerBase;
    DpiMapping dpiMapping;
    int dpiMin;
    int dpiMax;
    PollingOptions pollingOptions;
    RecordShape recordShape;
    RecordType record;  // shape and defaults of its profiles
    LightingLayout lightingLayout;
    DpiReportVariant dpiReport;
    int macroReportLength;  // 131 or 111
    bool hasLightOff;
    bool hidesLighting = false;  // the page offers no lighting settings
    bool hasBle;
    bool has4k;
    PollingEvent pollingEvent = PollingEvent::Reference;
    LightingEvent lightingEvent = LightingEvent::Reference;
    // The program drives this slot: its send order and controls are built.
    bool supported = false;

    std::uint32_t recordLength() const { return record.length(); }
};

constexpr std::uint32_t messageBaseOf(int slot) {
    return 0x600 + 0x10 * (slot - 1);
}
constexpr std::uint32_t timerBaseOf(int slot) {
    return 0x200 + 0x10 * (slot - 1);
}

inline constexpr int kFirstSlot = 1;
inline constexpr int kLastSlot = 10;

// The descriptor of slot 1..10, or nullptr for any other number.
const ModelDescriptor* descriptorFor(int slot);
// The descriptor when the program drives the slot already, else nullptr.
const ModelDescriptor* supportedDescriptor(int slot);
// Whether the slot's DPI report carries this sensor option (liftOffDistance,
// rippleControl, angleSnap, motionSync): the reference report carries none,
// the table report angle snap and ripple, the wide one all four, the offset
// one all but motion sync.
bool dpiReportCarries(const ModelDescriptor& model, Field option);

// The slot whose mouse has these Bluetooth ids, or nullptr.
const ModelDescriptor* descriptorForBle(std::uint16_t vendor, std::uint16_t product);

}  // namespace velor
