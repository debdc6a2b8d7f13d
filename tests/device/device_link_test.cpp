#include "device/device_link.h"

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "../support/link_fakes.h"
#include "../support/test_records.h"
#include "protocol/report_builders.h"

namespace velor {
namespace {

using ::testing::ElementsAre;
using testing::FakeLibrary;
using testing::RecordingPoster;
using testing::RecordingView;

constexpr std::uint32_t kMessageA = 0x693;
constexpr std::uint32_t kMessageB = 0x694;
constexpr std::uint32_t kApplyRequest = 0x695;
constexpr std::uint32_t kApplyCommand = 0x690;

std::vector<std::uint8_t> bytesOf(const Report& r) {
    return {r.bytes().begin(), r.bytes().end()};
}

// A receiver command interface that logs every feature report with its time.
class FakeReceiver final : public HidDevice {
  public:
    explicit FakeReceiver(VirtualClock& clock) : clock_(clock) {}
    int sendFeatureReport(std::span<const std::uint8_t> r) override {
        sent.push_back({clock_.now().count(), {r.begin(), r.end()}});
        return static_cast<int>(r.size());
    }
    int write(std::span<const std::uint8_t>) override { return -1; }
    int readTimeout(std::span<std::uint8_t>, int) override { return 0; }
    bool setNonBlocking(bool) override { return true; }

    std::vector<std::pair<long long, std::vector<std::uint8_t>>> sent;

  private:
    VirtualClock& clock_;
};

class DeviceLinkTest : public ::testing::Test {
  protected:
    DeviceLinkTest() {
        clock.onSleep = [this](Millis d) {
            sleeps.push_back(d.count());
            if (afterSleep) afterSleep();
        };
        link = std::make_unique<DeviceLink>(
            DeviceLink::Wiring{testing::ms10(), clock, mainWindow, view,
                               [this](std::string_view line) { debugLines.emplace_back(line); }});
    }

    FakeLibrary& openWired(int openResult = 1) {
        auto library = std::make_unique<FakeLibrary>(clock);
        library->openResult = openResult;
        FakeLibrary& fake = *library;
        link->open(std::move(library));
        return fake;
    }

    FakeReceiver& goWireless() {
        auto receiver = std::make_shared<FakeReceiver>(clock);
        link->setReceiver(receiver, nullptr);
        link->setWirelessOnline(true);
        return *receiver;
    }

