#include "apply/apply_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "../support/link_fakes.h"
#include "../support/temp_folder.h"
#include "../support/test_records.h"
#include "device/device_link.h"
#include "sim/sim_backend.h"
#include "store/profile_store.h"

namespace velor {
namespace {

using ::testing::ElementsAre;
using testing::ms10;

// The engine on a real link to a simulated wired mouse, in virtual time.
class ApplyEngineTest : public ::testing::Test {
  protected:
    ApplyEngineTest() {
        mouse = &backend.plugWiredMouse(ms10());
        link.open(std::make_unique<testing::InProcessLibrary>(backend));
        std::vector<ProfileRecord> records = {newRecord(ms10().record, u"One"),
                                              newRecord(ms10().record, u"Two")};
        ProfileRecord& two = records[1];
        const MacroAction a{0x04, MacroAction::kPress, 10};
        testing::assignMacro(two, 9, std::span(&a, 1));
        testing::assignMacro(two, 2, std::span(&a, 1));
        list.reset({}, std::move(records), 0);
        engine.startFromCurrent();
    }

    // The reports the mouse received since the last call, by name (a macro
    // once its third chunk is in).
    std::vector<std::string> receivedSinceLast() {
        const auto trace = mouse->trace();
        std::vector<std::string> names;
        for (std::size_t i = traceSeen; i < trace.size(); ++i) {
            const auto& r = trace[i];
            switch (r[0]) {
                case 0x0C:
                    names.push_back("opening");
                    break;
                case 0x04:
                    names.push_back("dpi");
                    break;
                case 0x05:
                    names.push_back("lighting");
                    break;
                case 0x06:
                    names.push_back("polling");
                    break;
                case 0x08:
                    names.push_back("buttons");
                    break;
                case 0x09:
                    if (r[3] == 2) names.push_back("macro:" + std::to_string(r[2]));
                    break;
            }
        }
        traceSeen = trace.size();
        return names;
    }
    ProfileRecord current() {
        const std::lock_guard guard(list.lock());
        return std::as_const(list).current();
    }
    void edit(const std::function<void(ProfileRecord&)>& change) {
        const std::lock_guard guard(list.lock());
        change(list.current());
    }

    VirtualClock clock;
    testing::RecordingPoster poster;
    testing::RecordingView view;
    sim::SimBackend backend;
    sim::SimMouse* mouse = nullptr;
    DeviceLink link{{ms10(), clock, poster, view, [](std::string_view) {}}};
    testing::TempFolder temp;
    ProfileList list{ms10()};
    std::vector<std::string> requests;
    int saves = 0;
    ApplyEngine engine{list,
                       {[this] { return link.offline(); },
                        [this](std::span<const std::uint8_t> r) { return link.send(r); },
                        [this] { requests.push_back("stop watchdog"); },
                        [this] { requests.push_back("start watchdog"); },
                        [this](bool shown) { requests.push_back(shown ? "ring on" : "ring off"); },
                        [this] {
                            ++saves;
                            saveProfiles(list, temp.folder());
                        }}};
    std::size_t traceSeen = 0;
};

TEST_F(ApplyEngineTest, FirstApplySendsEverythingThenOnlyTheOpening) {
    engine.apply();
    EXPECT_THAT(receivedSinceLast(),
                ElementsAre("opening", "dpi", "lighting", "polling", "buttons"));
    EXPECT_THAT(requests, ElementsAre("stop watchdog", "ring on", "start watchdog", "ring off"));
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(std::filesystem::exists(temp.path() / "ms_10" / "pro.data"));

    engine.apply();
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening"));
    EXPECT_EQ(saves, 2);
    EXPECT_EQ(mouse->malformedCount(), 0);
}

TEST_F(ApplyEngineTest, EachChangeSendsItsGroupOnly) {
    engine.apply();
    receivedSinceLast();

    edit([](ProfileRecord& r) { r.set(Field::moveMode, 1); });
    engine.apply();
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening"));

    edit([](ProfileRecord& r) { r.set(Field::dpiColour, 0x123456, 3); });
    engine.apply();
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening", "dpi"));

    edit([](ProfileRecord& r) {
        ButtonSlot slot = r.button(2);
        slot.set(SlotField::function, 16);
        slot.set(SlotField::modifiers, 1);
        slot.set(SlotField::keyCode, 0x06);
    });
    engine.apply();
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening", "buttons"));

    edit([](ProfileRecord& r) {
        const MacroAction a{0x05, MacroAction::kPress, 40};
        testing::assignMacro(r, 5, std::span(&a, 1));
    });
    engine.apply();
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening", "buttons", "macro:5"));

    edit([](ProfileRecord& r) { r.set(Field::sleepTimer, 5); });
    engine.apply();
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening", "lighting"));
    EXPECT_EQ(mouse->malformedCount(), 0);
}

TEST_F(ApplyEngineTest, AProfileSwitchSendsEverythingWithOneMacroReportPerMacroButton) {
    engine.apply();
    receivedSinceLast();
    ProfileRecord two = list.record(1);
    const MacroAction a{0x05, MacroAction::kPress, 10};
    testing::assignMacro(two, 1, std::span(&a, 1));  // the first button plays one too
    list.replace(1, two);
    list.select(1);
    engine.markAllForUpload();
    engine.apply();
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening", "dpi", "lighting", "polling", "buttons",
                                                 "macro:1", "macro:2", "macro:9"));
    EXPECT_EQ(engine.appliedCopy(), list.record(1));
}

