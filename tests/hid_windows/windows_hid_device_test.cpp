// Reading and writing reports on an overlapped handle, as the Windows backend
// does on an HID interface: here the device end of a message-mode named pipe,
// which keeps report boundaries and needs no hardware. The test holds the
// other end and plays the device.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "hid/windows/windows_hid_device.h"

namespace velor {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// Long enough for any machine to hand over a report that is already there;
// a read that needs it has failed, but the test still ends.
constexpr int kReportThereMs = 10000;

class WindowsHidDeviceTest : public ::testing::Test {
  protected:
    WindowsHidDeviceTest() {
        static int serial = 0;
        const std::wstring name = L"\\\\.\\pipe\\velor-hid-test-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(++serial);
        peer_ = UniqueHandle(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                              PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                              1, 4096, 4096, 0, nullptr));
        UniqueHandle end(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
        DWORD mode = PIPE_READMODE_MESSAGE;
        SetNamedPipeHandleState(end.get(), &mode, nullptr, nullptr);
        ConnectNamedPipe(peer_.get(), nullptr);  // the device end is already there
        device_ = makeWindowsHidDevice(std::move(end), {8, 8, 8});
    }

    void deviceSends(const Bytes& report) {
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(peer_.get(), report.data(), static_cast<DWORD>(report.size()),
                              &written, nullptr));
    }
    Bytes deviceReceives() {
        Bytes report(64);
        DWORD read = 0;
        if (!ReadFile(peer_.get(), report.data(), static_cast<DWORD>(report.size()), &read,
                      nullptr))
            return {};
        report.resize(read);
        return report;
    }
    // A read with room for `room` bytes: its result and the bytes it gave.
    std::pair<int, Bytes> read(int timeoutMs, std::size_t room = 16) {
        Bytes buffer(room, 0xEE);
        const int result = device_->readTimeout(buffer, timeoutMs);
        buffer.resize(result > 0 ? static_cast<std::size_t>(result) : 0);
        return {result, buffer};
    }
    void unplug() {
        DisconnectNamedPipe(peer_.get());
        peer_.reset();
    }

    UniqueHandle peer_;
    std::unique_ptr<HidDevice> device_;
};

TEST_F(WindowsHidDeviceTest, OutputReportsGoOutPaddedToTheOutputLength) {
    ASSERT_NE(device_, nullptr);
    const Bytes frame{0x06, 0x01, 0x02};
    EXPECT_EQ(device_->write(frame), 3);
    EXPECT_EQ(deviceReceives(), (Bytes{0x06, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00}));
    const Bytes full{0x06, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(device_->write(full), 8);
    EXPECT_EQ(deviceReceives(), full);
}

TEST_F(WindowsHidDeviceTest, AReportThatComesAfterATimeoutIsTheNextReadsNotLost) {
    ASSERT_NE(device_, nullptr);
    EXPECT_EQ(read(0), (std::pair<int, Bytes>{0, {}}));
    deviceSends({0x00, 0xAA, 0xBB, 0xCC});
    EXPECT_EQ(read(kReportThereMs), (std::pair<int, Bytes>{3, {0xAA, 0xBB, 0xCC}}));
    // Numbered reports keep their number; a small buffer takes what fits.
    deviceSends({0x05, 0x11, 0x22});
    EXPECT_EQ(read(kReportThereMs, 2), (std::pair<int, Bytes>{2, {0x05, 0x11}}));
}

TEST_F(WindowsHidDeviceTest, CancelEndsAReadThatWaitsForeverAndEveryLaterOne) {
    ASSERT_NE(device_, nullptr);
    auto reader = std::async(std::launch::async, [this] { return read(-1).first; });
    device_->cancelReads();
    if (reader.wait_for(10s) != std::future_status::ready) {
        unplug();  // lets the reader go, so the test can end
        FAIL() << "the read still waits";
    }
    EXPECT_EQ(reader.get(), 0);
    deviceSends({0x00, 0xAA});
    EXPECT_EQ(read(kReportThereMs).first, 0);
}

TEST_F(WindowsHidDeviceTest, AGoneDeviceFailsReadsAndWrites) {
    ASSERT_NE(device_, nullptr);
    EXPECT_EQ(read(0).first, 0);  // leaves a read pending on the handle
    unplug();
    EXPECT_EQ(read(kReportThereMs).first, -1);
    const Bytes frame{0x06, 0x01};
    EXPECT_EQ(device_->write(frame), -1);
    // Neither a read nor a write can tell a stranger's pipe from nothing.
    EXPECT_EQ(device_->sendFeatureReport(frame), -1);
}

}  // namespace
}  // namespace velor