    VirtualClock clock;
    std::vector<long long> sleeps;
    std::function<void()> afterSleep;
    RecordingPoster mainWindow;
    RecordingView view;
    std::vector<std::string> debugLines;
    std::unique_ptr<DeviceLink> link;
};

TEST_F(DeviceLinkTest, OpenAsksTheLibraryForTheWiredMouse) {
    FakeLibrary& library = openWired();
    ASSERT_EQ(library.calls.size(), 3u);
    EXPECT_EQ(library.calls[0].name, "Set_VIDPID");
    EXPECT_THAT(library.calls[0].bytes, ElementsAre(0x1D, 0x57, 0xFA, 0x79));
    EXPECT_EQ(library.calls[1].name, "Open_DevMonitor");
    EXPECT_EQ(library.messageA, kMessageA);
    EXPECT_EQ(library.messageB, kMessageB);
    EXPECT_EQ(library.calls[2].name, "Open_FeatureDevice");
    EXPECT_EQ(link->wiredState(), 1);
    EXPECT_FALSE(link->offline());
    EXPECT_TRUE(link->connected());
    EXPECT_EQ(mainWindow.count(kConnectedChangedMessage), 1);
    EXPECT_THAT(view.calls,
                ElementsAre("sleep 0", "charging_text", "animation 0", "wired 1", "link up"));
}

TEST_F(DeviceLinkTest, OpenWithoutAMouseOrWithoutALibraryLeavesTheWiredPathClosed) {
    openWired(0);
    EXPECT_EQ(link->wiredState(), 0);
    EXPECT_TRUE(link->offline());
    EXPECT_FALSE(link->connected());
    EXPECT_EQ(mainWindow.count(kConnectedChangedMessage), 1);  // posted at open in any case
    EXPECT_THAT(view.calls, ElementsAre("sleep 1", "wired 0"));

    DeviceLink bare({testing::ms10(), clock, mainWindow, view, {}});
    bare.open(nullptr);
    EXPECT_FALSE(bare.hasLibrary());
    bare.onDeviceCode(deviceCodeFromMessageA(0x7F00, 1));
    EXPECT_EQ(bare.wiredState(), 0);
    EXPECT_EQ(bare.send(bytesOf(buildOpening())), 0);
}

TEST_F(DeviceLinkTest, WiredReportIsOneCallPausedOnlyAfterSuccess) {
    FakeLibrary& library = openWired();
    library.setFeatureResults = {10, 0};
    const auto opening = bytesOf(buildOpening());

    EXPECT_EQ(link->send(opening), 10);
    EXPECT_THAT(sleeps, ElementsAre(500));
    EXPECT_EQ(link->send(opening), 0);
    EXPECT_THAT(sleeps, ElementsAre(500));  // no pause after a failed send
    EXPECT_EQ(library.callsNamed("SetFeature").size(), 2u);
    EXPECT_EQ(library.callsNamed("SetFeature")[0].bytes, opening);
}

TEST_F(DeviceLinkTest, WiredMacroGoesOutAsThreeChunks) {
    FakeLibrary& library = openWired();
    ProfileRecord record = testing::defaultRecord();
    const MacroAction a{0x04, MacroAction::kPress, 10};
    testing::assignMacro(record, 5, std::span(&a, 1));
    const Report macro = buildMacro(record, 5);

    EXPECT_EQ(link->send(macro.bytes()), 64);
    const auto chunks = library.callsNamed("SetFeature");
    ASSERT_EQ(chunks.size(), 3u);
    const auto expected = splitMacro(macro, false);
    for (std::size_t n = 0; n < 3; ++n)
        EXPECT_TRUE(std::equal(expected[n].begin(), expected[n].end(), chunks[n].bytes.begin(),
                               chunks[n].bytes.end()));
    EXPECT_THAT(sleeps, ElementsAre(200, 200, 200, 500));
}

TEST_F(DeviceLinkTest, WirelessWithoutAcknowledgementSendsTenCopiesHalfASecondApart) {
    openWired(0);
    FakeReceiver& receiver = goWireless();
    const auto polling = bytesOf(buildPolling(testing::defaultRecord()));

    EXPECT_EQ(link->send(polling), 0);  // every copy went out, none was acknowledged
    ASSERT_EQ(receiver.sent.size(), 10u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(receiver.sent[i].first, 500 * static_cast<long long>(i));
        EXPECT_EQ(receiver.sent[i].second, polling);
    }
    EXPECT_EQ(debugLines, std::vector<std::string>(10, "Wireless Send = 9"));
    EXPECT_EQ(clock.now().count(), 10 * 500 + 500);  // the closing pause after copies went out
}

TEST_F(DeviceLinkTest, EachTimeAPathComesUpTheViewIsTold) {
    openWired(0);
    view.calls.clear();
    link->setWirelessOnline(true);
    link->setWirelessOnline(true);  // further reports keep it up: nothing new
    link->setWirelessOnline(false);
    link->setWirelessOnline(true);
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "link up"), 2);
}

TEST_F(DeviceLinkTest, AcknowledgementAfterTheFirstCopyEndsTheRepetition) {
    openWired(0);
    FakeReceiver& receiver = goWireless();
    afterSleep = [this] { link->setStopResend(true); };
    link->send(bytesOf(buildOpening()));
    EXPECT_EQ(receiver.sent.size(), 1u);
    EXPECT_EQ(debugLines.size(), 1u);
}

TEST_F(DeviceLinkTest, WirelessMacroPassesThreeChunksASecondApartUntilAcknowledged) {
    openWired(0);
    FakeReceiver& receiver = goWireless();
    ProfileRecord record = testing::defaultRecord();
    testing::assignMacro(record, 2, {});
    int chunksSeen = 0;
    afterSleep = [&] {
        if (++chunksSeen == 6) link->setStopResend(true);  // ack during the second pass
    };
    link->send(buildMacro(record, 2).bytes());
    ASSERT_EQ(receiver.sent.size(), 6u);
    EXPECT_EQ(receiver.sent[2].second[1], 0x0C);  // third chunk over the air
    EXPECT_EQ(receiver.sent[3].first, 3000);
    EXPECT_TRUE(debugLines.empty());
}

