#include "protocol/frame_4k.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/report_builders.h"

namespace velor {
namespace {

std::vector<std::uint8_t> head(const Frame4k& f, std::size_t n) {
    return {f.begin(), f.begin() + static_cast<std::ptrdiff_t>(n)};
}
bool zeroFrom(const Frame4k& f, std::size_t from) {
    for (std::size_t i = from; i < f.size(); ++i)
        if (f[i] != 0) return false;
    return true;
}

TEST(Frame4k, TheOpeningTravelsInOneFrameWithItsSum) {
    const Frame4k f = frame4k(buildOpening().bytes());
    EXPECT_EQ(head(f, 15),
              (std::vector<std::uint8_t>{0x04, 0x0F, 0x00, 0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0x00,
                                         0x00, 0x00, 0x00, 0x02, 0x27}));
    EXPECT_TRUE(zeroFrom(f, 15));
}

TEST(Frame4k, ASixtyByteReportFillsTheFrameAndLongerOnesAreCut) {
    std::vector<std::uint8_t> report(61, 0xFF);
    const Frame4k f = frame4k(report);
    EXPECT_EQ(f[1], 65);
    // 4 + 65 + 60 x 255 = 15369 = 0x3C09
    EXPECT_EQ(f[63], 0x3C);
    EXPECT_EQ(f[64], 0x09);
}

TEST(Frame4k, AMacroTravelsInTwoFramesAndTheSecondSumIsTraced) {
    Report macro;
    macro.length = 111;
    for (std::size_t i = 0; i < 111; ++i) macro.buffer[i] = 1;
    macro.buffer[0] = 0x09;
    std::vector<std::string> trace;
    const auto frames =
        macroFrames4k(macro, [&](std::string_view line) { trace.emplace_back(line); });

    // Frame 0: 04 40 00, report bytes 0..58, sum 4 + 0x40 + 9 + 58 = 135 = 0x0087.
    EXPECT_EQ(head(frames[0], 5), (std::vector<std::uint8_t>{0x04, 0x40, 0x00, 0x09, 0x01}));
    EXPECT_EQ(frames[0][61], 0x01);
    EXPECT_EQ(frames[0][62], 0x00);
    EXPECT_EQ(frames[0][63], 0x87);
    EXPECT_TRUE(zeroFrom(frames[0], 64));
    // Frame 1: 04 39 01, report bytes 59..110, sum 4 + 0x39 + 1 + 52 = 114 = 0x0072.
    EXPECT_EQ(head(frames[1], 4), (std::vector<std::uint8_t>{0x04, 0x39, 0x01, 0x01}));
    EXPECT_EQ(frames[1][54], 0x01);
    EXPECT_EQ(frames[1][55], 0x00);
    EXPECT_EQ(frames[1][56], 0x72);
    EXPECT_TRUE(zeroFrom(frames[1], 57));

    ASSERT_EQ(trace.size(), 55u);
    EXPECT_EQ(trace[0], "wCheckSum = 4, buffer[0] = 4");
    EXPECT_EQ(trace[1], "wCheckSum = 3d, buffer[1] = 57");
    EXPECT_EQ(trace[54], "wCheckSum = 72, buffer[54] = 1");
}

}  // namespace
}  // namespace velor
