#include "devport/dev_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "../support/hang_guard.h"
#include "../support/link_fakes.h"
#include "../support/test_records.h"
#include "device/feature_library.h"
#include "protocol/report_builders.h"
#include "sim/sim_backend.h"

namespace velor {
namespace {

using namespace std::chrono_literals;
using testing::HangGuard;
using testing::RecordingPoster;

// The monitor runs on real time; wait (bounded) for what it posts.
bool eventually(const std::function<bool()>& done) {
    for (int i = 0; i < 400 && !done(); ++i) std::this_thread::sleep_for(5ms);
    return done();
}

struct PosterWindow {
    explicit PosterWindow(MessagePoster& target)
        : window{[](void* c, std::uint32_t m, std::uintptr_t w, std::intptr_t l) {
                     static_cast<MessagePoster*>(c)->post(m, w, l);
                 },
                 &target} {}
    VelorPoster window;
};

// A mouse whose handles notice when two threads are inside calls on one
// handle at the same time (hidapi frees a handle's error text at the start of
// every call, so two threads in one handle can free it twice).
class OverlapBackend final : public HidBackend {
  public:
    class Handle final : public HidDevice {
      public:
        Handle(std::atomic<int>& overlaps, std::atomic<int>& notWoken)
            : overlaps_(overlaps), notWoken_(notWoken) {}
        int sendFeatureReport(std::span<const std::uint8_t> r) override {
            enter();
            return static_cast<int>(r.size());
        }
        int write(std::span<const std::uint8_t>) override { return -1; }
        // Waits for a report that never comes, until it is told to stop; a
        // reader nobody wakes is noted after a while and let go as if the
        // mouse were gone, so that the test fails instead of hanging.
        int readTimeout(std::span<std::uint8_t>, int) override {
            enter();
            for (int i = 0; i < 5000 && !cancelled_; ++i) std::this_thread::sleep_for(1ms);
            if (cancelled_) return 0;
            ++notWoken_;
            return -1;
        }
        void cancelReads() override { cancelled_ = true; }
        bool setNonBlocking(bool) override { return true; }

      private:
        void enter() {
            if (inside_.fetch_add(1) != 0) ++overlaps_;
            std::this_thread::sleep_for(200us);  // a call takes a while
            --inside_;
        }
        std::atomic<int> inside_{0};
        std::atomic<bool> cancelled_{false};
        std::atomic<int>& overlaps_;
        std::atomic<int>& notWoken_;
    };

    std::vector<HidDeviceInfo> enumerate(std::uint16_t, std::uint16_t) override {
        HidDeviceInfo info;
        info.path = "mouse";
        info.vendorId = 0x1D57;
        info.productId = 0xFA79;
        info.usagePage = 0xFF00;
        return {info};
    }
    std::unique_ptr<HidDevice> open(const std::string&) override {
        return std::make_unique<Handle>(overlaps, notWoken);
    }
    std::atomic<int> overlaps{0};
    std::atomic<int> notWoken{0};  // readers left waiting by a replace or a close
};

TEST(DevPort, TheMonitorReadsOnAHandleOfItsOwnWhileTheProgramSends) {
    OverlapBackend backend;
    RecordingPoster poster;
    PosterWindow window(poster);
    DevPort port([&] { return &backend; }, 5ms);
    port.setVidPid(0x1D57, 0xFA79);
    ASSERT_EQ(port.openFeatureDevice(), 1);
    port.openMonitor(&window.window, 0x693, 0x694);
    const Report opening = buildOpening();
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(port.setFeature(opening.buffer.data(), 10), 10);
        // Opened again midway: the reader lets go of the handle it replaces.
        if (i == 150) {
            ASSERT_EQ(port.openFeatureDevice(), 1);
        }
    }
    {
        const HangGuard bound("closing the monitor");
        port.closeMonitor();
        port.closeFeatureDevice();
    }
    EXPECT_EQ(backend.overlaps, 0);
    EXPECT_EQ(backend.notWoken, 0);
}

// Presence follows the backend's change notices: with an hour between
// looks of its own, the mouse still comes and goes at once, and closing
// wakes the threads that sleep for it.
// Slot 10's library over a simulated wired mouse, with an hour between its
// own looks for the mouse, and the messages it posts recorded.
class WiredDevPortTest : public ::testing::Test {
  protected:
    WiredDevPortTest() { port.setVidPid(0x1D57, 0xFA79); }

