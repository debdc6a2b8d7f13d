#include "device/receiver_monitor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "../support/hang_guard.h"
#include "../support/link_fakes.h"
#include "../support/test_records.h"
#include "sim/sim_backend.h"

namespace velor {
namespace {

using namespace std::chrono_literals;

class RecordingPages final : public ReceiverPages {
  public:
    void bindReceiver(int slot, std::shared_ptr<HidDevice> commandInterface,
                      std::shared_ptr<HidDevice>, bool) override {
        bound.push_back(slot);
        command = std::move(commandInterface);
    }
    void receiverReport(int slot, std::uint16_t word, std::uint16_t value, bool same,
                        bool) override {
        reports.push_back({slot, word, value, same});
    }
    void withdrawReceiver(int slot, bool) override { withdrawn.push_back(slot); }

    struct Seen {
        int slot;
        std::uint16_t word, value;
        bool same;
        friend bool operator==(const Seen&, const Seen&) = default;
    };
    std::vector<int> bound, withdrawn;
    std::vector<Seen> reports;
    std::shared_ptr<HidDevice> command;
};

// Hands what the reader threads posted to the monitor, as the UI thread does.
void deliver(testing::RecordingPoster& posted, ReceiverMonitor& monitor, std::size_t wanted) {
    std::vector<testing::PostedMessage> got;
    // Up to ten seconds: reader threads on a loaded machine can be slow to run.
    for (int i = 0; i < 2000 && got.size() < wanted; ++i) {
        for (const auto& m : posted.take()) got.push_back(m);
        if (got.size() < wanted) std::this_thread::sleep_for(5ms);
    }
    for (const auto& m : got) monitor.onPosted(m.wParam, m.lParam);
}

TEST(ReceiverMonitor, TheFirstReportBindsTheSlotAndEveryReportReachesIt) {
    // Restarts and the end join the readers: each must have been woken.
    const testing::HangGuard bound("stopping the receiver's readers", std::chrono::seconds(20));
    sim::SimBackend backend;
    sim::SimMouse& mouse = backend.plugReceiver(testing::ms10());
    testing::RecordingPoster posted;
    RecordingPages pages;
    int restartsAsked = 0;
    ReceiverMonitor monitor(
        kReceiver24, backend, posted, 0x1410, pages, [&] { ++restartsAsked; },
        [](std::string_view) {});
    monitor.restart();

    mouse.emitStatus(0x40, 0x5001);
    mouse.emitStatus(0x10, 3);
    deliver(posted, monitor, 2);
    EXPECT_EQ(pages.bound, std::vector<int>{10});
    EXPECT_EQ(pages.reports, (std::vector<RecordingPages::Seen>{{10, 0x4036, 0x5001, true},
                                                                {10, 0x1036, 3, true}}));

    // The bound command interface reaches the mouse.
    EXPECT_EQ(pages.command->sendFeatureReport(
                  std::vector<std::uint8_t>{0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0}),
              10);
    EXPECT_EQ(mouse.settings().openings, 1);
    deliver(posted, monitor, 1);  // the mouse's acknowledgement, before it goes
    EXPECT_EQ(pages.reports.back(), (RecordingPages::Seen{10, 0x5036, 0, true}));

    backend.unplug(mouse);  // the reader's read fails: presence goes at once
    deliver(posted, monitor, 1);
    EXPECT_EQ(pages.withdrawn, std::vector<int>{10});
    EXPECT_EQ(restartsAsked, 1);  // and the monitor looks again a little later

    // Back under the same path: the restart finds it and binds it again.
    backend.plugBack(mouse);
    monitor.restart();
    mouse.emitStatus(0x40, 0x6401);
    deliver(posted, monitor, 1);
    EXPECT_EQ(pages.bound, (std::vector<int>{10, 10}));
    EXPECT_EQ(pages.reports.back(), (RecordingPages::Seen{10, 0x4036, 0x6401, true}));
}

// Every code on both receivers: the 4K receiver serves slots 3, 4, 6 and 8 only.
TEST(ReceiverMonitor, ModelCodesNameTheirSlotOnEachReceiver) {
    struct Code {
        std::uint8_t code;
        std::optional<int> on24, on4k;
    };
    const Code codes[] = {
        {0x10, 1, {}}, {0x20, 2, {}}, {0x21, 3, 3},  {0x30, 4, 4},   {0x31, 5, {}},  {0x32, 6, 6},
        {0x33, 7, {}}, {0x34, 8, 8},  {0x35, 9, {}}, {0x36, 10, {}}, {0x99, {}, {}}, {0x00, {}, {}},
    };
    for (const Code& c : codes) {
        EXPECT_EQ(slotOfModelCode(c.code, false), c.on24) << int(c.code);
        EXPECT_EQ(slotOfModelCode(c.code, true), c.on4k) << int(c.code);
    }
}

}  // namespace
}  // namespace velor
