// A default full upload through the link over each path reaches the simulated
// mouse intact.
#include <gtest/gtest.h>

#include "../support/link_fakes.h"
#include "../support/mouse_expectations.h"
#include "../support/test_records.h"
#include "device/device_link.h"
#include "protocol/upload_plan.h"
#include "sim/sim_backend.h"

namespace velor {
namespace {

ProfileRecord richRecord() {
    ProfileRecord r = testing::defaultRecord();
    r.set(Field::dpiX, 75, 2);  // high range
    r.set(Field::dpiLevel, 4);
    r.set(Field::lightMode, 1);
    r.set(Field::brightness, 5);
    r.set(Field::pollingRate, 1);
    ButtonSlot key = r.button(8);
    key.set(SlotField::function, 16);
    key.set(SlotField::modifiers, 5);
    key.set(SlotField::keyCode, 0x1D);
    const MacroAction actions[] = {{0x04, MacroAction::kPress, 30},
                                   {0x04, MacroAction::kRelease, 1500},
                                   {0xF1, MacroAction::kPress, 0},
                                   {0xF1, MacroAction::kRelease, 65535}};
    testing::assignMacro(r, 5, actions);
    testing::assignMacro(r, 17, std::span(actions, 2));
    r.button(16).set(SlotField::macroLoopTimes, 3);
    return r;
}

class FullUploadTest : public ::testing::Test {
  protected:
    DeviceLink makeLink() { return DeviceLink({testing::ms10(), clock, mainWindow, view, {}}); }
    void upload(DeviceLink& link, const ProfileRecord& r) {
        for (const PlannedReport& p : planUpload(r, ReportGroups::all()))
            EXPECT_NE(link.send(p.report.bytes()), 0) << p.name;
    }

    VirtualClock clock;
    testing::RecordingPoster mainWindow;
    testing::RecordingView view;
    sim::SimBackend backend;
};

TEST_F(FullUploadTest, OverTheCable) {
    sim::SimMouse& mouse = backend.plugWiredMouse(testing::ms10());
    DeviceLink link = makeLink();
    link.open(std::make_unique<testing::InProcessLibrary>(backend));
    ASSERT_EQ(link.wiredState(), 1);
    for (const ProfileRecord& r : {testing::defaultRecord(), richRecord()}) {
        upload(link, r);
        EXPECT_EQ(mouse.malformedCount(), 0);
        testing::expectMouseHolds(mouse.settings(), r);
    }
}

TEST_F(FullUploadTest, ThroughTheReceiverWithAcknowledgements) {
    sim::SimMouse& mouse = backend.plugReceiver(testing::ms10());
    std::shared_ptr<HidDevice> command, report;
    for (const HidDeviceInfo& info : backend.enumerate(0x1D57, 0xFA60))
        (info.usagePage == 0x000B ? command : report) = backend.open(info.path);
    ASSERT_TRUE(command && report);

    DeviceLink link = makeLink();
    link.open(nullptr);
    link.setReceiver(command, report);
    link.setWirelessOnline(true);
    // Stands in for the UI thread: an acknowledgement read from the report
    // interface stops the repetition.
    clock.onSleep = [&](Millis) {
        std::array<std::uint8_t, 64> in{};
        while (report->readTimeout(in, 0) > 0)
            if (in[0] == 3 && in[1] == 0x36 && in[2] == 0x50 && in[3] == 0)
                link.setStopResend(true);
    };
    const ProfileRecord r = richRecord();
    upload(link, r);
    EXPECT_EQ(mouse.malformedCount(), 0);
    testing::expectMouseHolds(mouse.settings(), r);
    // Each report went out once: opening, dpi, lighting, polling, buttons, 2 macros x 3 chunks.
    EXPECT_EQ(mouse.trace().size(), 5u + 6u);
}

}  // namespace
}  // namespace velor