    sim::SimBackend backend;
    sim::SimMouse& mouse = backend.plugWiredMouse(velor::testing::ms10());
    RecordingPoster poster;
    PosterWindow window{poster};
    DevPort port{[this] { return &backend; }, 1h};
};

TEST_F(WiredDevPortTest, FindsTheWiredMouseWatchesItAndForwardsItsStatus) {
    port.openMonitor(&window.window, 0x693, 0x694);
    ASSERT_EQ(port.openFeatureDevice(), 1);

    const Report opening = buildOpening();
    EXPECT_EQ(port.setFeature(opening.buffer.data(), 10), 10);
    EXPECT_EQ(mouse.settings().openings, 1);

    mouse.emitRaw({3, 0x36, 0x40});        // too short: dropped
    mouse.emitRaw({2, 0x36, 0x40, 1, 0});  // not a status report: dropped
    mouse.emitRaw({3, 0x00, 0x7F, 2, 0});  // would read as "mouse removed": dropped
    mouse.emitStatus(0x40, 0x5001);
    ASSERT_TRUE(eventually([&] { return poster.count(0x693) == 1; }));
    EXPECT_EQ(poster.messages.size(), 1u);
    EXPECT_EQ(poster.messages[0].wParam, 0x4036u);
    EXPECT_EQ(poster.messages[0].lParam, 0x5001);

    backend.unplug(mouse);
    ASSERT_TRUE(eventually([&] { return poster.count(0x694) == 1; }));
    EXPECT_EQ(port.setFeature(opening.buffer.data(), 10), 0);
    port.closeFeatureDevice();
    backend.plugBack(mouse);
    ASSERT_TRUE(eventually([&] { return poster.count(0x693) == 2; }));
    EXPECT_EQ(poster.messages.back().wParam, 0x7F00u);
    EXPECT_EQ(poster.messages.back().lParam, 1);

    {
        const HangGuard bound("closing the monitor with the mouse gone");
        port.closeMonitor();
    }
    const auto before = poster.take().size();
    backend.unplug(mouse);
    std::this_thread::sleep_for(30ms);
    EXPECT_TRUE(poster.take().empty());
    EXPECT_GT(before, 0u);
}

// The library's entry points come in any order: a device opened before the
// monitor still has its reports read.
TEST_F(WiredDevPortTest, AMonitorOpenedAfterTheDeviceReadsItsStatus) {
    ASSERT_EQ(port.openFeatureDevice(), 1);
    port.openMonitor(&window.window, 0x693, 0x694);
    mouse.emitStatus(0x40, 0x5001);
    ASSERT_TRUE(eventually([&] { return poster.count(0x693) == 1; }));
    EXPECT_EQ(poster.messages[0].wParam, 0x4036u);
    const HangGuard bound("closing the monitor");
    port.closeMonitor();
}

TEST(DevPort, NoMouseNoDevice) {
    sim::SimBackend backend;
    DevPort port([&] { return &backend; }, 5ms);
    port.setVidPid(0x1D57, 0xFA79);
    EXPECT_EQ(port.openFeatureDevice(), 0);
    EXPECT_EQ(port.setFeature(buildOpening().buffer.data(), 10), 0);
}

std::string programFolder() {
    return VELOR_PROGRAM_DIR "/";
}

TEST(FeatureLibraryFiles, EverySlotsLibraryLoadsWithItsSevenEntries) {
    sim::SimBackend backend;
    sim::SimMouse& mouse = backend.plugWiredMouse(velor::testing::ms10());
    for (const char* name :
         {"devport_1", "devport_2", "devport_3", "devport_4", "devport_5", "devport_6",
          "devport_ms_7", "devport_ms_8", "devport_ms_9", "devport_ms_10"}) {
        auto library = loadFeatureLibrary(programFolder(), name, &backend);
        ASSERT_TRUE(library) << library.error();
        // The library reaches the program's simulated mouse through the shared backend.
        (*library)->setVidPid(0x1D57, 0xFA79);
        EXPECT_EQ((*library)->openFeatureDevice(), 1) << name;
        EXPECT_NE((*library)->setFeature(buildOpening().bytes()), 0) << name;
        (*library)->closeFeatureDevice();
    }
    EXPECT_EQ(mouse.settings().openings, 10);
}

TEST(FeatureLibraryFiles, MissingFileOrEntryLeavesNoLibrary) {
    const auto missing = loadFeatureLibrary(programFolder(), "devport_none", nullptr);
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find("devport_none."), std::string::npos) << missing.error();

    const auto incomplete =
        loadFeatureLibrary(VELOR_TEST_LIBRARY_DIR "/", "devport_incomplete", nullptr);
    ASSERT_FALSE(incomplete);
    EXPECT_NE(incomplete.error().find("lacks SetFeature, GetFeature"), std::string::npos)
        << incomplete.error();
}

}  // namespace
}  // namespace velor
