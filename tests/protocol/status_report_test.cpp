#include "protocol/status_report.h"

#include <gtest/gtest.h>

namespace velor {
namespace {

// Slot 10's model code is 0x36; slot 5 takes only the exact polling codes.
StatusReport decode10(std::uint16_t word, std::uint16_t value) {
    return decodeStatus(*descriptorFor(10), word, value);
}

TEST(StatusReport, DpiLevelsOneToEightBecomeZeroBasedAndTheRestAreIgnored) {
    EXPECT_EQ(decode10(0x1036, 1).kind, StatusKind::DpiLevel);
    EXPECT_EQ(decode10(0x1036, 1).dpiLevel, 0);
    EXPECT_EQ(decode10(0x1036, 8).dpiLevel, 7);
    EXPECT_EQ(decode10(0x1036, 0).kind, StatusKind::Ignored);
    EXPECT_EQ(decode10(0x1036, 9).kind, StatusKind::Ignored);
    EXPECT_EQ(decode10(0x1036, 0x0102).kind, StatusKind::Ignored);  // a second byte is no level
}

TEST(StatusReport, PollingValuesMapToTheRecordsIndex) {
    const std::pair<std::uint16_t, int> table[] = {{1, 3}, {2, 2}, {4, 1}, {8, 0}, {3, 0}, {7, 0}};
    for (const auto& [value, index] : table) {
        const StatusReport r = decode10(0x2036, value);
        EXPECT_EQ(r.kind, StatusKind::PollingRate) << value;
        EXPECT_EQ(r.pollingRate, index) << value;
    }
    EXPECT_EQ(decode10(0x2036, 0).kind, StatusKind::Ignored);
    EXPECT_EQ(decode10(0x2036, 9).kind, StatusKind::Ignored);
    // Slot 5 (model code 0x31) knows only the exact codes.
    const ModelDescriptor& mid = *descriptorFor(5);
    EXPECT_EQ(decodeStatus(mid, 0x2031, 3).kind, StatusKind::Ignored);
    EXPECT_EQ(decodeStatus(mid, 0x2031, 4).pollingRate, 1);
}

TEST(StatusReport, PowerStatesAndTheBatteryLevelComeFromTheirOwnBytes) {
    const StatusReport full = decode10(0x4036, 0x6402);
    EXPECT_EQ(full.power, PowerState::Full);
    EXPECT_FALSE(full.batteryPercent);
    EXPECT_EQ(decode10(0x4036, 0x3203).power, PowerState::Charging);
    const StatusReport battery = decode10(0x4036, 0x4B01);  // 75 %
    EXPECT_EQ(battery.kind, StatusKind::Power);
    EXPECT_EQ(battery.power, PowerState::OnBattery);
    EXPECT_EQ(battery.batteryPercent, 75);
    EXPECT_FALSE(decode10(0x4036, 0x0001).batteryPercent);  // no level said
    EXPECT_FALSE(decode10(0x4036, 0x6501).batteryPercent);  // 101 is no level
    EXPECT_EQ(decode10(0x4036, 0x6400).batteryPercent, 100);
}

TEST(StatusReport, AcknowledgementLightingAndChangeReports) {
    EXPECT_TRUE(decode10(0x5036, 0x0100).acknowledged);   // low byte 0: taken
    EXPECT_FALSE(decode10(0x5036, 0x0001).acknowledged);  // refused
    EXPECT_EQ(decode10(0x5036, 1).kind, StatusKind::Acknowledgement);

    EXPECT_EQ(decode10(0x7036, 7).lightMode, 7);
    EXPECT_EQ(decode10(0x7036, 0).kind, StatusKind::LightingEffect);
    EXPECT_EQ(decode10(0x7036, 8).kind, StatusKind::Ignored);

    EXPECT_EQ(decode10(0x8036, 5).kind, StatusKind::DeviceChange);
    EXPECT_EQ(decode10(0x8036, 0).kind, StatusKind::Ignored);
    EXPECT_EQ(decode10(0x8036, 6).kind, StatusKind::Ignored);
    EXPECT_EQ(decode10(0x6036, 3).kind, StatusKind::Ignored);
    EXPECT_EQ(decode10(0x9036, 1).kind, StatusKind::Ignored);
}

TEST(StatusReport, OverBluetoothTheLevelIsTheLowByteAndAnEmptyBatteryIsShown) {
    const ModelDescriptor& ble = *descriptorFor(7);  // model code 0x33
    const auto viaBle = [&](std::uint16_t word, std::uint16_t value) {
        return decodeStatus(ble, word, value, Receiver::Ble);
    };
    EXPECT_EQ(viaBle(0x1033, 0x0305).kind, StatusKind::DpiLevel);
    EXPECT_EQ(viaBle(0x1033, 0x0305).dpiLevel, 4);
    EXPECT_EQ(viaBle(0x1033, 0x0300).kind, StatusKind::Ignored);
    EXPECT_EQ(viaBle(0x4033, 0x0001).batteryPercent, 0);
    EXPECT_FALSE(viaBle(0x4033, 0x6501).batteryPercent);
    // The same reports through a receiver keep their receiver meaning.
    EXPECT_EQ(decodeStatus(ble, 0x1033, 0x0305).kind, StatusKind::Ignored);
    EXPECT_FALSE(decodeStatus(ble, 0x4033, 0x0001).batteryPercent);
}

TEST(StatusReport, AnotherModelsReportsAreIgnored) {
    EXPECT_EQ(decode10(0x1010, 4).kind, StatusKind::Ignored);
    EXPECT_EQ(decode10(0x4037, 0x4B01).kind, StatusKind::Ignored);
    EXPECT_EQ(decodeStatus(*descriptorFor(1), 0x1010, 4).dpiLevel, 3);
}

}  // namespace
}  // namespace velor
