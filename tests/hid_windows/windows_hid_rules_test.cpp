// What the Windows HID backend reads from an interface path and how it shapes
// reports for Windows, worked out by hand from the path and report forms.
// Plain text and byte work: runs on every system.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "hid/windows/device_path.h"
#include "hid/windows/report_buffers.h"

namespace velor {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct PathCase {
    const char* path;
    int interfaceNumber;
    std::optional<UsbIds> ids;
    bool concernsUs;  // a change of this path wakes a watch for 0x1D57
};

TEST(WindowsHidPath, InterfaceIdsAndVendorFilter) {
    const PathCase cases[] = {
        {R"(\\?\hid#vid_1d57&pid_fa60&mi_01&col02#7&2f1c3a&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030})",
         1, UsbIds{0x1D57, 0xFA60}, true},
        // Notifications may spell the path in capitals; "0A" is hex.
        {R"(\\?\HID#VID_1D57&PID_FA65&MI_0A#8&1B2C&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030})",
         10, UsbIds{0x1D57, 0xFA65}, true},
        // A device with one interface names none.
        {R"(\\?\hid#vid_1d57&pid_fa60#6&3a1f&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})", -1,
         UsbIds{0x1D57, 0xFA60}, true},
        {R"(\\?\hid#vid_046d&pid_c52b&mi_02&col01#8&5e1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})",
         2, UsbIds{0x046D, 0xC52B}, false},
        // Bluetooth spells its ids otherwise: unknown, so counted.
        {R"(\\?\hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&0002046d_pid&b023&col01#9&2d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})",
         -1, std::nullopt, true},
        // Cut or damaged fields give nothing rather than a wrong number.
        {R"(\\?\hid#vid_1d5&pid_fa60&mi_zz#x)", -1, std::nullopt, true},
        {R"(\\?\hid#vid_1d57&pid_fa6)", -1, std::nullopt, true},
        {R"(\\?\hid#vid_1d57&pid_fa60&mi_1)", -1, UsbIds{0x1D57, 0xFA60}, true},
        {"", -1, std::nullopt, true},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(interfaceNumberFromPath(c.path), c.interfaceNumber);
        EXPECT_EQ(usbIdsFromPath(c.path), c.ids);
        EXPECT_EQ(changeConcernsVendor(c.path, 0x1D57), c.concernsUs);
    }
}

// The receiver's interfaces pair under the first ancestor that is the USB
// device itself.
TEST(WindowsHidPath, OnlyAWholeUsbDeviceKeysAReceiver) {
    EXPECT_TRUE(namesUsbDevice(R"(USB\VID_1D57&PID_FA60\5&2A1B&0&3)"));
    EXPECT_TRUE(namesUsbDevice(R"(usb\vid_1d57&pid_fa65\6&1c&0&1)"));
    EXPECT_FALSE(namesUsbDevice(R"(USB\VID_1D57&PID_FA60&MI_01\7&2F1C3A&0&0001)"));
    EXPECT_FALSE(namesUsbDevice(R"(HID\VID_1D57&PID_FA60&MI_01&COL02\8&3B&0&0001)"));
    EXPECT_FALSE(namesUsbDevice(""));
}

TEST(WindowsHidPath, OnlyThePointerAndKeyboardAreTheSystems) {
    EXPECT_TRUE(systemOwnsCollection(0x0001, 0x0002));
    EXPECT_TRUE(systemOwnsCollection(0x0001, 0x0006));
    // Our receivers' command and report collections, and the vendor page.
    EXPECT_FALSE(systemOwnsCollection(0x000B, 0x0000));
    EXPECT_FALSE(systemOwnsCollection(0x000A, 0x0000));
    EXPECT_FALSE(systemOwnsCollection(0xFF00, 0x0001));
    EXPECT_FALSE(systemOwnsCollection(0x0002, 0x0001));
}

TEST(WindowsHidReports, ShortReportsArePaddedToTheCollectionsLength) {
    struct Case {
        Bytes report;
        std::size_t length;
        Bytes sent;
    };
    const Case cases[] = {
        {{0x06, 0x01, 0x02}, 8, {0x06, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {{0x06, 0x01, 0x02}, 3, {0x06, 0x01, 0x02}},
        {{0x06, 0x01, 0x02, 0x03}, 3, {0x06, 0x01, 0x02, 0x03}},
        {{0x06}, 0, {0x06}},
    };
    for (const Case& c : cases) {
        Bytes scratch{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        const auto sent = paddedReport(c.report, c.length, scratch);
        EXPECT_EQ(Bytes(sent.begin(), sent.end()), c.sent) << c.length;
    }
}

TEST(WindowsHidReports, InputReportsLoseTheZeroNumberAndAreCutToTheBuffer) {
    struct Case {
        Bytes received;
        std::size_t room;
        Bytes given;
    };
    const Case cases[] = {
        {{0x00, 0xAA, 0xBB, 0xCC}, 8, {0xAA, 0xBB, 0xCC}},
        {{0x05, 0xAA, 0xBB}, 8, {0x05, 0xAA, 0xBB}},
        {{0x00, 0xAA, 0xBB, 0xCC}, 2, {0xAA, 0xBB}},
        {{0x05, 0xAA, 0xBB}, 2, {0x05, 0xAA}},
        {{0x00}, 8, {}},
        {{}, 8, {}},
    };
    for (const Case& c : cases) {
        Bytes out(c.room, 0xEE);
        const std::size_t count = copyInputReport(c.received, out);
        out.resize(count);
        EXPECT_EQ(out, c.given);
    }
}

}  // namespace
}  // namespace velor