TEST_F(DeviceLinkTest, BothPathsUpUseTheCableAndOnlyAFailedMacroGoesWireless) {
    FakeLibrary& library = openWired();
    FakeReceiver& receiver = goWireless();
    link->send(bytesOf(buildButtons(testing::defaultRecord())));
    EXPECT_EQ(library.callsNamed("SetFeature").size(), 1u);
    EXPECT_TRUE(receiver.sent.empty());

    ProfileRecord record = testing::defaultRecord();
    testing::assignMacro(record, 3, {});
    library.setFeatureResults = {64, 64, 0};  // third wired chunk fails
    afterSleep = [&] {
        if (receiver.sent.size() == 3) link->setStopResend(true);
    };
    link->send(buildMacro(record, 3).bytes());
    EXPECT_EQ(library.callsNamed("SetFeature").size(), 4u);
    ASSERT_EQ(receiver.sent.size(), 3u);
    EXPECT_EQ(receiver.sent[2].second[1], 0x0C);

    // The cable pulled: the receiver still carries what is sent, and the
    // mouse is not shown asleep.
    view.calls.clear();
    link->onDeviceCode(deviceCodeFromMessageB(0));
    EXPECT_FALSE(link->offline());
    EXPECT_EQ(view.calls.front(), "sleep 0");
    afterSleep = [&] { link->setStopResend(true); };
    EXPECT_NE(link->send(bytesOf(buildButtons(testing::defaultRecord()))), 0);
    EXPECT_EQ(receiver.sent.size(), 4u);
    EXPECT_EQ(library.callsNamed("SetFeature").size(), 4u);  // none on the pulled cable
}

TEST_F(DeviceLinkTest, RemovalAndArrivalFollowTheCable) {
    FakeLibrary& library = openWired();
    mainWindow.take();
    view.calls.clear();

    link->onDeviceCode(deviceCodeFromMessageA(0x7F00, 1));  // arrival while wired
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(library.callsNamed("Open_FeatureDevice").size(), 1u);

    link->onDeviceCode(deviceCodeFromMessageB(0));
    link->onDeviceCode(deviceCodeFromMessageB(0));  // a second removal changes nothing
    EXPECT_EQ(link->wiredState(), 2);
    EXPECT_TRUE(link->offline());
    EXPECT_EQ(library.callsNamed("Close_FeatureDevice").size(), 1u);
    EXPECT_EQ(mainWindow.count(kConnectedChangedMessage), 1);
    EXPECT_THAT(view.calls,
                ElementsAre("sleep 1", "wired 0", "power cleared", "animation stopped"));

    view.calls.clear();
    link->onDeviceCode(deviceCodeFromMessageB(1));
    EXPECT_THAT(sleeps, ElementsAre(1000));
    EXPECT_EQ(library.callsNamed("Open_FeatureDevice").back().at, 1000);
    EXPECT_EQ(link->wiredState(), 1);
    EXPECT_FALSE(link->offline());
    EXPECT_EQ(mainWindow.count(kConnectedChangedMessage), 2);
    EXPECT_THAT(view.calls, ElementsAre("sleep 0", "wired 1", "sections", "charging_text",
                                        "animation 1", "link up"));
}

TEST_F(DeviceLinkTest, AnArrivalThatCannotBeOpenedIsNotShownAsWired) {
    FakeLibrary& library = openWired(0);
    link->onDeviceCode(deviceCodeFromMessageA(0x7F00, 1));
    EXPECT_EQ(library.callsNamed("Open_FeatureDevice").size(), 2u);
    EXPECT_EQ(link->wiredState(), 0);
    EXPECT_TRUE(link->offline());
    library.openResult = 1;
    link->onDeviceCode(deviceCodeFromMessageA(0x7F00, 1));  // a later arrival is not ignored
    EXPECT_EQ(link->wiredState(), 1);
}

TEST_F(DeviceLinkTest, CodesAreDecodedAndStatusReportsHandedOn) {
    openWired();
    // Every event type the mouse reports goes on, the lowest and the highest
    // included; nothing else does.
    for (const std::uint16_t word : std::initializer_list<std::uint16_t>{
             0x1036, 0x2036, 0x4036, 0x5036, 0x6036, 0x7036, 0x8036})
        link->onDeviceCode(deviceCodeFromMessageA(word, word >> 8));
    link->onDeviceCode(deviceCodeFromMessageA(0x0F36, 1));  // below the status range
    link->onDeviceCode(deviceCodeFromMessageA(0x9136, 1));  // above it
    link->onDeviceCode(deviceCodeFromMessageB(7));          // neither arrival nor removal
    link->onDeviceCode(deviceCodeFromMessageA(0x5010, 0));  // another slot's model code
    link->onDeviceCode(deviceCodeFromMessageA(0x3036, 1));  // no such event type
    using Seen = std::pair<std::uint16_t, std::uint16_t>;
    EXPECT_THAT(
        view.statusReports,
        ElementsAre(Seen{0x1036, 0x10}, Seen{0x2036, 0x20}, Seen{0x4036, 0x40}, Seen{0x5036, 0x50},
                    Seen{0x6036, 0x60}, Seen{0x7036, 0x70}, Seen{0x8036, 0x80}));
    EXPECT_EQ(link->wiredState(), 1);
    EXPECT_EQ(deviceCodeFromMessageB(1), 0x7F000001u);
    EXPECT_EQ(deviceCodeFromMessageB(0), 0x7F000002u);
}

