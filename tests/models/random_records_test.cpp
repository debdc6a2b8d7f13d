// The defaults and random records of every slot, uploaded whole to a
// simulated mouse that decodes each report on its own: every report is taken
// (frames, checksums, complements), and what the mouse reads back is what the
// record holds, by the rules of each record shape and report variant worked
// out by hand. Each record, written as a profile file, imports into its slot.
#include <gtest/gtest.h>

#include <random>

#include "../support/temp_folder.h"
#include "platform/file_io.h"
#include "profile/record_defaults.h"
#include "protocol/report_builders.h"
#include "protocol/upload_plan.h"
#include "sim/sim_mouse.h"
#include "store/profile_file.h"

namespace velor {
namespace {

int lowerSliderValue(const ModelDescriptor& d) {
    return d.dpiMapping == DpiMapping::Linear100 ? 2 : 1;  // 200 DPI, or 50
}

int upperSliderValue(const ModelDescriptor& d) {
    switch (d.dpiMapping) {
        case DpiMapping::Linear100:
            return 100;
        case DpiMapping::Linear50:
            return 520;
        case DpiMapping::TwoSegment:
            return d.dpiMax == 19000 ? 290 : 220;
    }
    return 0;
}

ProfileRecord randomRecord(const ModelDescriptor& d, std::mt19937& rng) {
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    ProfileRecord r = newRecord(d.record, u"R");
    for (std::uint32_t k = 0; k < kDpiLevels; ++k) {
        r.set(Field::dpiX, pick(lowerSliderValue(d), upperSliderValue(d)), k);
        r.set(Field::dpiY, r.i32(Field::dpiX, k), k);
        r.set(Field::dpiEnabled, pick(0, 1), k);
        r.set(Field::dpiColour, pick(0, 0xFFFFFF), k);
    }
    r.set(Field::dpiLevel, pick(0, 7));
    r.set(Field::lightMode, pick(0, 11));
    r.set(Field::breathSpeed, pick(1, 8));
    r.set(Field::brightness, pick(1, 8));
    r.set(Field::keyDebounce, pick(1, 15));
    r.set(Field::sleepTimer, pick(1, 30));
    r.set(Field::lightColour, pick(0, 0xFFFFFF));
    r.set(Field::lightOffTimer, pick(1, 20));
    r.set(Field::pollingRate, pick(0, d.pollingOptions == PollingOptions::SevenRates ? 6 : 3));
    r.set(Field::pollingRateHs, pick(0, 6));
    for (const Field f :
         {Field::liftOffDistance, Field::rippleControl, Field::angleSnap, Field::motionSync})
        r.set(f, pick(0, 1));
    // A macro on one button: keys pressed and released, short and long delays.
    ButtonSlot slot = r.button(pick(1, 11));
    slot.set(SlotField::function, 17);
    slot.setMacroName(u"M");
    slot.set(SlotField::macroRepeatMode, pick(0, 2));
    slot.set(SlotField::macroLoopTimes, pick(1, 255));
    const int actions = pick(1, 20);
    slot.set(SlotField::macroActionCount, actions);
    for (int i = 0; i < actions; ++i)
        slot.setAction(i, MacroAction{static_cast<std::uint8_t>(pick(0x04, 0x65)),
                                      i % 2 == 0 ? MacroAction::kPress : MacroAction::kRelease,
                                      static_cast<std::uint16_t>(pick(10, 3000))});
    return r;
}

// Byte 3 of the polling report for the record, from the tables of rates.
int pollingCode(const ModelDescriptor& d, const ProfileRecord& r) {
    static constexpr int kFour[] = {0x08, 0x04, 0x02, 0x01};
    static constexpr int kSeven[] = {0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x40};
    const int p = r.i32(Field::pollingRate);
    switch (d.pollingOptions) {
        case PollingOptions::FourRates:
            return kFour[p];
        case PollingOptions::SevenRates:
            return kSeven[p];
        case PollingOptions::TwoSettings:
            return ((r.i32(Field::pollingRateHs) + 1) << 4) | (p + 1);
    }
    return -1;
}

// The two bytes of a level, where the variant makes them plain arithmetic.
std::optional<std::pair<int, int>> levelBytes(const ModelDescriptor& d, int v) {
    if (v == 0) return std::nullopt;  // a level of the defaults never given a value
    switch (d.dpiReport) {
        case DpiReportVariant::Wide:
            return std::pair{(v - 1) & 0xFF, (v - 1) >> 8};
        case DpiReportVariant::Offset:
            return v <= 200 ? std::pair{v - 1, 0} : std::pair{(v - 101) & 0xFF, 1};
        case DpiReportVariant::Reference:  // the sensor's code table, both axes alike
        case DpiReportVariant::Table:      // a code table; its range byte is checked below
            return std::nullopt;
    }
    return std::nullopt;
}

class RandomRecords : public ::testing::TestWithParam<int> {};

TEST_P(RandomRecords, AFullUploadIsTakenAndReadsBackAsTheRecord) {
    const ModelDescriptor& d = *descriptorFor(GetParam());
    std::mt19937 rng(static_cast<unsigned>(GetParam()) * 7919u);
    testing::TempFolder temp;
    const auto file = temp.path() / "r.pro";
    for (int round = 0; round < 40; ++round) {
        const ProfileRecord r = round == 0 ? newRecord(d.record, u"R") : randomRecord(d, rng);
        ASSERT_TRUE(writeFileAtomically(file, r.bytes()));
        const auto imported = readProfileFile(d, file);
        ASSERT_TRUE(imported) << imported.error();
        ASSERT_TRUE(*imported == r);
        sim::SimMouse mouse(d);
        for (const PlannedReport& p : planUpload(r, ReportGroups::all())) {
            // The cable takes a macro in chunks: two of the 111-byte report, three
            // of the 131-byte one.
            if (p.report.bytes()[0] == 0x09) {
                const auto chunks = splitMacro(p.report, false);
                for (std::size_t c = 0; c < (d.macroReportLength == 111 ? 2u : 3u); ++c)
                    ASSERT_TRUE(mouse.receive(chunks[c], sim::Via::Cable)) << "slot " << d.slot;
                continue;
            }
            ASSERT_TRUE(mouse.receive(p.report.bytes(), sim::Via::Cable))
                << "slot " << d.slot << " report " << int(p.report.bytes()[0]);
        }
        const sim::MouseSettings got = mouse.settings();
        ASSERT_TRUE(got.dpi && got.lighting && got.pollingCode);

        EXPECT_EQ(got.dpi->currentLevel, r.i32(Field::dpiLevel) + 1);
        for (std::uint32_t k = 0; k < kDpiLevels; ++k) {
            EXPECT_EQ((got.dpi->enabledMask >> k) & 1, r.i32(Field::dpiEnabled, k));
            const int v = r.i32(Field::dpiX, k);
            if (const auto bytes = levelBytes(d, v)) {
                EXPECT_EQ(got.dpi->codes[k], bytes->first) << "slot " << d.slot << " v " << v;
                EXPECT_EQ(got.dpi->secondBytes[k], bytes->second)
                    << "slot " << d.slot << " v " << v;
            } else if (d.dpiReport == DpiReportVariant::Table) {
                EXPECT_EQ(got.dpi->secondBytes[k], (v & 0xFF) > 200 ? 1 : 0) << v;
            }
        }

        const sim::LightingSettings& l = *got.lighting;
        const int mode = r.i32(Field::lightMode);
        EXPECT_EQ(l.mode, mode);
        EXPECT_EQ(l.breathSpeed, r.i32(Field::breathSpeed));
        EXPECT_EQ(l.brightness, mode == 1 || mode == 9 ? r.i32(Field::brightness) : 8);
        EXPECT_EQ(l.keyDebounce, r.i32(Field::keyDebounce));
        // The simulated mouse reads the nibbles and byte 9 as the reference
        // slot means them; each layout puts its own fields there.
        const int sleep = r.i32(Field::sleepTimer);
        switch (d.lightingLayout) {
            case LightingLayout::Reference:
            case LightingLayout::Long:
                EXPECT_EQ(l.sleepTimer, sleep);
                EXPECT_EQ(l.param, r.i32(Field::lightParam));
                break;
            case LightingLayout::Classic:
                EXPECT_EQ(l.sleepTimer, 0);
                EXPECT_EQ(l.param, sleep + 1);
                break;
            case LightingLayout::Swapped:
                EXPECT_EQ(l.sleepTimer,
                          r.i32(d.hasLightOff ? Field::lightOffTimer : Field::lightParam));
                EXPECT_EQ(l.param, sleep);
                break;
        }
        EXPECT_EQ(*got.pollingCode, pollingCode(d, r));

        // The macro: each step a flagged key, a delay over 1270 ms followed by
        // its count of 200 ms and the marker 3.
        for (int k = 0; k < kButtonCount; ++k) {
            const ConstButtonSlot slot = r.button(k);
            if (slot.function() != 17) continue;
            const auto& macro = got.macros[static_cast<std::size_t>(k)];
            ASSERT_TRUE(macro) << "slot " << d.slot << " button " << k + 1;
            EXPECT_EQ(macro->repeatMode, slot.macroRepeatMode());
            EXPECT_EQ(macro->loopTimes, slot.macroLoopTimes());
            std::vector<sim::MacroEntry> expected;
            for (int i = 0; i < slot.macroActionCount(); ++i) {
                const MacroAction a = slot.action(i);
                const std::size_t at = expected.size();
                expected.push_back({0, a.code});
                if (a.delay > 1270)
                    expected.push_back({static_cast<std::uint8_t>(a.delay / 200), 0x03});
                ASSERT_LT(at, macro->entries.size());
                expected[at].timing = macro->entries[at].timing;  // the timing code itself aside,
                EXPECT_EQ(macro->entries[at].timing & 0x81, a.isPress() ? 0x01 : 0x81);  // its flag
            }
            EXPECT_EQ(macro->entries, expected) << "slot " << d.slot;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EverySlot, RandomRecords, ::testing::Range(1, 11));

}  // namespace
}  // namespace velor
