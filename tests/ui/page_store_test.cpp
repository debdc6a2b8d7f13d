// A page and its files on disk: it never writes a store whose lock another
// program holds, waits for that lock with a notice up, says what was wrong
// with a store it could not read, tells once when a save fails, and names a
// damaged page skin.
#include <QAbstractButton>
#include <QListWidget>

#include <gmock/gmock.h>

#include <sys/stat.h>

#include "../support/file_text.h"
#include "../support/test_records.h"
#include "app/pages_host.h"
#include "cli/mice_host.h"
#include "page_fixture.h"
#include "platform/file_io.h"
#include "platform/store_lock.h"
#include "profile/function_table.h"
#include "profile/record_defaults.h"
#include "store/profile_store.h"

namespace velor {
namespace {

namespace fs = std::filesystem;

// The lock another program holds (taken before the fixture's members exist).
std::unique_ptr<StoreLock>& otherProgramsLock() {
    static std::unique_ptr<StoreLock> lock;
    return lock;
}
void otherProgramHoldsTheStores(testing::TempFolder& data, QString&) {
    std::string error;
    otherProgramsLock() = StoreLock::acquire(data.folder() + "ms_10", &error);
    ASSERT_TRUE(otherProgramsLock()) << error;
}

// Another program (velorctl on its own) holds slot 10's lock when the window
// starts, and has stored two profiles by the time it lets go.
class HeldStoreTest : public PageTest {
  protected:
    HeldStoreTest() : PageTest(true, 10, otherProgramHoldsTheStores) {}
    ~HeldStoreTest() override { otherProgramsLock().reset(); }
    fs::path store() const { return temp.path() / "ms_10" / "pro.data"; }
    // What the other program stores while it holds the lock.
    void otherStores(std::u16string_view second) {
        ProfileList theirs(model);
        theirs.reset({}, {newRecord(model.record, u"One"), newRecord(model.record, second)}, 1);
        ASSERT_TRUE(saveProfiles(theirs, temp.folder()));
    }
    std::unique_ptr<StoreLock>& other = otherProgramsLock();
};

TEST_F(HeldStoreTest, ThePageWaitsForTheLockWithANoticeThenLoadsWhatIsThere) {
    EXPECT_EQ(waiting, std::vector<QString>{"store_waiting_text"});
    EXPECT_FALSE(page->storesLoaded());
    EXPECT_FALSE(fs::exists(store()));  // no default store written over the other's
    // velorctl meanwhile finds the mouse, and every command about it hears
    // why it waits and for whom; nothing reaches the mouse or the disk.
    PagesHost host(*window);
    const std::string game = temp.folder() + "game.pro";
    ASSERT_TRUE(writeFileAtomically(game, newRecord(model.record, u"Game").bytes()));
    const std::string holder = "in use by " + StoreLock::holderOf(temp.folder() + "ms_10");
    ASSERT_NE(holder, "in use by ");
    const std::string waits =
        "velorctl: slot 10: its profiles are not loaded yet: the profiles in " + temp.folder() +
        "ms_10 are " + holder;
    const std::vector<std::pair<std::vector<std::string>, std::string>> commands = {
        {{"devices"}, ""},
        {{"status", "--slot", "10", "--json"}, waits},
        {{"apply", "--slot", "10", "--index", "0"}, waits},
        {{"apply", "--slot", "10", "--profile", game}, waits},
        {{"set", "--slot", "10", "--dpi-level", "4"}, waits},
        {{"set", "--slot", "10", "--polling", "500"}, waits},
        {{"profile", "use", "--slot", "10", "--name", "Profile 1"}, waits},
        {{"rules", "add", "--slot", "10", "--app", "xterm", "--profile", "Profile 1"}, holder},
    };
    for (const auto& [args, reason] : commands) {
        std::optional<int> code;
        std::string out, err;
        ASSERT_TRUE(cli::runDeviceCommand(args, host, [&](int c, std::string o, std::string e) {
            code = c;
            out = std::move(o);
            err = std::move(e);
        }));
        ASSERT_TRUE(code) << args[0];
        if (reason.empty()) {
            EXPECT_EQ(*code, 0) << args[0];
            EXPECT_EQ(out, "10\tMS-10\twired\t-\tcharging\n");
        } else {
            EXPECT_EQ(*code, 1) << args[0] << " " << args[1];
            EXPECT_THAT(err, ::testing::HasSubstr(reason)) << args[0] << " " << args[1];
        }
    }
    EXPECT_FALSE(fs::exists(store()));
    EXPECT_FALSE(fs::exists(temp.path() / "ms_10" / "app_rules.txt"));
    EXPECT_EQ(mouse->trace().size(), 0u);
    otherStores(u"Theirs");
    other.reset();
    ASSERT_TRUE(waitFor([&] { return page->storesLoaded(); }));
    EXPECT_EQ(waiting, (std::vector<QString>{"store_waiting_text", ""}));
    EXPECT_EQ(find<QListWidget>("list_profile")->count(), 2);
    EXPECT_EQ(find<QListWidget>("list_profile")->currentItem()->text(), "Theirs");
    EXPECT_TRUE(told.empty());
    // The mouse, here all along, gets the loaded profile whole.
    ASSERT_TRUE(waitFor([&] { return mouse->settings().buttons.has_value(); }));
    EXPECT_EQ(mouse->malformedCount(), 0);
}

TEST_F(HeldStoreTest, ALockHeldPastThePatienceLeavesTheStoresReadOnlyUntilItIsFreed) {
    otherStores(u"Theirs");
    clock.advance(Millis(30000));  // the other program keeps the lock
    ASSERT_TRUE(waitFor([&] { return page->storesLoaded(); }));
    EXPECT_EQ(told, std::vector<QString>{"store_in_use_text"});
    EXPECT_THAT(details.front().toStdString(), ::testing::HasSubstr("in use"));
    EXPECT_EQ(find<QListWidget>("list_profile")->count(), 2);

    const auto before = fs::last_write_time(store());
    find<QListWidget>("list_profile")->setCurrentRow(0);  // a switch, sent and not stored
    pump();
    EXPECT_EQ(fs::last_write_time(store()), before);
    EXPECT_EQ(told.size(), 1u);  // the failed save is the same news
    std::string notStored;
    page->applyForOutside(false, [&](bool, const std::string& why) { notStored = why; });
    ASSERT_TRUE(waitFor([&] { return !notStored.empty(); }));
    // The rules are the other program's to write as well.
    PagesHost host(*window);
    std::optional<int> code;
    ASSERT_TRUE(cli::runDeviceCommand(
        {"rules", "add", "--slot", "10", "--app", "xterm", "--profile", "One"}, host,
        [&](int c, std::string, std::string) { code = c; }));
    EXPECT_EQ(code, std::optional(1));
    EXPECT_FALSE(fs::exists(temp.path() / "ms_10" / "app_rules.txt"));

    // The other program stores once more and lets go: the page takes the lock,
    // reads what is there now, says so, and saves from then on.
    otherStores(u"Later");
    other.reset();
    ASSERT_TRUE(waitFor([&] { return told.size() == 2; }));
    EXPECT_EQ(told.back(), "store_writable_text");
    EXPECT_EQ(find<QListWidget>("list_profile")->item(1)->text(), "Later");
    find<QListWidget>("list_profile")->setCurrentRow(0);
    pump();
    const auto stored = readProfileStore(model, store());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->currentIndex, 0);
    EXPECT_EQ(stored->records.at(1).name(), std::optional<std::u16string>(u"Later"));
}

// The same with slot 10's mouse behind its 2.4 GHz receiver, not on the cable.
class HeldStoreWirelessTest : public PageTest {
  protected:
    HeldStoreWirelessTest() : PageTest(false, 10, otherProgramHoldsTheStores) {
        std::shared_ptr<HidDevice> command, report;
        for (const HidDeviceInfo& info : backend.enumerate(0x1D57, 0xFA60))
            (info.usagePage == 0x000B ? command : report) = backend.open(info.path);
        page->setReceiver(command, report, false);
    }
    ~HeldStoreWirelessTest() override { otherProgramsLock().reset(); }
    sim::SimMouse& wireless = backend.plugReceiver(model);
};

TEST_F(HeldStoreWirelessTest, WhatTheMouseToldDuringTheWaitCountsAndItGetsTheProfileAfter) {
    report(0x4036, 0x5001);  // on battery, 80 %: the mouse is on
    pump();
    EXPECT_TRUE(wireless.trace().empty());  // nothing goes out before the stores are read
    otherProgramsLock().reset();
    ASSERT_TRUE(waitFor([&] { return page->storesLoaded(); }));
    ASSERT_TRUE(waitFor([&] { return wireless.settings().buttons.has_value(); }));
    EXPECT_EQ(wireless.trace().front().at(0), 0x0C);  // the opening report first
    EXPECT_EQ(wireless.malformedCount(), 0);
}

// A store that is no store (a pipe, a file of a gigabyte) is not "damaged":
// the notice says what it is, and that nothing is saved over it.
class UnreadableStoreTest : public PageTest {
  protected:
    UnreadableStoreTest()
        : PageTest(true, 10, [](testing::TempFolder& data, QString&) {
              fs::create_directories(data.path() / "ms_10");
              ASSERT_EQ(::mkfifo((data.path() / "ms_10" / "pro.data").c_str(), 0600), 0);
          }) {}
};

TEST_F(UnreadableStoreTest, IsToldForWhatItIsAndNeverReplaced) {
    ASSERT_TRUE(waitFor([&] { return !told.empty(); }));
    EXPECT_EQ(told, std::vector<QString>{"store_unreadable_text"});
    EXPECT_THAT(details.front().toStdString(),
                ::testing::HasSubstr("pro.data: it is not a regular file"));
    find<QListWidget>("list_profile")->setCurrentRow(0);
    pump();
    EXPECT_TRUE(fs::is_fifo(temp.path() / "ms_10" / "pro.data"));
    EXPECT_EQ(told.size(), 1u);
}

// A store whose third profile is damaged (a macro of 999 steps in a block of
// 46): the page opens on the names at once, finds the damage between events,
// keeps the file aside and writes the repair, and says so once.
class DamagedStoredProfileTest : public PageTest {
  protected:
    DamagedStoredProfileTest()
        : PageTest(true, 10, [](testing::TempFolder& data, QString&) {
              std::vector<ProfileRecord> records;
              for (const char16_t* name : {u"A", u"B", u"C"})
                  records.push_back(newRecord(testing::ms10().record, name));
              records[2].button(0).set(SlotField::function, function::kMacro);
              records[2].button(0).set(SlotField::macroActionCount, 999);
              ProfileList list(testing::ms10());
              list.reset({}, std::move(records), 0);
              ASSERT_TRUE(saveProfiles(list, data.folder()));
              original() = *readWholeFile(data.path() / "ms_10" / "pro.data", 1 << 30);
          }) {}
    static std::vector<std::uint8_t>& original() {
        static std::vector<std::uint8_t> bytes;
        return bytes;
    }
};

TEST_F(DamagedStoredProfileTest, IsFoundAfterTheNamesAreShownThenKeptAsideAndRepaired) {
    EXPECT_EQ(find<QListWidget>("list_profile")->count(), 3);
    ASSERT_TRUE(waitFor([&] { return !told.empty(); }));
    EXPECT_EQ(told, std::vector<QString>{"store_damaged_text"});
    EXPECT_EQ(readWholeFile(details.front().toStdString(), 1 << 30), original());
    const auto repaired = *readWholeFile(temp.path() / "ms_10" / "pro.data", 1 << 30);
    constexpr std::size_t kCountOfButton1OfProfile3 = 164964 + 2 * 32992 + 2464 + 68;
    EXPECT_EQ(repaired[kCountOfButton1OfProfile3], 46);
    EXPECT_EQ(repaired[kCountOfButton1OfProfile3 + 1], 0);
    pump();
    EXPECT_EQ(told.size(), 1u);
}

// A mouse not here costs the window's first pixels nothing: its page reads
// its stores (writing the default one) once the window has painted. A mouse
// that is here has them read as it comes up, before its first report.
TEST_F(AbsentMouseTest, AMouseNotHereHasItsStoresReadOnceTheWindowHasPainted) {
    const fs::path folder = temp.path() / "ms_10";
    window.reset();
    fs::remove_all(folder);
    window = std::make_unique<CMainWnd>(services());
    window->init();
    pump();
    EXPECT_FALSE(page->storesLoaded());
    EXPECT_FALSE(fs::exists(folder / "pro.data"));
    window->show();
    ASSERT_TRUE(waitFor([&] { return page->storesLoaded(); }));
    EXPECT_TRUE(fs::exists(folder / "pro.data"));

    window.reset();
    mouse = &backend.plugWiredMouse(model);
    window = std::make_unique<CMainWnd>(services());
    window->init();
    EXPECT_TRUE(page->storesLoaded());
}

// The program's resources copied beside the data, for a test to spoil, and
// the program pointed at them.
fs::path copyOfResources(testing::TempFolder& data, QString& skins) {
    const fs::path res = data.path() / "res";
    fs::copy(VELOR_PROGRAM_DIR "/res", res, fs::copy_options::recursive);
    skins = QString::fromStdString(res.string() + "/");
    return res;
}

// The page's own skin cut short: named once, with the repair, however often
// the mouse comes back.
class DamagedPageSkinTest : public PageTest {
  protected:
    DamagedPageSkinTest()
        : PageTest(true, 10, [](testing::TempFolder& data, QString& skins) {
              const fs::path pageSkin = copyOfResources(data, skins) / "MS/MS_10/ms_10_page.xml";
              fs::resize_file(pageSkin, fs::file_size(pageSkin) / 2);
          }) {}
};

TEST_F(DamagedPageSkinTest, IsNamedOnceAndThePageStaysUnbuilt) {
    EXPECT_FALSE(page->built());
    page->build();  // the mouse again
    EXPECT_EQ(told, std::vector<QString>{"damaged_file_text"});
    EXPECT_EQ(details.front().toStdString(),
              (temp.path() / "res/MS/MS_10/ms_10_page.xml").string());
}

// The English language file cut short: the first start's profile is stored
// under the built-in English name, not the text id the file could not give.
class DamagedEnglishTest : public PageTest {
  protected:
    DamagedEnglishTest()
        : PageTest(true, 10, [](testing::TempFolder& data, QString& skins) {
              testing::writeText(copyOfResources(data, skins) / "lan/EN.xml",
                                 "<Language><Text id=");
          }) {}
};

TEST_F(DamagedEnglishTest, TheFirstProfileIsStoredUnderItsEnglishName) {
    const std::string bytes = testing::readText(temp.path() / "ms_10" / "pro.data");
    const std::string name(
        "P\0r\0o\0f\0i\0l\0e\0 \0"
        "1\0\0\0",
        20);
    EXPECT_NE(bytes.find(name), std::string::npos);
    EXPECT_EQ(find<QListWidget>("list_profile")->item(0)->text(), "Profile 1");
}

// A save that fails later (a full disk, say) is told once, with its reason,
// and velorctl hears it too; a save that works again ends the run.
TEST_F(PageTest, AFailedSaveIsToldOnceWithItsReasonAndVelorctlHearsIt) {
    pump();
    page->profiles().blockSaves("the disk is full");
    page->setForOutside(Field::dpiLevel, 3);
    std::optional<std::pair<bool, std::string>> outcome;
    page->applyForOutside(false,
                          [&](bool taken, const std::string& why) { outcome.emplace(taken, why); });
    ASSERT_TRUE(waitFor([&] { return outcome.has_value(); }));
    EXPECT_TRUE(outcome->first);  // the mouse has it
    EXPECT_THAT(outcome->second, ::testing::HasSubstr("the disk is full"));
    EXPECT_EQ(mouse->settings().dpi->currentLevel, 4);
    EXPECT_EQ(told, std::vector<QString>{"store_not_saved_text"});
    EXPECT_THAT(details.back().toStdString(), ::testing::HasSubstr("the disk is full"));

    page->setForOutside(Field::dpiLevel, 2);
    page->link().requestApply();
    pump();
    EXPECT_EQ(told.size(), 1u);
}

// Quit (Ctrl+Q, the tray's Exit, a signal) writes the stores before anything
// is torn down: the choice is on disk while the window and its mouse's link
// still stand.
TEST_F(PageTest, QuitStoresTheChoiceBeforeTheTeardown) {
    pump();
    find<QAbstractButton>("option_dpi_step_6")->click();
    window->quit();
    const auto stored = readProfileStore(model, temp.path() / "ms_10" / "pro.data");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->records.at(0).i32(Field::dpiLevel), 5);
    EXPECT_NE(page, nullptr);  // nothing ended yet
    EXPECT_FALSE(page->link().closing());
}

// The program ends (Quit, a logout's SIGTERM) right after a choice in the
// window, before its apply reached the worker: the choice and a rename are on
// disk all the same.
TEST_F(PageTest, WhatWasChosenJustBeforeTheEndIsStored) {
    pump();
    find<QAbstractButton>("option_dpi_step_6")->click();
    ASSERT_TRUE(page->profiles().renameCurrent(u"Renamed"));
    window.reset();
    const auto stored = readProfileStore(model, temp.path() / "ms_10" / "pro.data");
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->records.size(), 1u);
    EXPECT_EQ(stored->records[0].i32(Field::dpiLevel), 5);
    EXPECT_EQ(stored->records[0].name(), std::optional<std::u16string>(u"Renamed"));
}

}  // namespace
}  // namespace velor
