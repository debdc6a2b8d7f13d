#include "sim/sim_backend.h"

#include <gtest/gtest.h>

#include <future>

#include "../support/hang_guard.h"
#include "../support/test_records.h"
#include "protocol/report_builders.h"

namespace velor::sim {
namespace {

TEST(SimBackend, ReceiverHasCommandAndReportInterfacesAndAcknowledges) {
    SimBackend backend;
    SimMouse& mouse = backend.plugReceiver(velor::testing::ms10());
    const auto command = openInterface(backend, kVendorId, 0xFA60, 0x000B);
    const auto report = openInterface(backend, kVendorId, 0xFA60, 0x000A);
    ASSERT_TRUE(command && report);

    const Report opening = buildOpening();
    EXPECT_EQ(command->sendFeatureReport(opening.bytes()), 10);
    std::array<std::uint8_t, 64> in{};
    ASSERT_EQ(report->readTimeout(in, 0), 5);
    EXPECT_EQ(std::vector<std::uint8_t>(in.begin(), in.begin() + 5),
              (std::vector<std::uint8_t>{3, 0x36, 0x50, 0, 0}));

    mouse.setSilent(true);
    command->sendFeatureReport(opening.bytes());
    EXPECT_EQ(report->readTimeout(in, 0), 0);
    mouse.emitStatus(0x40, 0x6401);
    ASSERT_EQ(report->readTimeout(in, 0), 5);
    EXPECT_EQ(in[2], 0x40);
    EXPECT_EQ(in[4], 0x64);
    EXPECT_EQ(mouse.trace().size(), 2u);
}

TEST(SimBackend, RefusedReportsFailUncountedAndChangeNothing) {
    SimBackend backend;
    SimMouse& mouse = backend.plugWiredMouse(velor::testing::ms10());
    const auto device = openInterface(backend, kVendorId, 0xFA79, 0xFF00);
    ASSERT_TRUE(device);
    mouse.rejectNext(1);
    EXPECT_EQ(device->sendFeatureReport(buildOpening().bytes()), -1);
    EXPECT_EQ(device->sendFeatureReport(buildOpening().bytes()), 10);
    EXPECT_EQ(mouse.malformedCount(), 0);
    EXPECT_EQ(mouse.settings().openings, 1);
}

TEST(SimBackend, UnpluggedDevicesVanishAndTheirHandlesFail) {
    SimBackend backend;
    SimMouse& mouse = backend.plugWiredMouse(velor::testing::ms10());
    const auto device = openInterface(backend, kVendorId, 0xFA79, 0xFF00);
    backend.unplug(mouse);
    EXPECT_TRUE(backend.enumerate(0x1D57, 0xFA79).empty());
    EXPECT_EQ(device->sendFeatureReport(buildOpening().bytes()), -1);
    std::array<std::uint8_t, 8> in{};
    EXPECT_EQ(device->readTimeout(in, 1000), -1);  // returns at once
    backend.plugBack(mouse);
    EXPECT_EQ(device->sendFeatureReport(buildOpening().bytes()), 10);
}

// A watch wakes for each coming and going, keeps one that came before it
// slept, and a stop ends the wait and every later one, changes or not.
TEST(SimBackend, AChangeWatchWakesForPlugsAndAStopEndsItForGood) {
    const velor::testing::HangGuard bound("waiting on a simulated change watch");
    SimBackend backend;
    const auto watch = backend.watchChanges();
    ASSERT_TRUE(watch);
    SimMouse& mouse = backend.plugWiredMouse(velor::testing::ms10());
    EXPECT_TRUE(watch->waitForChange());
    backend.unplug(mouse);
    EXPECT_TRUE(watch->waitForChange());
    auto waiting = std::async(std::launch::async, [&] { return watch->waitForChange(); });
    watch->stop();
    EXPECT_FALSE(waiting.get());
    backend.plugBack(mouse);
    EXPECT_FALSE(watch->waitForChange());
}

TEST(SimBackend, MiceListedInTheEnvironment) {
    SimBackend one;
    EXPECT_EQ(populateFromList(one, "1"), 1);
    EXPECT_EQ(one.enumerate(0x1D57, 0xFA60).size(), 2u);
    SimBackend list;
    // Slot 10 has no 4K receiver and no Bluetooth.
    EXPECT_EQ(populateFromList(list, "10:24g,10:wired,3:4k,bogus,7:ble,10:4k,10:ble,7:wired"), 5);
    EXPECT_EQ(list.enumerate(0x1D57, 0xFA79).size(), 1u);
    EXPECT_EQ(list.enumerate(0x1D57, 0xFA65).size(), 2u);  // its two interfaces
    EXPECT_EQ(list.enumerate(0x045E, 0x0033).size(), 1u);  // the Bluetooth mouse's HID device
}

}  // namespace
}  // namespace velor::sim

#include "protocol/frame_4k.h"

namespace velor::sim {
namespace {

TEST(SimBackend, FourKReceiverChecksFramesReassemblesMacrosAndAcknowledges) {
    SimBackend backend;
    const ModelDescriptor& slot3 = *descriptorFor(3);
    SimMouse& mouse = backend.plug4kReceiver(slot3);
    const auto command = openInterface(backend, kVendorId, 0xFA65, 0xFF00);
    const auto report = openInterface(backend, kVendorId, 0xFA65, 0x000A);
    ASSERT_TRUE(command && report);
    EXPECT_EQ(command->sendFeatureReport(buildOpening().bytes()), -1);  // frames only

    EXPECT_EQ(command->write(frame4k(buildOpening().bytes())), 65);
    EXPECT_EQ(mouse.settings().openings, 1);
    std::array<std::uint8_t, 64> in{};
    ASSERT_EQ(report->readTimeout(in, 0), 5);
    EXPECT_EQ(std::vector<std::uint8_t>(in.begin(), in.begin() + 5),
              (std::vector<std::uint8_t>{3, 0x21, 0x50, 0, 0}));

    ProfileRecord r = newRecord(slot3.record, u"M");
    const MacroAction a{0x04, MacroAction::kPress, 10};
    velor::testing::assignMacro(r, 5, std::span(&a, 1));
    const auto frames = macroFrames4k(buildMacro(r, 5));
    command->write(frames[0]);
    EXPECT_FALSE(mouse.settings().macros[4]);
    command->write(frames[1]);
    ASSERT_TRUE(mouse.settings().macros[4]);
    EXPECT_EQ(mouse.settings().macros[4]->entries.size(), 1u);
    EXPECT_EQ(mouse.malformedCount(), 0);
}

}  // namespace
}  // namespace velor::sim
