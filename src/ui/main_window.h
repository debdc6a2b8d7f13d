// The main window: holds the ten device pages as tabs and routes their
// messages, library codes, timers and menu commands; keeps the tray icon, the
// three user preferences and the hook table it shares with pages and dialogs.
#pragma once

#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <mutex>

#include "device/battery_notices.h"
#include "device/bluetooth_mice.h"
#include "device/change_watch_thread.h"
#include "platform/front_application.h"
#include "platform/hook_table.h"
#include "skin/language_texts.h"
#include "skin/message_dispatcher.h"
#include "skin/skin_window.h"
#include "skin/timer_host.h"
#include "store/app_settings.h"
#include "ui/desktop_notifier.h"
#include "ui/device_page.h"
#include "ui/window_messages.h"

class QStackedWidget;
class QAbstractButton;

namespace velor {

class HookCapture;
class ReceiverMonitor;
class KeyboardLayout;

inline constexpr std::uintptr_t kLeftButtonUp = 0x202;
inline constexpr std::uintptr_t kRightButtonUp = 0x205;
inline constexpr int kReceiverMonitorTimer = 54;
inline constexpr int kReceiver4kMonitorTimer = 55;
// The application in front settles before a rule switches a profile, so
// Alt+Tab through several windows applies once.
inline constexpr int kFrontSettleTimer = 56;
inline constexpr int kFrontSettleMs = 300;
inline constexpr int kPageCount = 10;

// The program's icon from the skin, at hand at once.
QIcon programIcon(const QString& skinFolder);
// The desktop theme's (installed under the desktop entry's name, so panels and
// docks show the same one), else the skin's. Looking through the theme's
// folders costs more than a first paint, so the window takes it afterwards.
QIcon themedProgramIcon(const QString& skinFolder);

struct MainWindowServices {
    QString skinFolder;       // program folder + "res/"
    std::string programPath;  // for the autostart entry
    std::string autostartEntry;
    std::string systemLocale;
    std::function<std::string()> dataFolder;
    DebugSink debug;
    // A problem the user should act on, one line with the remedy (stderr).
    DebugSink warning;
    // The page of a slot; empty pages when not given.
    std::function<std::unique_ptr<DevicePage>(int slot)> makePage;
    // Restarts a receiver monitor: 0 the 2.4 GHz one, 1 the 4K one.
    std::function<void(int kind)> restartReceiverMonitor;
    // The keyboard layout key names follow (not owned).
    const KeyboardLayout* keyboard = nullptr;
    // Where wireless receivers are looked for (not owned); none without it.
    HidBackend* hid = nullptr;
    // The Bluetooth mice (not owned); none without it.
    BluetoothMice* bluetooth = nullptr;
    // A notice on the desktop (title, body); the notification service, or the
    // tray's balloon, when not given.
    std::function<void(const QString& title, const QString& body)> notify = nullptr;
    // Watches the application in front; none (rules then wait for velorctl)
    // when not given.
    std::function<std::unique_ptr<FrontApplicationWatch>(FrontApplicationWatch::OnChange,
                                                         std::string* whyNot)>
        watchFront = nullptr;
};

class CMainWnd final : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* kClassName = "VELOR Gaming Driver";
    static constexpr QSize kDesignSize{800, 572};
    // The smallest the user may make the window (README, "The window"): the
    // caption and the device bar whole, the page scrolling both ways.
    static constexpr QSize kMinimumSize{480, 360};
    static constexpr const char* kSkinFile = "main.xml";

    explicit CMainWnd(MainWindowServices services);
    ~CMainWnd() override;

    // The window's initialisation, in its fixed order.
    void init();
    // Shown, restored and in front; forceRefresh re-selects the connected
    // page even when the window is already visible.
    void showWindow(bool forceRefresh = true);
    // Out of sight: into the tray, or minimised when the desktop has no tray.
    void hideToTray();
    // Ends the program, as the tray's Exit and Ctrl+Q do.
    void quit();

    void RefreshDeviceTabs();
    // Whether main.xml was read: without it there is no window to show.
    bool skinLoaded() const { return skinError_.isEmpty(); }
    // What is wrong with main.xml (naming it), empty when it was read.
    const QString& skinError() const { return skinError_; }

    // A problem of the start the user has to act on, in a notice that is not
    // waited for (shown by a hidden start too).
    void tellProblem(const QString& text);