TEST_F(DeviceLinkTest, WorkerRunsApplyRequestsInOrderOnlyWhileAPathIsOpen) {
    std::vector<int> order;
    std::atomic<int> running{0};
    bool overlapped = false;
    link->setApplyHandler([&] {
        overlapped |= running.fetch_add(1) != 0;
        order.push_back(static_cast<int>(order.size()));
        running.fetch_sub(1);
    });
    openWired(0);
    link->postToWorker(kApplyCommand);
    link->waitForWorker();
    EXPECT_TRUE(order.empty());  // neither path open

    link->setWirelessOnline(true);
    link->postToWorker(kApplyCommand);
    link->postToWorker(kApplyCommand + 1);  // not the apply command
    link->postToWorker(kApplyCommand);
    link->waitForWorker();
    EXPECT_THAT(order, ElementsAre(0, 1));
    EXPECT_FALSE(overlapped);

    link->requestApply();
    EXPECT_EQ(mainWindow.count(kApplyRequest), 1);
}

// Waits on another thread by the steady clock: a count of short sleeps is no
// bound where a sleep shorter than the system's tick returns at once (wine).
bool within10s(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

TEST_F(DeviceLinkTest, ClosingDrainsTheQueueWithoutWaitingOnTheMouse) {
    openWired(0);
    FakeReceiver& receiver = goWireless();  // a mouse that never acknowledges
    std::atomic<int> applies{0};
    link->setApplyHandler([&] {
        link->send(bytesOf(buildOpening()));
        ++applies;
    });
    // The first copy's pause lasts until the page starts closing.
    std::atomic<bool> sleeping{false};
    long long closedAt = -1;
    afterSleep = [&] {
        if (sleeping.exchange(true)) return;
        EXPECT_TRUE(within10s([&] { return link->closing(); })) << "the page never started closing";
        closedAt = clock.now().count();
    };
    for (int i = 0; i < 5; ++i) link->postToWorker(kApplyCommand);
    ASSERT_TRUE(within10s([&] { return sleeping.load(); }))
        << "the first apply never reached its pause";
    link->close();
    EXPECT_EQ(applies, 5);                // every queued apply ran (and would store)
    EXPECT_LE(receiver.sent.size(), 1u);  // no repetition, no later report
    EXPECT_EQ(closedAt, 500);
    EXPECT_EQ(clock.now().count(), 500);  // and no pause after the close began
    EXPECT_THAT(sleeps, ElementsAre(500));
}

// A pause under way when the link closes ends there: on a real clock a
// macro's one-second chunk pause is not waited out.
TEST(LinkPause, AWakeEndsASleepAndOneGivenBeforeEndsTheNextAtOnce) {
    VirtualClock clock;
    WakeSignal wake;
    EXPECT_TRUE(clock.sleepUnlessWoken(Millis(1000), wake));
    wake.signal();
    EXPECT_FALSE(clock.sleepUnlessWoken(Millis(1000), wake));
    EXPECT_EQ(clock.now().count(), 1000);
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        wake.signal();
    });
    // Woken, not slept out (which would take the minute and answer true).
    EXPECT_FALSE(systemClock().sleepUnlessWoken(Millis(60'000), wake));
    closer.join();
}

TEST_F(DeviceLinkTest, CloseEndsTheLibraryAndDropsItsLatePosts) {
    auto owned = std::make_unique<FakeLibrary>(clock);
    FakeLibrary& library = *owned;
    link->open(std::move(owned));
    const VelorPoster window = library.window;
    library.post(kMessageA, 0x7F00, 2);
    EXPECT_EQ(mainWindow.count(kMessageA), 1);
    link->close();
    // The library object is gone with the link's close; what it kept of the
    // window must still be safe to call.
    window.post(window.context, kMessageA, 0x7F00, 1);
    EXPECT_EQ(mainWindow.count(kMessageA), 1);
}

}  // namespace
}  // namespace velor

namespace velor {
namespace {

TEST_F(DeviceLinkTest, OnlyAWiredChunkThatWentOutIsFollowedByItsPause) {
    FakeLibrary& library = openWired();
    library.setFeatureResults = {64, 0, 64};  // the middle chunk is refused
    ProfileRecord record = testing::defaultRecord();
    const MacroAction a{0x04, MacroAction::kPress, 10};
    testing::assignMacro(record, 5, std::span(&a, 1));
    link->send(buildMacro(record, 5).bytes());
    EXPECT_THAT(sleeps, ElementsAre(200, 200, 500));
}

}  // namespace
}  // namespace velor
