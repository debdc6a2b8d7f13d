// What lies between hidapi and the rest: reading input reports on an hidraw
// node (here a named pipe, which Linux gives without hardware), telling our
// devices' comings and goings from udev's, and choosing the interface to open.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <future>
#include <map>

#include "../support/hang_guard.h"
#include "../support/temp_folder.h"
#include "devport/dev_port.h"
#include "hid/hid_backend.h"
#include "hid/interface_key.h"
#include "hid/linux/hidraw_input.h"
#include "hid/linux/udev_change_watch.h"
#include "hid/scan_cache.h"

namespace velor {
namespace {

using Bytes = std::vector<std::uint8_t>;

class HidrawInputTest : public ::testing::Test {
  protected:
    HidrawInputTest() {
        ::mkfifo(path.c_str(), 0600);
        // Both ends, so the reader neither waits for a writer nor sees one leave.
        writer = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    }
    ~HidrawInputTest() override {
        if (writer >= 0) ::close(writer);
    }
    void send(const Bytes& report) const {
        ASSERT_EQ(::write(writer, report.data(), report.size()), ssize_t(report.size()));
    }
    // A read with a buffer of 64 bytes: its result and the bytes it gave.
    static std::pair<int, Bytes> read(HidrawInput& input, int timeoutMs) {
        Bytes buffer(64, 0xEE);
        const int n = input.readTimeout(buffer, timeoutMs);
        buffer.resize(n > 0 ? std::size_t(n) : 0);
        return {n, buffer};
    }

