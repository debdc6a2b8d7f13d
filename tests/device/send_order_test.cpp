// The send routine of each protocol family, on every combination of paths,
// in virtual time: which path takes a report, in what pieces, and the pauses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../support/link_fakes.h"
#include "../support/test_records.h"
#include "device/device_link.h"
#include "protocol/report_builders.h"

namespace velor {
namespace {

using ::testing::ElementsAre;

// Every path logs what it was given as "<path> <first bytes> @<ms>".
struct PathLog {
    VirtualClock& clock;
    std::vector<std::string> lines;
    void note(const char* path, std::span<const std::uint8_t> bytes) {
        char text[64];
        std::snprintf(text, sizeof text, "%s %02x%02x%02x%02x @%lld", path, bytes[0], bytes[1],
                      bytes[2], bytes[3], static_cast<long long>(clock.now().count()));
        lines.emplace_back(text);
    }
};

class LoggingDevice final : public HidDevice {
  public:
    LoggingDevice(PathLog& log, const char* path) : log_(log), path_(path) {}
    int sendFeatureReport(std::span<const std::uint8_t> r) override {
        log_.note(path_, r);
        return static_cast<int>(r.size());
    }
    int write(std::span<const std::uint8_t> r) override {
        log_.note(path_, r);
        return static_cast<int>(r.size());
    }
    int readTimeout(std::span<std::uint8_t>, int) override { return 0; }
    bool setNonBlocking(bool) override { return true; }

  private:
    PathLog& log_;
    const char* path_;
};

class LoggingBle final : public BleGattLink {
  public:
    explicit LoggingBle(PathLog& log) : log_(log) {}
    void registerNotifications(OnValue) override {}
    void unregister() override {}
    int write(std::span<const std::uint8_t> r) override {
        log_.note("ble", r);
        return 1;
    }

  private:
    PathLog& log_;
};

class SendOrderTest : public ::testing::Test {
  protected:
    // Opens slot's link with the paths asked for; the cable's library logs
    // into the same log.
    void open(int slot, bool cable, bool receiver24, bool receiver4k, bool ble) {
        model = descriptorFor(slot);
        link = std::make_unique<DeviceLink>(
            DeviceLink::Wiring{*model, clock, poster, view, [](std::string_view) {}, &bleLink});
        auto fake = std::make_unique<testing::FakeLibrary>(clock);
        fake->openResult = cable ? 1 : 0;
        library = fake.get();
        link->open(std::move(fake));
        if (receiver24) {
            link->setReceiver(std::make_shared<LoggingDevice>(paths, "24g"), nullptr);
            link->setWirelessOnline(true);
            link->setStopResend(false);
        }
        if (receiver4k) {
            link->setReceiver4k(std::make_shared<LoggingDevice>(paths, "4k"), nullptr);
            link->setWireless4kOnline(true);
        }
        if (ble) link->bleConnect();
    }
    // What went over each path, the cable's library included.
    std::vector<std::string> sent() {
        std::vector<std::string> all;
        for (const auto& c : library->callsNamed("SetFeature")) {
            char text[64];
            std::snprintf(text, sizeof text, "cable %02x%02x%02x%02x @%lld", c.bytes[0], c.bytes[1],
                          c.bytes[2], c.bytes[3], c.at);
            all.emplace_back(text);
        }
        all.insert(all.end(), paths.lines.begin(), paths.lines.end());
        return all;
    }
    std::vector<std::uint8_t> polling() {
        const Report r = buildPolling(newRecord(model->record, u"P"));
        return {r.bytes().begin(), r.bytes().end()};
    }
    std::vector<std::uint8_t> macro() {
        ProfileRecord r = newRecord(model->record, u"M");
        const MacroAction a{0x04, MacroAction::kPress, 10};
        testing::assignMacro(r, 5, std::span(&a, 1));
        const Report m = buildMacro(r, 5);
        return {m.bytes().begin(), m.bytes().end()};
    }

