#include "ui/main_window.h"
#include "ui/window_fit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QThread>

#include <gmock/gmock.h>

using ::testing::ElementsAre;
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "../support/temp_folder.h"
#include "device/device_link.h"
#include "keys/key_tables.h"
#include "sim/sim_backend.h"
#include "ui/msg_window.h"

namespace velor {
namespace {

// A page whose mouse comes and goes at the test's word, recording what the
// main window hands it.
class FakePage final : public DevicePage {
  public:
    explicit FakePage(int slot, std::vector<std::string>& log) : DevicePage(slot), log_(log) {}
    bool connected() const override { return here; }
    void onDeviceCode(std::uint32_t code) override { note("code", code); }
    void postToWorker(std::uint32_t m, std::uintptr_t w, std::intptr_t) override {
        note("worker", m * 1000 + static_cast<std::uint32_t>(w));
    }
    void onMenuItem(const QString& item) override {
        log_.push_back(pageName().toStdString() + " menu " + item.toStdString());
    }
    void onTimer(int id) override { note("timer", static_cast<std::uint32_t>(id)); }
    void onBlePresence(bool up) override { note("ble", up ? 1 : 0); }
    void build() override {
        if (!built) log_.push_back(pageName().toStdString() + " built");
        built = true;
    }
    void onBleStatus(std::uint16_t word, std::uint16_t value) override {
        note("ble status", static_cast<std::uint32_t>(word) << 16 | value);
    }
    void notify(const Notification& n) override {
        log_.push_back(pageName().toStdString() + " " + n.type.toStdString() + " " +
                       n.sender.toStdString());
    }
    bool here = false;
    bool built = false;

  private:
    void note(const char* what, std::uint32_t value) {
        char line[64];
        std::snprintf(line, sizeof line, "%d %s %x", slot(), what, value);
        log_.emplace_back(line);
    }
    std::vector<std::string>& log_;
};

class MainWindowTest : public ::testing::Test {
  protected:
    std::unique_ptr<CMainWnd> make(const std::string& locale, BluetoothMice* bluetooth = nullptr,
                                   HidBackend* hid = nullptr,
                                   const QString& skinFolder = VELOR_PROGRAM_DIR "/res/") {
        const auto notify = [this](const QString& title, const QString& body) {
            notices.push_back((title + ": " + body).toStdString());
        };
        MainWindowServices s{skinFolder,
                             "/opt/velor/velor",
                             temp.folder() + "autostart/velor.desktop",
                             locale,
                             [this] { return temp.folder(); },
                             [this](std::string_view l) { lines.emplace_back(l); },
                             [this](std::string_view l) { warnings.emplace_back(l); },
                             [this](int slot) {
                                 auto p = std::make_unique<FakePage>(slot, log);
                                 p->here = hereAtStart.count(slot) != 0;
                                 pages[slot] = p.get();
                                 return p;
                             },
                             [this](int kind) { log.push_back("monitor " + std::to_string(kind)); },
                             &keyboard,
                             hid,
                             bluetooth,
                             notify};
        auto w = std::make_unique<CMainWnd>(std::move(s));
        w->init();
        log.clear();
        return w;
    }
    AppSettings settings() {
        return AppSettings([this] { return temp.folder(); }, {});
    }
    static void pump() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    QAbstractButton* option(CMainWnd& w, int n) {
        return w.skin().find<QAbstractButton>(QStringLiteral("option_device_%1").arg(n));
    }