TEST_F(ApplyEngineTest, OfflineSendsNothingButStoresTheListWithEverythingStillDue) {
    link.onDeviceCode(deviceCodeFromMessageB(0));  // cable pulled
    ASSERT_TRUE(link.offline());
    list.select(1);
    engine.apply();
    EXPECT_TRUE(receivedSinceLast().empty());
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(saves, 1);
    const auto stored = readProfileStore(ms10(), temp.path() / "ms_10" / "pro.data");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->currentIndex, 1);
    EXPECT_TRUE(engine.fullUploadPending());
}

TEST_F(ApplyEngineTest, TheAppliedCopyIsTheStateThatWasSent) {
    engine.apply();
    receivedSinceLast();
    // The user edits while the apply is sending, and switches profile.
    bool edited = false;
    clock.onSleep = [&](Millis) {
        if (edited) return;
        edited = true;
        edit([](ProfileRecord& r) { r.set(Field::pollingRate, 0); });
        engine.markAllForUpload();
    };
    edit([](ProfileRecord& r) { r.set(Field::dpiLevel, 3); });
    engine.apply();
    clock.onSleep = nullptr;
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening", "dpi"));
    EXPECT_EQ(engine.appliedCopy().get(Field::pollingRate), 3);  // what was sent
    EXPECT_TRUE(engine.fullUploadPending());                     // the later request is kept
    engine.apply();
    EXPECT_THAT(receivedSinceLast(),
                ElementsAre("opening", "dpi", "lighting", "polling", "buttons"));
}

TEST_F(ApplyEngineTest, AChangeTheMouseReportedIsNotSentBackButEditsWaitingStillAre) {
    engine.apply();
    receivedSinceLast();
    edit([](ProfileRecord& r) { r.set(Field::dpiLevel, 4); });  // the mouse's own button
    engine.acceptDeviceChange(Field::dpiLevel);
    engine.apply();
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening"));

    // A typed value and a polling choice wait for the next apply when the
    // mouse reports its DPI level: only the level counts as sent.
    edit([](ProfileRecord& r) {
        r.set(Field::dpiX, 30, 2);
        r.set(Field::pollingRate, 1);
        r.set(Field::dpiLevel, 2);
    });
    engine.acceptDeviceChange(Field::dpiLevel);
    EXPECT_EQ(engine.appliedCopy().get(Field::dpiLevel), 2);
    EXPECT_EQ(engine.appliedCopy().get(Field::dpiX, 2), 12);
    EXPECT_TRUE(engine.pending().dpi);
    EXPECT_TRUE(engine.pending().polling);
    engine.apply();
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening", "dpi", "polling"));
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 3);
    EXPECT_FALSE(engine.pending().any());

    // A level the mouse reports while an apply is sending stays taken after it.
    edit([](ProfileRecord& r) { r.set(Field::lightMode, 2); });
    bool reported = false;
    clock.onSleep = [&](Millis) {
        if (std::exchange(reported, true)) return;
        edit([](ProfileRecord& r) { r.set(Field::dpiLevel, 6); });
        engine.acceptDeviceChange(Field::dpiLevel);
    };
    engine.apply();
    clock.onSleep = nullptr;
    EXPECT_EQ(engine.appliedCopy().get(Field::dpiLevel), 6);
    EXPECT_FALSE(engine.pending().any());
    receivedSinceLast();
    engine.apply();
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening"));
    EXPECT_FALSE(engine.takeTookBackReported());

    // One it reports before this apply's DPI report goes is replaced on the
    // mouse by that report: the profile takes back the level sent.
    edit([](ProfileRecord& r) { r.set(Field::dpiLevel, 1); });
    reported = false;
    clock.onSleep = [&](Millis) {
        if (std::exchange(reported, true)) return;  // after the opening report
        edit([](ProfileRecord& r) { r.set(Field::dpiLevel, 6); });
        engine.acceptDeviceChange(Field::dpiLevel);
    };
    engine.apply();
    clock.onSleep = nullptr;
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening", "dpi"));
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 2);
    EXPECT_EQ(current().get(Field::dpiLevel), 1);
    EXPECT_EQ(engine.appliedCopy().get(Field::dpiLevel), 1);
    EXPECT_FALSE(engine.pending().any());
    EXPECT_TRUE(engine.takeTookBackReported());
}

TEST_F(ApplyEngineTest, AReportTheMouseDidNotTakeIsSentAgainByTheNextApply) {
    engine.apply();
    receivedSinceLast();
    edit([](ProfileRecord& r) {
        r.set(Field::dpiLevel, 3);
        r.set(Field::pollingRate, 1);
    });
    mouse->rejectNext(2);  // the opening and the DPI report
    engine.apply();
    EXPECT_TRUE(engine.pending().dpi);
    EXPECT_FALSE(engine.pending().polling);
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 2);  // still the old level

    engine.apply();
    EXPECT_THAT(receivedSinceLast(), ElementsAre("opening", "dpi", "polling", "opening", "dpi"));
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 4);
    EXPECT_FALSE(engine.pending().any());
}

}  // namespace
}  // namespace velor
