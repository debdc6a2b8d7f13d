// A default full upload through the link over each path reaches the simulated
// mouse intact.
#include <gtest/gtest.h>

#include "../support/link_fakes.h"
#include "../support/mouse_expectations.h"
#include "../support/test_records.h"
#include "device/device_link.h"
#include "protocol/report_builders.h"
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
    DeviceLink makeLink(const ModelDescriptor& model = testing::ms10()) {
        return DeviceLink({model, clock, mainWindow, view, {}});
    }
    // The command and report interfaces of a receiver.
    std::pair<std::shared_ptr<HidDevice>, std::shared_ptr<HidDevice>> receiver(
        std::uint16_t pid, std::uint16_t commandPage) {
        std::shared_ptr<HidDevice> command, report;
        for (const HidDeviceInfo& info : backend.enumerate(0x1D57, pid))
            (info.usagePage == commandPage ? command : report) = backend.open(info.path);
        return {command, report};
    }
    // A link up on slot 10's 2.4 GHz receiver; the mouse's acknowledgements
    // are read back as the UI thread would, each ending the repetition.
    std::unique_ptr<DeviceLink> acknowledgedReceiverLink() {
        const auto [command, report] = receiver(0xFA60, 0x000B);
        EXPECT_TRUE(command && report);
        auto link = std::make_unique<DeviceLink>(
            DeviceLink::Wiring{testing::ms10(), clock, mainWindow, view, {}});
        link->open(nullptr);
        link->setReceiver(command, report);
        link->setWirelessOnline(true);
        clock.onSleep = [l = link.get(), in = report](Millis) {
            std::array<std::uint8_t, 64> got{};
            while (in->readTimeout(got, 0) > 0)
                if (got[0] == 3 && got[1] == 0x36 && got[2] == 0x50 && got[3] == 0)
                    l->setStopResend(true);
        };
        return link;
    }
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
    const auto link = acknowledgedReceiverLink();
    const ProfileRecord r = richRecord();
    upload(*link, r);
    EXPECT_EQ(mouse.malformedCount(), 0);
    testing::expectMouseHolds(mouse.settings(), r);
    // Each report went out once: opening, dpi, lighting, polling, buttons, 2 macros x 3 chunks.
    EXPECT_EQ(mouse.trace().size(), 5u + 6u);
    clock.onSleep = nullptr;  // the link goes first
}

// A record whose current level is out of range gives a DPI report with
// level 0, which the mouse refuses: the send says so on every path, so the
// apply keeps the DPI group due, and the next good report goes through.
TEST_F(FullUploadTest, AReportTheMouseRefusesIsNotReportedSent) {
    const auto spoilt = [](int slot) {
        ProfileRecord r = newRecord(descriptorFor(slot)->record, u"S");
        r.set(Field::dpiLevel, -1);
        return buildDpi(r);
    };
    {
        sim::SimMouse& mouse = backend.plugWiredMouse(testing::ms10());
        DeviceLink link = makeLink();
        link.open(std::make_unique<testing::InProcessLibrary>(backend));
        EXPECT_EQ(link.send(spoilt(10).bytes()), 0);
        EXPECT_EQ(mouse.malformedCount(), 1);
        EXPECT_NE(link.send(buildOpening().bytes()), 0);
        backend.unplug(mouse);
    }
    {
        sim::SimMouse& mouse = backend.plugReceiver(testing::ms10());
        const auto link = acknowledgedReceiverLink();
        EXPECT_EQ(link->send(spoilt(10).bytes()), 0);
        EXPECT_EQ(mouse.malformedCount(), 10);  // every copy refused, none acknowledged
        EXPECT_NE(link->send(buildOpening().bytes()), 0);
        clock.onSleep = nullptr;
    }
    {
        sim::SimMouse& mouse = backend.plug4kReceiver(*descriptorFor(3));
        const auto [command, report] = receiver(0xFA65, 0xFF00);
        DeviceLink link = makeLink(*descriptorFor(3));
        link.open(nullptr);
        link.setReceiver4k(command, report);
        link.setWireless4kOnline(true);
        EXPECT_EQ(link.send(spoilt(3).bytes()), 0);
        EXPECT_EQ(mouse.malformedCount(), 1);
        EXPECT_NE(link.send(buildOpening().bytes()), 0);
    }
}

}  // namespace
}  // namespace velor