    testing::TempFolder temp;
    UsKeyboardLayout keyboard;
    std::vector<std::string> lines;
    std::vector<std::string> warnings;
    std::vector<std::string> log;
    std::vector<std::string> notices;
    std::map<int, FakePage*> pages;
    std::set<int> hereAtStart;
};

TEST_F(MainWindowTest, FirstStartChoosesFromTheSystemAndWritesItBack) {
    auto w = make("zh_TW.UTF-8");
    EXPECT_EQ(w->lanId(), 2);
    EXPECT_EQ(settings().lanId(), 2);
    EXPECT_EQ(w->size(), QSize(800, 572));
    EXPECT_EQ(w->windowTitle(), w->texts().get("mouse_name_text"));
    EXPECT_EQ(w->objectName(), "VELOR Gaming Driver");
    EXPECT_EQ(w->currentTab(), 0);
}

// The window takes its design size where it fits, else what fits (200 % on a
// 1600x1000 screen leaves 800x484 below a panel), centred, its caption in view.
TEST(WindowFit, DesignSizeWhereItFitsElseWhatFitsCaptionInView) {
    const QSize design(800, 572);
    EXPECT_EQ(fitWindow(design, QRect(0, 0, 1600, 1000)), QRect(400, 214, 800, 572));
    EXPECT_EQ(fitWindow(design, QRect(0, 16, 800, 484)), QRect(0, 16, 800, 484));
    EXPECT_EQ(fitWindow(design, QRect(100, 0, 700, 400)), QRect(100, 0, 700, 400));
    EXPECT_EQ(fitWindow(design, QRect(1600, 0, 1280, 720)), QRect(1840, 74, 800, 572));
}

TEST_F(MainWindowTest, MessagesChangeLanguageAutostartAndFeedback) {
    auto w = make("en_US");
    auto* hint = w->skin().find<QLabel>("no_device");
    const QString english = hint->text();
    w->messages().post(kLanguageMessage, 3, 0);
    w->messages().post(kAutostartMessage, 1, 0);
    w->messages().post(kFeedbackMessage, 1, 0);
    pump();
    EXPECT_EQ(w->lanId(), 3);
    EXPECT_EQ(settings().lanId(), 3);
    EXPECT_NE(hint->text(), english);  // refreshed at once
    EXPECT_EQ(settings().startup(), 1);
    EXPECT_TRUE(std::filesystem::exists(temp.path() / "autostart" / "velor.desktop"));
    EXPECT_EQ(settings().feedback(), 1);

    w->messages().post(kAutostartMessage, 0, 0);
    pump();
    EXPECT_EQ(settings().startup(), 0);
    EXPECT_FALSE(std::filesystem::exists(temp.path() / "autostart" / "velor.desktop"));
}

TEST_F(MainWindowTest, SlotMessagesAndTimersGoToTheirPageByNumber) {
    auto w = make("en_US");
    w->messages().post(0x693, 0x7F00, 1);  // slot 10, library message A
    w->messages().post(0x604, 0, 0);       // slot 1, library message B: removal
    w->messages().post(0x634, 1, 0);       // slot 4, message B: arrival
    w->messages().post(0x695, 7, 0);       // slot 10 apply request
    for (const std::uint32_t ignored :
         {0x50Cu, 0x691u, 0x692u, 0x697u, 0x1401u, 0x50Bu, 0x40Au, 0x6A3u})
        w->messages().post(ignored, 1, 1);
    pump();
    EXPECT_EQ(log,
              (std::vector<std::string>{"10 code 7f000001", "1 code 7f000002", "4 code 7f000001",
                                        "10 worker 19a287"}));  // 0x690 * 1000 + 7, in hex
    log.clear();
    for (const int id : {656, 659, 660, 512, 516, 517, 54, 55, 1000}) w->timers().setTimer(id, 1);
    // Real timers: wait (bounded) until every routed one has fired once.
    const std::vector<std::string> expected = {"1 timer 200",  "1 timer 204",  "10 timer 290",
                                               "10 timer 293", "10 timer 294", "monitor 0",
                                               "monitor 1"};
    std::set<std::string> seen;
    for (int i = 0; i < 1000 && seen.size() < expected.size(); ++i) {
        QThread::msleep(2);
        QCoreApplication::processEvents();
        seen.insert(log.begin(), log.end());
    }
    for (const int id : {656, 659, 660, 512, 516, 517, 1000}) w->timers().killTimer(id);
    EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.end()), expected);
    EXPECT_FALSE(w->timers().isActive(54));  // killed before the monitor restarts
}

