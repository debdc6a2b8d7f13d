// Checks that what a simulated mouse decoded is what a record says.
#pragma once

#include <gtest/gtest.h>

#include "profile/function_table.h"
#include "profile/profile_record.h"
#include "protocol/report_builders.h"
#include "protocol/sensor_codes.h"
#include "sim/sim_mouse.h"

namespace velor::testing {

inline void expectMouseHolds(const sim::MouseSettings& s, const ProfileRecord& r) {
    ASSERT_TRUE(s.dpi && s.lighting && s.pollingCode && s.buttons);
    for (std::uint32_t i = 0; i < kDpiLevels; ++i) {
        const SensorCode code = sensorCode(r.i32(Field::dpiX, i));
        EXPECT_EQ(s.dpi->codes[i], code.code) << i;
        EXPECT_EQ((s.dpi->rangeMask >> i) & 1, code.highRange ? 1 : 0) << i;
        EXPECT_EQ((s.dpi->enabledMask >> i) & 1, r.get(Field::dpiEnabled, i) == 1 ? 1 : 0) << i;
        EXPECT_EQ(s.dpi->colours[i], r.get(Field::dpiColour, i) & 0xFFFFFF) << i;
    }
    EXPECT_EQ(s.dpi->currentLevel, r.get(Field::dpiLevel) + 1);

    const int mode = r.i32(Field::lightMode);
    EXPECT_EQ(s.lighting->mode, mode);
    EXPECT_EQ(s.lighting->breathSpeed, r.get(Field::breathSpeed));
    EXPECT_EQ(s.lighting->sleepTimer, r.get(Field::sleepTimer));
    EXPECT_EQ(s.lighting->brightness, mode == 1 || mode == 9 ? r.get(Field::brightness) : 8);
    EXPECT_EQ(s.lighting->colour, r.get(Field::lightColour) & 0xFFFFFF);
    EXPECT_EQ(s.lighting->param, r.get(Field::lightParam));
    EXPECT_EQ(s.lighting->keyDebounce, r.get(Field::keyDebounce));

    static constexpr std::uint8_t kRates[] = {0x08, 0x04, 0x02, 0x01};
    EXPECT_EQ(*s.pollingCode, kRates[r.get(Field::pollingRate)]);

    for (int k = 0; k < kButtonCount; ++k) {
        const ConstButtonSlot slot = r.button(k);
        std::array<std::uint8_t, 3> expected{};
        if (slot.function() == function::kKeyboard)
            expected = {0x11, slot.modifiers(), slot.keyCode()};
        else if (slot.function() == function::kMacro)
            expected = {0x12, 0, static_cast<std::uint8_t>(k + 1)};
        else if (const FunctionInfo* f = functionInfo(slot.function()))
            expected = f->deviceBytes;
        EXPECT_EQ((*s.buttons)[static_cast<std::size_t>(k)], expected) << "button " << k + 1;

        const auto& macro = s.macros[static_cast<std::size_t>(k)];
        if (slot.function() != function::kMacro) {
            EXPECT_FALSE(macro) << "button " << k + 1;
            continue;
        }
        ASSERT_TRUE(macro) << "button " << k + 1;
        EXPECT_EQ(macro->repeatMode, slot.macroRepeatMode());
        EXPECT_EQ(macro->loopTimes, slot.macroLoopTimes() == 0 ? 1 : slot.macroLoopTimes());
        std::size_t e = 0;
        for (int i = 0; i < slot.macroActionCount(); ++i) {
            const MacroAction a = slot.action(i);
            ASSERT_LT(e, macro->entries.size());
            EXPECT_EQ(macro->entries[e].key, a.code);
            EXPECT_EQ((macro->entries[e].timing & 0x80) != 0, !a.isPress());
            e += a.delay > 1270 ? 2 : 1;
        }
        EXPECT_EQ(e, macro->entries.size());
    }
}

}  // namespace velor::testing
