#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "models/dpi_mapping.h"
#include "profile/record_defaults.h"
#include "protocol/report_builders.h"
#include "store/profile_store.h"
#include "util/le_bytes.h"

namespace velor {
namespace {

const ModelDescriptor& slot(int n) {
    return *descriptorFor(n);
}

TEST(Catalogue, IdsShapesAndLibrariesOfEverySlot) {
    const std::uint16_t pids[] = {0xFA61, 0xFA71, 0xFA72, 0xFA73, 0xFA74,
                                  0xFA75, 0xFA76, 0xFA77, 0xFA78, 0xFA79};
    const std::uint8_t codes[] = {0x10, 0x20, 0x21, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36};
    const std::uint32_t lengths[] = {32988, 32988, 32992, 32992, 32992,
                                     32996, 32992, 32996, 32992, 32992};
    for (int n = 1; n <= 10; ++n) {
        const ModelDescriptor& d = slot(n);
        EXPECT_EQ(d.pid, pids[n - 1]) << n;
        EXPECT_EQ(d.receiverCode, codes[n - 1]) << n;
        EXPECT_EQ(d.recordLength(), lengths[n - 1]) << n;
        EXPECT_EQ(d.messageBase, 0x600u + 0x10u * (n - 1)) << n;
        EXPECT_EQ(d.library,
                  n <= 6 ? "devport_" + std::to_string(n) : "devport_ms_" + std::to_string(n));
        EXPECT_EQ(storeHeaderSize(d), 4 + 5 * std::size_t{lengths[n - 1]});
    }
    EXPECT_EQ(storeHeaderSize(slot(1)), 164944u);
    EXPECT_EQ(storeHeaderSize(slot(6)), 164984u);
    EXPECT_EQ(slot(3).macroReportLength, 111);
    EXPECT_EQ(slot(7).macroReportLength, 131);
    EXPECT_EQ(descriptorFor(11), nullptr);
    for (int n = 1; n <= 10; ++n) EXPECT_NE(supportedDescriptor(n), nullptr) << n;
    EXPECT_EQ(descriptorForBle(0x045E, 0x0033), &slot(7));
    EXPECT_EQ(descriptorForBle(0x045E, 0x0035), &slot(9));
    EXPECT_EQ(descriptorForBle(0x1D57, 0x0033), nullptr);
}

TEST(Catalogue, FieldsSitWhereEachShapePutsThem) {
    ProfileRecord shortRecord = newRecord(slot(1).record, u"S");
    EXPECT_EQ(loadLe32(shortRecord.bytes(), 2348), 10u);  // sleep timer
    EXPECT_EQ(loadLe32(shortRecord.bytes(), 2352), 1u);   // dpiLevel
    EXPECT_EQ(shortRecord.bytes()[2460 + 1], 1);          // button 1: left click
    EXPECT_FALSE(shortRecord.has(Field::lightParam));

    ProfileRecord longRecord = newRecord(slot(6).record, u"L");
    EXPECT_EQ(loadLe32(longRecord.bytes(), 2352), 2u);  // lightParam
    EXPECT_EQ(loadLe32(longRecord.bytes(), 2364), 6u);  // pollingRateHs
    EXPECT_EQ(longRecord.bytes()[2468 + 1], 1);
    EXPECT_EQ(loadLe32(longRecord.bytes(), 2376 + 4), 1u);  // motionSync at 2380

    const ProfileRecord lightOffRecord = newRecord(slot(7).record, u"B");
    EXPECT_TRUE(lightOffRecord.has(Field::lightOffTimer));
    EXPECT_EQ(lightOffRecord.get(Field::lightMode), 7);
    EXPECT_EQ(newRecord(slot(3).record, u"H").get(Field::pollingRate), 6);
    EXPECT_EQ(newRecord(slot(2).record, u"C").get(Field::dpiX, 5), 100);
}

TEST(Catalogue, DpiMappings) {
    EXPECT_EQ(dpiFromSlider(slot(1), 200), 10000);
    EXPECT_EQ(dpiFromSlider(slot(1), 201), 10100);
    EXPECT_EQ(sliderFromDpi(slot(1), 10050), 200);
    EXPECT_EQ(sliderFromDpi(slot(1), 60), 1);
    EXPECT_EQ(sliderFromDpi(slot(9), 25000), 290);
    EXPECT_EQ(sliderFromDpi(slot(1), 25000), 220);
    EXPECT_EQ(sliderFromDpi(slot(10), 150), 2);
    EXPECT_EQ(sliderFromDpi(slot(2), 150), 3);
}

TEST(Catalogue, PollingAndLightingBytesBySlot) {
    ProfileRecord high = newRecord(slot(3).record, u"H");
    const Report polling = buildPolling(high);
    EXPECT_THAT(std::vector<std::uint8_t>(polling.bytes().begin(), polling.bytes().end()),
                ::testing::ElementsAre(0x06, 0x09, 0x01, 0x40, 0xBF, 0, 0, 0, 0));
    high.set(Field::pollingRate, 7);
    EXPECT_EQ(buildPolling(high).buffer[3], 0x02);

    ProfileRecord two = newRecord(slot(6).record, u"T");
    two.set(Field::pollingRate, 3);
    two.set(Field::pollingRateHs, 6);
    EXPECT_EQ(buildPolling(two).buffer[3], 0x74);
    EXPECT_EQ(buildPolling(two).buffer[4], 0x8B);

    const ProfileRecord classic = newRecord(slot(1).record, u"C");
    const Report l = buildLighting(classic);
    EXPECT_EQ(l.buffer[9], 11);     // sleep timer 10, plus one
    EXPECT_EQ(l.buffer[4], 9 - 6);  // only the speed
    EXPECT_EQ(l.buffer[5], 8);      // only the brightness

    // The default light-off time is 2 (1 s): effect 7, speed 6, brightness 8.
    for (const int n : {7, 9})
        EXPECT_THAT(buildLighting(newRecord(slot(n).record, u"D")).bytes(),
                    ::testing::ElementsAreArray({0x05, 0x0F, 0x01, 0x70, 0x03, 0x28, 0x00, 0x00, 0xFF, 0x0A,
                                      0x03, 0x01, 0xA7, 0x00, 0x00}))
            << n;

    ProfileRecord lightOff = newRecord(slot(7).record, u"B");
    lightOff.set(Field::lightOffTimer, 3);
    const Report b = buildLighting(lightOff);
    EXPECT_EQ(b.buffer[9], 10);            // the sleep timer travels in byte 9
    EXPECT_EQ(b.buffer[5], (3 << 4) | 8);  // the light-off time in the nibbles
}

TEST(Catalogue, DpiReportVariants) {
    const auto level = [](int n, std::int32_t value) {
        ProfileRecord r = newRecord(slot(n).record, u"D");
        r.set(Field::dpiX, value, 0);
        r.set(Field::dpiEnabled, 0, 0);  // a disabled level still sends its code
        const Report d = buildDpi(r);
        EXPECT_EQ(d.buffer[50] << 8 | d.buffer[51],
                  reportChecksum(std::span(d.buffer).subspan(3, 47)));
        return std::pair<int, int>{d.buffer[8], d.buffer[16]};
    };
    EXPECT_EQ(level(1, 16), (std::pair{18, 0}));
    EXPECT_EQ(level(1, 200), (std::pair{235, 0}));
    EXPECT_EQ(level(5, 201), (std::pair{118, 1}));
    EXPECT_EQ(level(1, 220), (std::pair{141, 1}));
    EXPECT_EQ(level(2, 520), (std::pair{0x07, 0x02}));
    EXPECT_EQ(level(2, 8), (std::pair{0x07, 0x00}));
    EXPECT_EQ(level(9, 290), (std::pair{189, 1}));
    EXPECT_EQ(level(9, 200), (std::pair{199, 0}));
    for (const int n : {1, 2, 9}) EXPECT_EQ(level(n, 0), (std::pair{0, 0})) << n;

    ProfileRecord wide = newRecord(slot(2).record, u"W");
    wide.set(Field::liftOffDistance, 1);
    wide.set(Field::angleSnap, 1);
    const Report w = buildDpi(wide);
    EXPECT_EQ(w.buffer[3], 1);  // lift-off distance
    EXPECT_EQ(w.buffer[6], 1);  // angle snap
    EXPECT_EQ(w.buffer[7], 0);  // motion sync (off on this model)
    EXPECT_EQ(w.buffer[5], 0x3F);
}

}  // namespace
}  // namespace velor
