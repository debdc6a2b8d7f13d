// The device link's Bluetooth state against a simulated Bluetooth mouse: up
// and down, what goes over it, and what comes back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../support/link_fakes.h"
#include "../support/test_records.h"
#include "device/device_link.h"
#include "protocol/report_builders.h"
#include "sim/sim_bluetooth.h"

namespace velor {
namespace {

using ::testing::ElementsAre;

class BleLinkTest : public ::testing::Test {
  protected:
    void open(int slot) {
        model = descriptorFor(slot);
        if (model->hasBle) ble = bluetooth.linkFor(*model->bleHidVid, *model->bleHidPid);
        link = std::make_unique<DeviceLink>(
            DeviceLink::Wiring{*model, clock, poster, view, [](std::string_view) {}, ble.get()});
        link->open(nullptr);
        poster.take();
        view.calls.clear();
    }
    sim::SimBackend backend;
    sim::SimBluetooth bluetooth{backend};
    VirtualClock clock;
    testing::RecordingPoster poster;
    testing::RecordingView view;
    const ModelDescriptor* model = nullptr;
    std::unique_ptr<BleGattLink> ble;
    std::unique_ptr<DeviceLink> link;
};

TEST_F(BleLinkTest, UpTheLinkTakesAppliesAndAWholeMacroInOneWrite) {
    sim::SimMouse& mouse = backend.plugBleMouse(*descriptorFor(9));
    open(9);
    EXPECT_TRUE(link->offline());
    link->bleConnect();
    EXPECT_TRUE(link->connected());
    EXPECT_FALSE(link->offline());  // applies run over Bluetooth alone
    EXPECT_THAT(view.calls, ElementsAre("ble 1", "link up"));
    EXPECT_EQ(poster.count(kConnectedChangedMessage), 1);
    poster.take();

    ProfileRecord r = newRecord(model->record, u"M");
    const MacroAction a{0x04, MacroAction::kPress, 10};
    testing::assignMacro(r, 3, std::span(&a, 1));
    EXPECT_EQ(link->send(buildMacro(r, 3).bytes()), 1);
    EXPECT_EQ(mouse.trace().size(), 1u);
    EXPECT_EQ(mouse.trace()[0].size(), 131u);
    ASSERT_TRUE(mouse.settings().macros[2].has_value());
    EXPECT_EQ(mouse.settings().macros[2]->entries.size(), 1u);
    EXPECT_EQ(clock.now().count(), 500);

    // The mouse's acknowledgement came back as a notification.
    const auto posted = poster.take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, model->messageBase + kBleStatusMessage);
    EXPECT_EQ(posted[0].wParam, 0x5035u);
    EXPECT_EQ(posted[0].lParam, 0);
}

TEST_F(BleLinkTest, DownTheLinkSendsNothingAndAShortNotificationIsDropped) {
    sim::SimMouse& mouse = backend.plugBleMouse(*descriptorFor(7));
    open(7);
    link->bleConnect();
    mouse.emitRaw({0x03, 0x33, 0x40});  // two bytes after the id: too short
    EXPECT_EQ(poster.count(model->messageBase + kBleStatusMessage), 0);

    link->bleDisconnect();
    EXPECT_TRUE(link->offline());
    EXPECT_FALSE(link->connected());
    EXPECT_EQ(link->send(buildOpening().bytes()), 0);
    EXPECT_TRUE(mouse.trace().empty());
    mouse.emitStatus(0x10, 2);  // no longer subscribed
    EXPECT_EQ(poster.count(model->messageBase + kBleStatusMessage), 0);
    // A removal while already down changes nothing more.
    poster.take();
    link->onBleRemoval();
    EXPECT_EQ(poster.count(kConnectedChangedMessage), 0);
}

TEST_F(BleLinkTest, OnlyTheSlotsOwnModelCodeReachesThePage) {
    open(7);
    link->onBleStatus(0x1033, 3);
    link->onBleStatus(0x1035, 3);  // slot 9's model
    link->onBleStatus(0x9033, 3);  // no such event
    EXPECT_THAT(view.bleReports, ElementsAre(std::pair<std::uint16_t, std::uint16_t>{0x1033, 3}));
}

TEST_F(BleLinkTest, ASlotWithoutBluetoothNeverComesUpThatWay) {
    open(10);
    link->bleConnect();
    EXPECT_FALSE(link->bleOnline());
    EXPECT_FALSE(link->connected());
}

TEST_F(BleLinkTest, TheSimulatedSystemReportsMiceComingAndGoing) {
    std::vector<std::string> seen;
    sim::SimMouse& seven = backend.plugBleMouse(*descriptorFor(7));
    bluetooth.watch({[&](std::uint16_t v, std::uint16_t p, bool up) {
                         seen.push_back(std::to_string(v) + ":" + std::to_string(p) +
                                        (up ? " up" : " down"));
                     },
                     {}});
    backend.plugBleMouse(*descriptorFor(8));
    backend.unplug(seven);
    EXPECT_THAT(seen, ElementsAre("1118:51 up", "1118:52 up", "1118:51 down"));
    EXPECT_EQ(backend.enumerate(0x045E, 0x0033).size(), 0u);
}

}  // namespace
}  // namespace velor
