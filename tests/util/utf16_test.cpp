#include "util/utf16.h"

#include <gtest/gtest.h>

#include <vector>

namespace velor {
namespace {

TEST(Utf16, Utf8RoundTripIncludingSurrogatePairs) {
    const std::string text = "Gäme 游戏 🎮";
    const auto utf16 = utf8ToUtf16(text);
    ASSERT_TRUE(utf16);
    EXPECT_EQ(*utf16, u"Gäme 游戏 🎮");
    EXPECT_EQ(utf16ToUtf8(*utf16), text);
}

TEST(Utf16, RejectsMalformedUtf8) {
    EXPECT_FALSE(utf8ToUtf16("\xC3"));              // truncated sequence
    EXPECT_FALSE(utf8ToUtf16("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(utf8ToUtf16("\xED\xA0\x80"));      // encoded surrogate
    EXPECT_FALSE(utf8ToUtf16("\xF4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_FALSE(utf8ToUtf16("a\x80z"));            // stray continuation byte
}

TEST(Utf16, FixedArrayCutsBeforeTerminatorAndNeverSplitsAPair) {
    std::vector<std::uint8_t> array(8, 0xAA);  // four units: three and the terminator
    EXPECT_EQ(writeFixedUtf16(array, u"abcdef"), 3u);
    EXPECT_EQ(*readFixedUtf16(array), u"abc");

    // "ab" then a pair that would need units 2 and 3: the pair is left out whole.
    EXPECT_EQ(writeFixedUtf16(array, u"ab🎮"), 2u);
    EXPECT_EQ(*readFixedUtf16(array), u"ab");
    EXPECT_EQ(array[6], 0);  // the rest of the array is zeroed
}

TEST(Utf16, ArrayWithoutTerminatorHasNoText) {
    const std::vector<std::uint8_t> array = {'a', 0, 'b', 0};
    EXPECT_FALSE(readFixedUtf16(array));
}

}  // namespace
}  // namespace velor