// Bluetooth as the system reports it, at the test's word.
class FakeBluetooth final : public BluetoothMice {
  public:
    void watch(Events e) override { events = std::move(e); }
    std::unique_ptr<BleGattLink> linkFor(std::uint16_t, std::uint16_t) override { return nullptr; }
    Events events;
};

TEST_F(MainWindowTest, BluetoothMiceReachTheirPageAndWhatKeepsThemAwayIsToldOnce) {
    FakeBluetooth bluetooth;
    auto w = make("en_US", &bluetooth);
    bluetooth.events.presence(0x045E, 0x0035, true);
    bluetooth.events.presence(0x045E, 0x0099, true);  // not one of ours
    bluetooth.events.presence(0x1D57, 0x0033, true);  // our vendor id, but not over Bluetooth
    w->messages().post(0x686, 0x4035, 0x3200);        // slot 9's Bluetooth status message
    pump();
    EXPECT_EQ(log, (std::vector<std::string>{"9 ble 1", "9 ble status 40353200"}));

    auto* notice = w->skin().find<QLabel>("device_notice");
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isHidden());
    bluetooth.events.problem(BleProblem::NotConnected, 0x0033);
    bluetooth.events.problem(BleProblem::NotConnected, 0x0033);
    pump();
    EXPECT_FALSE(notice->isHidden());
    EXPECT_THAT(notice->text().toStdString(), ::testing::HasSubstr("paired but not connected"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Bluetooth: ble_not_connected_text"), 1);
    bluetooth.events.presence(0x045E, 0x0033, false);  // still away: the notice stays
    pump();
    EXPECT_FALSE(notice->isHidden());
    bluetooth.events.presence(0x045E, 0x0033, true);
    pump();
    EXPECT_TRUE(notice->isHidden());
    // Where the build reaches no Bluetooth at all, a paired mouse is not
    // simply missing: the empty page says so.
    bluetooth.events.problem(BleProblem::Unsupported, 0);
    pump();
    EXPECT_FALSE(notice->isHidden());
    EXPECT_THAT(notice->text().toStdString(), ::testing::HasSubstr("only on Linux so far"));
}

// Simulated devices, of which this user may open none.
class LockedDevices final : public HidBackend {
  public:
    std::vector<HidDeviceInfo> enumerate(std::uint16_t v, std::uint16_t p) override {
        return sim.enumerate(v, p);
    }
    std::unique_ptr<HidDevice> open(const std::string&) override { return nullptr; }
    bool accessible(const std::string&) override { return false; }
    std::unique_ptr<HidChangeWatch> watchChanges() override { return sim.watchChanges(); }
    sim::SimBackend sim;
};

TEST_F(MainWindowTest, AMouseThisUserMayNotOpenIsToldWithTheFixNotAsNoMouse) {
    LockedDevices devices;
    auto w = make("en_US", nullptr, &devices);
    auto* notice = w->skin().find<QLabel>("device_notice");
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isHidden());  // nothing there yet

    devices.sim.plugReceiver(*descriptorFor(10));
    for (int i = 0; i < 200 && notice->isHidden(); ++i) {
        QThread::msleep(5);
        pump();
    }
    EXPECT_FALSE(notice->isHidden());
    EXPECT_THAT(notice->text().toStdString(), ::testing::HasSubstr("70-velor.rules"));
    EXPECT_TRUE(w->skin().findControl("no_device")->isHidden());
    // A start in the tray shows no window: the terminal is told too, once.
    EXPECT_THAT(warnings, ElementsAre(::testing::HasSubstr("re-plug")));
}

TEST_F(MainWindowTest, ALowBatteryIsToldOnceAndTheAboutBoxTurnsNoticesOff) {
    auto w = make("en_US");
    const auto power = [&](int slot, PowerState state, std::optional<int> percent) {
        w->messages().post(kPowerReportedMessage, static_cast<std::uintptr_t>(slot),
                           packPower(state, percent));
        pump();
    };
    power(10, PowerState::OnBattery, 80);
    power(10, PowerState::OnBattery, 14);
    power(10, PowerState::OnBattery, 14);
    power(10, PowerState::Charging, std::nullopt);
    power(10, PowerState::Full, std::nullopt);
    EXPECT_THAT(notices, ElementsAre("Battery low: MS-10 has 14% battery left. Charge it soon.",
                                     "Battery charged: MS-10 is fully charged."));
    w->messages().post(kBatteryNoticeMessage, 0, 0);
    power(7, PowerState::OnBattery, 3);
    EXPECT_EQ(notices.size(), 2u);
    EXPECT_EQ(settings().batteryNotices(), 0);
}