    testing::TempFolder temp;
    const std::string path = temp.folder() + "hidraw";
    int writer = -1;
};

TEST_F(HidrawInputTest, ReportsComeWholeNothingIsZeroAndAHangUpIsAnError) {
    ASSERT_GE(writer, 0);
    HidrawInput input(path);
    EXPECT_EQ(read(input, 0), (std::pair{0, Bytes{}}));
    send({0x03, 0x36, 0x40, 0x01, 0x50});
    EXPECT_EQ(read(input, -1), (std::pair{5, Bytes{0x03, 0x36, 0x40, 0x01, 0x50}}));
    EXPECT_EQ(read(input, 0), (std::pair{0, Bytes{}}));
    // The node goes away under the reader (the mouse unplugged): -1, not "nothing yet".
    ::close(writer);
    writer = -1;
    EXPECT_EQ(read(input, -1).first, -1);

    HidrawInput nowhere(temp.folder() + "missing");
    EXPECT_EQ(read(nowhere, 0).first, -1);

    // A report another reader took between the wake-up and the read is
    // "nothing yet"; any other failure ends the reading.
    EXPECT_EQ(hidrawReadResult(-1, EAGAIN), 0);
    EXPECT_EQ(hidrawReadResult(-1, EIO), -1);
    EXPECT_EQ(hidrawReadResult(-1, ENODEV), -1);
    EXPECT_EQ(hidrawReadResult(7, 0), 7);
}

// A reader that waits for good is woken by a cancel from another thread, and
// every later read returns at once, reports waiting or not.
TEST_F(HidrawInputTest, ACancelWakesAReaderThatWaitsForeverAndStopsEveryLaterRead) {
    ASSERT_GE(writer, 0);
    HidrawInput input(path);
    auto waiting = std::async(std::launch::async, [&] { return read(input, -1); });
    EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    input.cancel();
    // Bounded, so a reader the cancel missed fails the test instead of hanging
    // it: the node's hang-up then sets the reader free.
    if (waiting.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ::close(std::exchange(writer, -1));
        FAIL() << "the cancel did not wake the reader";
    }
    EXPECT_EQ(waiting.get(), (std::pair{0, Bytes{}}));
    send({0x03, 0x36, 0x10, 0x02, 0x00});
    EXPECT_EQ(read(input, -1), (std::pair{0, Bytes{}}));
}

// udev's add and remove of hidraw nodes, by the HID_ID of their hid parent.
TEST(HidrawChanges, OnlyOurVendorsArrivalsAndRemovalsCount) {
    struct Case {
        const char* action;
        const char* hidId;
        bool ours;
    };
    const Case cases[] = {
        {"add", "0003:00001D57:0000FA60", true},
        {"remove", "0003:00001D57:0000FA79", true},
        {"add", "0005:00001D57:00000033", true},  // over Bluetooth
        {"add", "0003:0000046D:0000C077", false},
        {"remove", "0003:00001D56:0000FA60", false},
        {"change", "0003:00001D57:0000FA60", false},
        {"bind", "0003:00001D57:0000FA60", false},
        {"remove", nullptr, true},   // the parent is gone already
        {"add", "0003:1D57", true},  // unreadable: better one look too many
    };
    for (const Case& c : cases)
        EXPECT_EQ(hidrawChangeConcerns(c.action, c.hidId, 0x1D57), c.ours)
            << c.action << " " << (c.hidId ? c.hidId : "(none)");
    // Where udev can be reached, a stop wakes the wait, and every later wait
    // ends at once.
    if (const auto watch = watchHidrawChanges(0x1D57)) {
        const velor::testing::HangGuard guard("a stopped udev watch");
        auto waiting = std::async(std::launch::async, [&] { return watch->waitForChange(); });
        watch->stop();
        EXPECT_FALSE(waiting.get());
        EXPECT_FALSE(watch->waitForChange());
    }
}

// A start's many enumerations cost one scan of the vendor's devices until
// the system tells of a change; without such news every one scans.
TEST(ScanCache, OneScanServesEveryProductOfAVendorUntilADeviceComesOrGoes) {
    std::vector<std::uint16_t> scanned;
    bool changed = false;
    const auto scan = [&](std::uint16_t vendor) {
        scanned.push_back(vendor);
        std::vector<HidDeviceInfo> all{{"/dev/hidraw1", vendor, 0xFA60, 0xFF00, 1, 1},
                                       {"/dev/hidraw2", vendor, 0xFA79, 0x0001, 2, 0}};
        if (scanned.size() > 1) all.pop_back();  // the receiver went
        return all;
    };
    const auto paths = [](const std::vector<HidDeviceInfo>& found) {
        std::vector<std::string> p;
        for (const HidDeviceInfo& d : found) p.push_back(d.path);
        return p;
    };
    ScanCache cache(scan, [&] { return std::exchange(changed, false); });
    EXPECT_EQ(paths(cache.enumerate(0x1D57, 0xFA60)), std::vector<std::string>{"/dev/hidraw1"});
    EXPECT_EQ(paths(cache.enumerate(0x1D57, 0xFA79)), std::vector<std::string>{"/dev/hidraw2"});
    EXPECT_EQ(cache.enumerate(0x1D57, 0).size(), 2u);
    EXPECT_TRUE(cache.enumerate(0x1D57, 0x1234).empty());
    EXPECT_EQ(scanned, std::vector<std::uint16_t>{0x1D57});
    changed = true;
    EXPECT_TRUE(cache.enumerate(0x1D57, 0xFA79).empty());
    EXPECT_EQ(cache.enumerate(0x046D, 0xFA60).size(), 1u);  // another vendor's own scan
    EXPECT_EQ(scanned, (std::vector<std::uint16_t>{0x1D57, 0x1D57, 0x046D}));
    cache.forget();  // a watch told its caller of a change
    cache.enumerate(0x046D, 0xFA60);
    EXPECT_EQ(scanned.size(), 4u);

    ScanCache blind(scan, {});
    blind.enumerate(0x1D57, 0xFA60);
    blind.enumerate(0x1D57, 0xFA60);
    EXPECT_EQ(scanned.size(), 6u);
}

TEST(HidInterfaceKey, TheDeviceAboveTheInterface) {
    EXPECT_EQ(hidInterfaceKey("sim:1d57:fa60:0:1"), "sim:1d57:fa60:0");
    EXPECT_EQ(hidInterfaceKey("sim:1d57:fa60:0:0"), "sim:1d57:fa60:0");
    EXPECT_EQ(hidInterfaceKey("nocolon"), "");
    EXPECT_EQ(hidInterfaceKey("/dev/hidraw999"), "");  // a node udev does not know
}

// A device whose interfaces come in a given order; it remembers which was
// opened and what was sent to it.
class ListedDevice final : public HidBackend {
  public:
    explicit ListedDevice(std::vector<std::pair<std::string, std::uint16_t>> interfaces)
        : interfaces_(std::move(interfaces)) {}
    std::vector<HidDeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override {
        std::vector<HidDeviceInfo> found;
        for (const auto& [path, usagePage] : interfaces_)
            found.push_back({path, vendorId, productId, usagePage, 1, 0});
        return found;
    }
    std::unique_ptr<HidDevice> open(const std::string& path) override {
        return std::make_unique<Handle>(sent[path]);
    }
    std::map<std::string, std::vector<Bytes>> sent;