    VirtualClock clock;
    PathLog paths{clock, {}};
    LoggingBle bleLink{paths};
    testing::RecordingPoster poster;
    testing::RecordingView view;
    const ModelDescriptor* model = nullptr;
    testing::FakeLibrary* library = nullptr;
    std::unique_ptr<DeviceLink> link;
};

TEST_F(SendOrderTest, HighRateCableTakesReportsAndMacrosInTwoChunks) {
    open(3, true, true, true, false);
    EXPECT_NE(link->send(polling()), 0);
    EXPECT_NE(link->send(macro()), 0);
    EXPECT_THAT(sent(),
                ElementsAre("cable 06090140 @0", "cable 09400500 @500", "cable 09400501 @700"));
    EXPECT_EQ(clock.now().count(), 500 + 200 + 200 + 500);
}

TEST_F(SendOrderTest, HighRateFourKTakesPrecedenceOverTheOtherReceiver) {
    open(3, false, true, true, false);
    EXPECT_NE(link->send(polling()), 0);
    EXPECT_NE(link->send(macro()), 0);
    // One frame without a pause of its own; a macro's two frames 200 ms apart;
    // a closing 500 ms after each send.
    EXPECT_THAT(sent(), ElementsAre("4k 040e0006 @0", "4k 04400009 @500", "4k 04390100 @700"));
    EXPECT_EQ(clock.now().count(), 500 + 200 + 200 + 500);
}

TEST_F(SendOrderTest, HighRateFallsBackToTheTwoPointFourReceiver) {
    open(4, false, true, false, false);
    // The mouse acknowledges once the first pass is in.
    clock.onSleep = [this](Millis) {
        if (paths.lines.size() == 3) link->setStopResend(true);
    };
    EXPECT_NE(link->send(macro()), 0);
    // Three chunks, the third marked 0x0C and carrying only zeros.
    EXPECT_THAT(sent(), ElementsAre("24g 09400500 @0", "24g 09400501 @1000", "24g 090c0502 @2000"));
}

TEST_F(SendOrderTest, AHighRateMacroTheCableRefusesGoesThroughTheFourKReceiver) {
    open(3, true, false, true, false);
    library->setFeatureResults = {64, 0};  // the second chunk fails
    link->send(macro());
    EXPECT_THAT(sent(), ElementsAre("cable 09400500 @0", "cable 09400501 @200", "4k 04400009 @200",
                                    "4k 04390100 @400"));
}

TEST_F(SendOrderTest, NoPathLeavesTheReportUnsentButStillPausesOnTheNewFamilies) {
    open(3, false, false, false, false);
    EXPECT_EQ(link->send(polling()), 0);
    EXPECT_EQ(clock.now().count(), 500);
    open(10, false, false, false, false);
    clock.advance(Millis(-clock.now().count()));
    EXPECT_EQ(link->send(polling()), 0);
    EXPECT_EQ(clock.now().count(), 0);  // the reference family pauses only after a send
}

// A Bluetooth mouse has no polling rate: that report is not sent, costs no
// pause, and is not left due for every later apply.
TEST_F(SendOrderTest, BluetoothTakesAllButThePollingRateWhenNoReceiverIsUp) {
    open(7, false, false, false, true);
    EXPECT_NE(link->send(polling()), 0);
    EXPECT_NE(link->send(macro()), 0);
    EXPECT_THAT(sent(), ElementsAre("ble 09830500 @0"));
    EXPECT_EQ(clock.now().count(), 500);
}

TEST_F(SendOrderTest, HighRateBluetoothPrefersEveryReceiverToBluetooth) {
    open(6, false, false, true, true);
    link->send(polling());
    open(8, false, false, false, true);
    link->send(polling());  // Bluetooth takes no polling-rate report
    EXPECT_THAT(sent(), ElementsAre("4k 040e0006 @0"));
    EXPECT_TRUE(link->connected());
}

TEST_F(SendOrderTest, EveryLinkCountsAsConnected) {
    open(3, false, false, true, false);
    EXPECT_TRUE(link->connected());
    link->setWireless4kOnline(false);
    EXPECT_FALSE(link->connected());
    // 1290 at the start and at each change.
    EXPECT_EQ(poster.count(kConnectedChangedMessage), 3);
}

}  // namespace
}  // namespace velor