TEST_F(MainWindowTest, TheLowestConnectedSlotIsShownAndNoneShowsTheEmptyPage) {
    auto w = make("en_US");
    w->show();
    pages[3]->here = true;
    pages[10]->here = true;
    w->messages().post(kConnectedChangedMessage, 0, 0);
    pump();
    EXPECT_TRUE(option(*w, 3)->isVisibleTo(w.get()));
    EXPECT_TRUE(option(*w, 10)->isVisibleTo(w.get()));
    EXPECT_FALSE(option(*w, 5)->isVisibleTo(w.get()));
    EXPECT_EQ(w->currentTab(), 3);
    EXPECT_TRUE(option(*w, 3)->isChecked());

    option(*w, 10)->click();  // the user picks the other mouse
    EXPECT_EQ(w->currentTab(), 10);

    pages[3]->here = false;
    pages[10]->here = false;
    w->messages().post(kConnectedChangedMessage, 0, 0);
    pump();
    EXPECT_EQ(w->currentTab(), 0);
    EXPECT_FALSE(option(*w, 10)->isVisibleTo(w.get()));
    EXPECT_FALSE(option(*w, 10)->isChecked());
}

// With several mice at start only the page shown is built before the first
// pixels (ten pages built first cost 16 times a bare window's start); the
// others right after them.
TEST_F(MainWindowTest, OnlyThePageShownIsBuiltBeforeTheFirstPaint) {
    hereAtStart = {3, 5, 10};
    auto w = make("en_US");
    EXPECT_TRUE(pages[3]->built);
    EXPECT_FALSE(pages[5]->built || pages[10]->built);
    w->show();
    pump();
    EXPECT_TRUE(pages[5]->built && pages[10]->built);
    EXPECT_EQ(w->currentTab(), 3);
}

TEST_F(MainWindowTest, MenuItemsGoToThePageTheirPrefixNames) {
    auto w = make("en_US");
    w->messages().postMenuCommand(kMenuCommandMessage, "ms_10_dpi_up");
    w->messages().postMenuCommand(kMenuCommandMessage, "ms_1_click");
    pump();
    EXPECT_EQ(log, (std::vector<std::string>{"MS_10_Page menu ms_10_dpi_up",
                                             "MS_1_Page menu ms_1_click"}));
}

TEST_F(MainWindowTest, PageControlsNotifyTheirPage) {
    auto w = make("en_US");
    auto* page = w->skin().findControl("page_ms_7");
    ASSERT_NE(page, nullptr);
    auto* button = new QPushButton(page);
    button->setObjectName("ms_7_btn_reset");
    w->skin().watch(button);
    button->click();
    EXPECT_EQ(log, (std::vector<std::string>{"MS_7_Page click ms_7_btn_reset"}));
}

// The desktop's icon theme, where the package installed ours, gives the tray
// its icon by name (a panel draws it at its own size); the skin's picture
// stands in elsewhere, so neither is ever blank.
TEST_F(MainWindowTest, TheTrayAndWindowTakeTheThemedIconWhereTheDesktopHasIt) {
    {
        auto w = make("en_US");
        ASSERT_NE(w->trayIcon(), nullptr);
        EXPECT_FALSE(w->trayIcon()->icon().isNull());
        EXPECT_FALSE(w->windowIcon().isNull());
    }
    const std::filesystem::path theme = temp.path() / "icons" / "hicolor";
    std::filesystem::create_directories(theme / "256x256" / "apps");
    std::filesystem::copy_file(VELOR_PROGRAM_DIR "/res/velor.png",
                               theme / "256x256" / "apps" / "io.velor.GamingDriver.png");
    std::ofstream(theme / "index.theme") << "[Icon Theme]\nName=hicolor\nDirectories=256x256/apps\n"
                                            "[256x256/apps]\nSize=256\nType=Fixed\n";
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    QIcon::setThemeSearchPaths({QString::fromStdString((temp.path() / "icons").string())});
    QIcon::setThemeName("hicolor");
    auto w = make("en_US");
    EXPECT_EQ(w->windowIcon().name(), "");  // the skin's until the window has painted
    w->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->windowIcon().name() == "io.velor.GamingDriver"; }));
    EXPECT_EQ(w->trayIcon()->icon().name(), "io.velor.GamingDriver");
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);
}