  private:
    class Handle final : public HidDevice {
      public:
        explicit Handle(std::vector<Bytes>& sent) : sent_(sent) {}
        int sendFeatureReport(std::span<const std::uint8_t> r) override {
            sent_.emplace_back(r.begin(), r.end());
            return static_cast<int>(r.size());
        }
        int write(std::span<const std::uint8_t> r) override { return sendFeatureReport(r); }
        int readTimeout(std::span<std::uint8_t>, int) override { return 0; }
        bool setNonBlocking(bool) override { return true; }

      private:
        std::vector<Bytes>& sent_;
    };
    std::vector<std::pair<std::string, std::uint16_t>> interfaces_;
};

// The wired mouse's settings go to its vendor-defined interface (usage page
// 0xFF00 and up), even when the system lists its pointer or keyboard first;
// a receiver's interfaces are taken by their exact usage page.
TEST(InterfaceChoice, SettingsGoToTheVendorInterfaceWhateverComesFirst) {
    const Bytes report = {0x04, 0x01, 0x02};
    struct Case {
        std::vector<std::pair<std::string, std::uint16_t>> interfaces;
        const char* chosen;
    };
    const Case cases[] = {
        {{{"pointer", 0x0001}, {"config", 0xFF00}}, "config"},
        {{{"pointer", 0x0001}, {"keys", 0x000C}, {"config", 0xFFA0}}, "config"},
        {{{"config", 0xFF00}, {"pointer", 0x0001}}, "config"},
        {{{"pointer", 0x0001}, {"keys", 0x000C}}, "pointer"},  // none: the first
    };
    for (const Case& c : cases) {
        ListedDevice device(c.interfaces);
        DevPort port([&] { return &device; }, std::chrono::hours(1));
        port.setVidPid(0x1D57, 0xFA79);
        ASSERT_EQ(port.openFeatureDevice(), 1);
        EXPECT_EQ(port.setFeature(report.data(), 3), 3);
        port.closeFeatureDevice();
        EXPECT_EQ(device.sent, (std::map<std::string, std::vector<Bytes>>{{c.chosen, {report}}}))
            << c.chosen;
    }

    ListedDevice receiver4k({{"report", 0x000A}, {"other", 0xFF01}, {"command", 0xFF00}});
    openInterface(receiver4k, 0x1D57, 0xFA65, 0xFF00)->sendFeatureReport(report);
    openInterface(receiver4k, 0x1D57, 0xFA65, 0x000A)->sendFeatureReport(report);
    EXPECT_EQ(receiver4k.sent, (std::map<std::string, std::vector<Bytes>>{{"command", {report}},
                                                                          {"report", {report}}}));
    EXPECT_EQ(openInterface(receiver4k, 0x1D57, 0xFA65, 0x000B), nullptr);
}

}  // namespace
}  // namespace velor
