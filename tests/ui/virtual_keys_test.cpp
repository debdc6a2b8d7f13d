#include "ui/virtual_keys.h"

#include <Qt>

#include <gtest/gtest.h>

namespace velor {
namespace {

// Keypad keys with NumLock off are the keys printed under the digits.
TEST(VirtualKeys, KeypadKeysWithoutNumLockAreTheirNavigationKeys) {
    EXPECT_EQ(virtualKeyOf(Qt::Key_Delete, 0, 0xFF9F, nullptr), 0x2Eu);  // KP_Delete: Delete
    EXPECT_EQ(virtualKeyOf(Qt::Key_End, 0, 0xFF9C, nullptr), 0x23u);     // KP_End: End
    EXPECT_EQ(virtualKeyOf(Qt::Key_Insert, 0, 0xFF9E, nullptr), 0x2Du);  // KP_Insert: Insert
    EXPECT_EQ(virtualKeyOf(Qt::Key_Period, 0, 0xFFAE, nullptr), 0x6Eu);  // KP_Decimal
    EXPECT_EQ(virtualKeyOf(Qt::Key_3, 0, 0xFFB3, nullptr), 0x63u);       // KP_3
}

}  // namespace
}  // namespace velor