TEST_F(MainWindowTest, CloseButtonHidesAndShowRequestsBringItBack) {
    settings().SaveLanguage(1);
    auto w = make("vi_VN");
    EXPECT_EQ(w->lanId(), 1);  // a stored language wins
    w->show();
    w->skin().find<QAbstractButton>("exit_btn")->click();  // no tray offscreen: minimised
    EXPECT_TRUE(w->isMinimized() || !w->isVisible());
    w->messages().post(kShowWindowMessage, 0, 0);
    pump();
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->isMinimized());
}

// A damaged or missing language or skin file is named, with the repair, in a
// notice (a plain box where the message window's own skin is damaged); a
// damaged language gives English, a damaged English what precedes the
// damage, and a named pipe in a file's place does not hang the start.
TEST_F(MainWindowTest, DamagedProgramFilesAreNamedInANotice) {
    namespace fs = std::filesystem;
    enum class Damage { CutInHalf, Pipe };
    const struct {
        std::vector<std::pair<const char*, Damage>> files;
        int lanId;
        std::vector<const char*> named;  // by the notices
        const char* trayText;
    } cases[] = {
        {{{"lan/EN.xml", Damage::CutInHalf}}, 2, {"lan/EN.xml"}, "Open Main Window"},
        {{{"lan/CN.xml", Damage::CutInHalf}}, 1, {"lan/CN.xml"}, "Open Main Window"},
        {{{"lan/CN.xml", Damage::Pipe}}, 1, {"lan/CN.xml"}, "Open Main Window"},
        {{{"lan/EN.xml", Damage::Pipe}}, 2, {"lan/EN.xml"}, "tray_show_text"},
        {{{"lan/EN.xml", Damage::CutInHalf}, {"msg.xml", Damage::CutInHalf}},
         2,
         {"msg.xml", "lan/EN.xml"},
         "Open Main Window"},
    };
    for (const auto& c : cases) {
        const testing::TempFolder copy;
        const fs::path res = copy.path() / "res";
        fs::copy(VELOR_PROGRAM_DIR "/res", res, fs::copy_options::recursive);
        for (const auto& [file, damage] : c.files) {
            const fs::path target = res / file;
            if (damage == Damage::CutInHalf) {
                fs::resize_file(target, fs::file_size(target) / 2);
            } else {
                fs::remove(target);
                ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
            }
        }
        settings().SaveLanguage(c.lanId);
        auto w = make("C", nullptr, nullptr, QString::fromStdString(res.string() + "/"));
        pump();
        std::vector<std::string> shown;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible()) continue;
            if (auto* box = qobject_cast<QMessageBox*>(top))
                shown.push_back(box->text().toStdString());
            if (auto* msg = qobject_cast<CMsgWnd*>(top))
                shown.push_back(msg->skin().find<QLabel>("warning")->text().toStdString());
            if (top != w.get()) top->close();
        }
        std::sort(shown.begin(), shown.end());
        std::vector<std::string> expected;
        for (const char* file : c.named)
            expected.push_back("The program file " + (res / file).string() +
                               " is damaged or missing. Reinstalling the program repairs it.");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(shown, expected) << c.named.front();
        EXPECT_EQ(w->texts().get("tray_show_text"), c.trayText) << c.named.front();
        w.reset();
        pump();
    }
}

}  // namespace
}  // namespace velor
