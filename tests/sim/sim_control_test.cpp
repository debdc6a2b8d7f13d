#include "sim/sim_control.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../support/temp_folder.h"
#include "../support/test_records.h"
#include "protocol/report_builders.h"

namespace velor::sim {
namespace {

std::vector<std::uint8_t> readReport(HidDevice& device) {
    std::array<std::uint8_t, 64> in{};
    const int n = device.readTimeout(in, 0);
    return {in.begin(), in.begin() + std::max(n, 0)};
}

TEST(SimTrace, EachFrameAMouseTakesIsOneLineNamingItsLinkAndSlot) {
    velor::testing::TempFolder temp;
    const std::string file = temp.folder() + "trace";
    SimBackend backend;
    SimMouse& wired = backend.plugWiredMouse(*descriptorFor(1));
    backend.plugReceiver(velor::testing::ms10());
    ASSERT_TRUE(backend.traceTo(file, nullptr));
    const auto cable = openInterface(backend, kVendorId, descriptorFor(1)->pid, 0xFF00);
    const auto command = openInterface(backend, kVendorId, 0xFA60, 0x000B);
    const std::uint8_t frame[] = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0x00, 0x00, 0x00, 0x00};
    cable->sendFeatureReport(frame);
    command->sendFeatureReport(std::span(frame, 3));
    backend.unplug(wired);
    cable->sendFeatureReport(frame);  // a pulled cable takes nothing

    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "wired 1 0c0a01fe01fe00000000\n24g 10 0c0a01\n");
    EXPECT_FALSE(backend.traceTo(temp.folder() + "missing/trace", nullptr));
}

TEST(SimControl, CommandsActAsTheMouse) {
    SimBackend backend;
    SimMouse& mouse = backend.plugReceiver(velor::testing::ms10());
    const auto command = openInterface(backend, kVendorId, 0xFA60, 0x000B);
    const auto report = openInterface(backend, kVendorId, 0xFA60, 0x000A);

    EXPECT_EQ(runSimCommand(backend, "status 10:24g 0x10 3"), "");
    EXPECT_EQ(readReport(*report), (std::vector<std::uint8_t>{3, 0x36, 0x10, 3, 0}));
    EXPECT_EQ(runSimCommand(backend, "battery 10:24g 33"), "");
    EXPECT_EQ(readReport(*report), (std::vector<std::uint8_t>{3, 0x36, 0x40, 1, 33}));
    EXPECT_EQ(mouse.battery(), 33);
    // The charger's state is told at once and by every heartbeat after it:
    // charging at its level, full at 100, and on battery again at 100.
    const struct {
        const char* line;
        std::uint8_t state, percent;
    } charges[] = {
        {"charge 10:24g on", 3, 33}, {"charge 10:24g full", 2, 100}, {"charge 10:24g off", 1, 100}};
    for (const auto& c : charges) {
        EXPECT_EQ(runSimCommand(backend, c.line), "");
        const std::vector<std::uint8_t> power{3, 0x36, 0x40, c.state, c.percent};
        EXPECT_EQ(readReport(*report), power) << c.line;
        mouse.emitBattery();
        EXPECT_EQ(readReport(*report), power) << c.line;
    }

    EXPECT_EQ(runSimCommand(backend, "silent 10:24g on"), "");
    command->sendFeatureReport(buildOpening().bytes());
    EXPECT_TRUE(readReport(*report).empty());  // taken, not acknowledged
    EXPECT_EQ(runSimCommand(backend, "silent 10:24g off"), "");

    EXPECT_EQ(runSimCommand(backend, "unplug 10:24g"), "");
    EXPECT_TRUE(backend.enumerate(0x1D57, 0xFA60).empty());
    EXPECT_EQ(runSimCommand(backend, "plug 10:24g"), "");
    EXPECT_EQ(backend.enumerate(0x1D57, 0xFA60).size(), 2u);
}

TEST(SimControl, BadLinesAreRefusedWithAReason) {
    SimBackend backend;
    backend.plugReceiver(velor::testing::ms10());
    EXPECT_EQ(runSimCommand(backend, ""), "");
    for (const char* line :
         {"unplug", "unplug 10", "unplug 10:wired", "unplug 3:24g", "unplug x:24g", "shout 10:24g",
          "status 10:24g 0x10", "status 10:24g 256 1", "status 10:24g 16 70000", "battery 10:24g 0",
          "battery 10:24g 101", "silent 10:24g maybe", "plug 10:24g extra", "charge 10:24g",
          "charge 10:24g half", "charge 10:24g on off"})
        EXPECT_NE(runSimCommand(backend, line), "") << line;
}

}  // namespace
}  // namespace velor::sim