    // The keyboard layout changed: key names are shown afresh.
    void keyboardChanged() { refreshTexts(); }
    void ShowConnectedPage();

    MessageDispatcher& messages() { return messages_; }
    TimerHost& timers() { return timers_; }
    LanguageTexts& texts() { return texts_; }
    SkinWindow& skin() { return skin_; }
    const HookTable& hookTable() const { return hooks_; }
    DevicePage& page(int slot) { return *pages_[static_cast<std::size_t>(slot - 1)]; }
    int lanId() const { return lanId_; }
    int startup() const { return startup_; }
    int feedback() const { return feedback_; }
    QSystemTrayIcon* trayIcon() const { return tray_.get(); }
    // The tab item "device_tab_switch" shows (0: no mouse).
    int currentTab() const;
    // The applications the rules window offers; why profiles cannot follow
    // the application in front here (empty when they can).
    std::vector<FrontApplication> runningApplications() const;
    const std::string& frontUnavailable() const { return frontWhyNot_; }

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Enter presses the focused push button, as Space does (main_window_keys.cpp).
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void routeMessages();
    void routeSlotMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void routeTimer(int id);
    void onMenuCommand(const QString& item);
    void onNotify(const Notification& n);
    void onClick(const QString& name);
    void changeLanguage(int lanId);
    void refreshTexts();
    void createTray();
    // Ctrl+Q quits, as the tray's Exit does: with no tray, the window's own way out.
    void addQuitShortcut();
    void openAbout();
    QAbstractButton* option(int n) const;
    void startReceiverMonitors();
    void restartMonitor(int kind);
    void onDevicesChanged();
    // A mouse or receiver there that this user may not open: what to do.
    void showAccessNotice();
    void startBluetooth();
    // Tells the pages whether anyone can see the window.
    void followVisibility();
    void storePages();  // each page writes what it has not stored yet
    // A page's power report; the desktop may be told.
    void onPowerReported(int slot, std::intptr_t power);
    // Damaged language files: named on stderr and in a notice, with the repair.
    void tellDamagedFiles();
    // The notice on the empty page, by text id; an empty id hides it.
    void showNotice(const QString& textId);
    // Application rules (main_window_front.cpp): the watch, and each slot
    // following what settled in front.
    void startFollowingFront();
    void onFrontSettled();
    // The tray's mice (main_window_tray.cpp): a submenu each, and the tooltip.
    void addMiceToTrayMenu();
    void updateTrayToolTip();
    QString trayLine(int slot, const DevicePage::TrayView& view) const;

    MainWindowServices services_;
    MessageDispatcher messages_;
    TimerHost timers_;
    LanguageTexts texts_;
    AppSettings settings_;
    SkinWindow skin_;
    std::unique_ptr<HookCapture> capture_;
    HookTable hooks_;
    std::unique_ptr<PageContext> pageContext_;
    std::array<std::unique_ptr<DevicePage>, kPageCount> pages_;
    std::array<bool, 20> tabFlags_{};
    int connectedCount_ = 0;
    QStackedWidget* tabs_ = nullptr;
    int lanId_ = kUnset;
    int startup_ = kUnset;
    int feedback_ = kUnset;
    int batteryNotices_ = kUnset;  // unset: on
    BatteryNotices notices_;
    std::unique_ptr<DesktopNotifier> notifier_;
    QIcon icon_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<QMenu> trayMenu_;
    class PagesForMonitors;
    std::unique_ptr<PagesForMonitors> pagesForMonitors_;
    std::array<std::unique_ptr<ReceiverMonitor>, 2> monitors_;  // 2.4 GHz, 4K
    std::array<std::vector<std::string>, 2> receiverPaths_;
    QTimer receiverWatch_;  // only where the system cannot tell of changes
    std::unique_ptr<ChangeWatchThread> deviceChanges_;  // posts to messages_
    QString skinError_;
    QString notice_;        // the text id the empty page's notice shows
    bool seen_ = true;      // shown and not minimised, as the pages were last told
    bool painted_ = false;  // the first paint happened (or the window started in the tray)
    void afterFirstPaint();
    // One per BleProblem: each is told once.
    std::array<bool, 4> toldBleProblems_{};
    std::unique_ptr<FrontApplicationWatch> frontWatch_;
    std::string frontWhyNot_;
    std::mutex frontLock_;
    FrontApplication front_;  // under frontLock_: the latest, not yet settled
    std::vector<std::unique_ptr<QMenu>> trayMice_;
};

}  // namespace velor
