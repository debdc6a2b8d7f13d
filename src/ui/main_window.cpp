#include "ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QWindow>

#include "device/device_link.h"
#include "models/model_descriptor.h"
#include "platform/autostart.h"
#include "platform/file_io.h"
#include "store/autostart_setting.h"
#include "store/language_choice.h"
#include "ui/about_window.h"
#include "ui/corner_grip.h"
#include "ui/hook_capture.h"
#include "ui/main_window_pages.h"
#include "ui/window_fit.h"
#include "util/utf8_path.h"

namespace velor {

namespace {

constexpr std::uint32_t kFirstSlotMessage = messageBaseOf(1);
constexpr std::uint32_t kFirstSlotTimer = timerBaseOf(1);
constexpr int kTimersPerSlot = 5;  // T + 0 .. T + 4 belong to the page

}  // namespace

CMainWnd::CMainWnd(MainWindowServices services)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      services_(std::move(services)),
      texts_(services_.skinFolder),
      settings_(services_.dataFolder, services_.debug),
      skin_(this, texts_) {
    if (!services_.debug) services_.debug = [](std::string_view) {};
    setObjectName(kClassName);
    setWindowTitle(kClassName);
    // The size the skin is laid out for, at most; on a smaller screen (or a
    // larger scale) the window takes what fits and the settings scroll.
    setMaximumSize(kDesignSize);
    setMinimumSize(kMinimumSize);
    resize(kDesignSize);
    QString error;
    if (!skin_.load(services_.skinFolder, kSkinFile, &error))
        skinError_ = error.isEmpty() ? services_.skinFolder + kSkinFile : error;
    skin_.setHandler([this](const Notification& n) { onNotify(n); });
    timers_.setHandler([this](int id) { routeTimer(id); });
    for (int n = 1; n <= kPageCount; ++n)
        pages_[static_cast<std::size_t>(n - 1)] =
            services_.makePage ? services_.makePage(n) : std::make_unique<DevicePage>(n);
    routeMessages();
}

CMainWnd::~CMainWnd() {
    // Readers stop before the pages they report to go.
    frontWatch_.reset();
    receiverWatch_.stop();
    deviceChanges_.reset();
    for (auto& monitor : monitors_) monitor.reset();
    // Hooks go before their provider.
    hooks_.removeMouseHook();
    hooks_.removeHook();
    for (int n = 1; n <= kPageCount; ++n) skin_.unregisterReceiver(page(n).pageName());
    for (int n = kPageCount; n >= 1; --n) pages_[static_cast<std::size_t>(n - 1)].reset();
    tray_.reset();
}

void CMainWnd::init() {
    // Pages keep this for their whole life.
    pageContext_ = std::make_unique<PageContext>(
        PageContext{messages_, timers_, &hooks_, texts_, skin_, this});
    for (int n = 1; n <= kPageCount; ++n) {
        skin_.registerReceiver(page(n).pageName(), &page(n));
        page(n).init(*pageContext_);
    }
    // One reading of the icon file serves the program, the window and the tray.
    icon_ = programIcon(services_.skinFolder);
    QApplication::setWindowIcon(icon_);
    setWindowIcon(icon_);
    addQuitShortcut();
    new CornerGrip(this);  // the frameless window's resize handle

    removeCutOffSaves(pathFromUtf8(settings_.path()));
    lanId_ = settings_.lanId();
    startup_ = settings_.startup();
    feedback_ = settings_.feedback();
    batteryNotices_ = settings_.batteryNotices();
    const LanguageStart start = chooseLanguage(lanId_, services_.systemLocale);
    lanId_ = start.lanId;
    texts_.load(lanId_);
    if (start.writeBack) settings_.SaveLanguage(lanId_);

    createTray();
    refreshTexts();
    tellDamagedFiles();

    tabs_ = skin_.find<QStackedWidget>("device_tab_switch");
    for (int n = 1; n <= 20; ++n)
        if (QAbstractButton* o = option(n)) o->setVisible(false);
    if (QWidget* caption = skin_.findControl("title_bar")) caption->installEventFilter(this);
    if (auto* icon = skin_.find<QLabel>("empty_icon"))
        icon->setPixmap(icon_.pixmap(QSize(52, 52), devicePixelRatioF()));

    capture_ = std::make_unique<HookCapture>(services_.keyboard);
    hooks_ = capture_->table();

    // A page reads its stores when its mouse comes up, else after the
    // window's first paint.
    RefreshDeviceTabs();
    ShowConnectedPage();
    startReceiverMonitors();
    startBluetooth();
    startFollowingFront();
    followVisibility();  // not shown yet
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(fitWindow(kDesignSize, screen->availableGeometry()));
    // Nothing is focused at first; Tab walks the controls from the top. The
    // window holds the focus only until then: it is no stop of its own in
    // the Tab cycle.
    setFocusPolicy(Qt::NoFocus);
    setFocus();
}

QAbstractButton* CMainWnd::option(int n) const {
    return skin_.find<QAbstractButton>(QStringLiteral("option_device_%1").arg(n));
}

int CMainWnd::currentTab() const {
    return tabs_ ? tabs_->currentIndex() : -1;
}

void CMainWnd::routeMessages() {
    messages_.on(kTrayMessage, [this](auto, std::intptr_t l) {
        if (static_cast<std::uintptr_t>(l) == kLeftButtonUp) showWindow(false);
        if (static_cast<std::uintptr_t>(l) == kRightButtonUp && trayMenu_)
            trayMenu_->popup(QCursor::pos() - QPoint(0, 50));
    });
    messages_.on(kMenuCommandMessage,
                 [this](std::uintptr_t w, auto) { onMenuCommand(messages_.takeMenuCommand(w)); });
    messages_.on(kHookEventMessage, [](auto, auto) {});
    messages_.on(kShowWindowMessage, [this](auto, auto) {
        services_.debug("show window");
        showWindow(true);
    });
    messages_.on(kConnectedChangedMessage, [this](auto, auto) { RefreshDeviceTabs(); });
    messages_.on(kDpiLevelReportedMessage, [](auto, auto) {});
    messages_.on(kLanguageMessage,
                 [this](std::uintptr_t w, auto) { changeLanguage(static_cast<int>(w)); });
    messages_.on(kAutostartMessage, [this](std::uintptr_t w, auto) {
        startup_ = w == 1 ? 1 : 0;
        SetAutostart(startup_ == 1, settings_, services_.autostartEntry, services_.programPath,
                     services_.debug);
    });
    messages_.on(kFeedbackMessage, [this](std::uintptr_t w, auto) {
        feedback_ = w == 1 ? 1 : 0;
        settings_.SaveFeedback(feedback_);
    });
    messages_.on(kBatteryNoticeMessage, [this](std::uintptr_t w, auto) {
        batteryNotices_ = w == 1 ? 1 : 0;
        settings_.SaveBatteryNotices(batteryNotices_);
    });
    messages_.on(kPowerReportedMessage, [this](std::uintptr_t slot, std::intptr_t power) {
        onPowerReported(static_cast<int>(slot), power);
    });
    messages_.otherwise(
        [this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) { routeSlotMessage(m, w, l); });
}

// B + 3 and B + 4: the slot's library; B + 5: its apply request; B + 6 its
// Bluetooth notifications. The rest of a slot's numbers, and anything else,
// are ignored.
void CMainWnd::routeSlotMessage(std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    if (message < kFirstSlotMessage || message >= kFirstSlotMessage + 16 * kPageCount) return;
    const int slot = static_cast<int>((message - kFirstSlotMessage) / 16) + 1;
    const std::uint32_t base = messageBaseOf(slot);
    switch (message - base) {
        case kLibraryMessageA:
            page(slot).onDeviceCode(deviceCodeFromMessageA(wParam, lParam));
            break;
        case kLibraryMessageB:
            page(slot).onDeviceCode(deviceCodeFromMessageB(wParam));
            break;
        case kApplyRequest:
            page(slot).postToWorker(base, wParam, lParam);
            break;
        case kBleStatusMessage:
            page(slot).onBleStatus(static_cast<std::uint16_t>(wParam),
                                   static_cast<std::uint16_t>(lParam));
            break;
        default:
            break;
    }
}

void CMainWnd::routeTimer(int id) {
    if (id == kFrontSettleTimer) return onFrontSettled();
    if (id == kReceiverMonitorTimer || id == kReceiver4kMonitorTimer) {
        timers_.killTimer(id);
        restartMonitor(id == kReceiverMonitorTimer ? 0 : 1);
        return;
    }
    const int offset = id - static_cast<int>(kFirstSlotTimer);
    if (offset < 0 || offset >= 16 * kPageCount || offset % 16 >= kTimersPerSlot) return;
    page(offset / 16 + 1).onTimer(id);
}

void CMainWnd::onMenuCommand(const QString& item) {
    if (item.compare("configuration", Qt::CaseInsensitive) == 0) {
        showWindow(true);
        return;
    }
    if (item.compare("exit", Qt::CaseInsensitive) == 0) return quit();
    // Page items carry the page's prefix; compared over the shorter length,
    // so "ms_1_" does not take the items of slot 10.
    for (int n = 1; n <= kPageCount; ++n) {
        const QString prefix = page(n).controlPrefix();
        const qsizetype length = std::min(prefix.size(), item.size());
        if (QStringView(item).left(length) == QStringView(prefix).left(length))
            page(n).onMenuItem(item);
    }
}

void CMainWnd::onNotify(const Notification& n) {
    if (n.type == "click") {
        onClick(n.sender);
    } else if (n.type == "selectchanged" && n.sender.startsWith("option_device_")) {
        const int k = n.sender.mid(14).toInt();
        if (k >= 1 && k <= kPageCount && tabs_) {
            page(k).build();
            tabs_->setCurrentIndex(k);
        }
    }
}

void CMainWnd::onClick(const QString& name) {
    if (name == "exit_btn") {
        hideToTray();
    } else if (name == "min_btn") {
        showMinimized();
    } else if (name == "about_btn") {
        openAbout();
    }
}

void CMainWnd::openAbout() {
    // The box shows whether the login will start the program, whatever the
    // settings file remembers.
    const int autostarts = autostartEntryPresent(services_.autostartEntry) ? 1 : 0;
    CAboutWnd about(this, texts_, services_.skinFolder, messages_, lanId_, autostarts, feedback_,
                    batteryNotices_);
    if (!about.create()) return;
    about.centerOverParent();
    about.showModal();
}

void CMainWnd::RefreshDeviceTabs() {
    connectedCount_ = 0;
    for (int n = 1; n <= kPageCount; ++n) {
        const bool here = page(n).connected();
        tabFlags_[static_cast<std::size_t>(n - 1)] = here;
        QAbstractButton* o = option(n);
        if (here) {
            ++connectedCount_;
            // Before the first pixels only the page shown is built (by
            // ShowConnectedPage); the others once they are up.
            if (painted_) page(n).build();
            if (o) o->setVisible(true);
        } else if (o) {
            o->setVisible(false);
            if (o->isChecked()) {
                o->setAutoExclusive(false);
                o->setChecked(false);
                o->setAutoExclusive(true);
            }
        }
    }
    updateTrayToolTip();
    // The device bar only shows when there is a device to pick.
    if (QWidget* bar = skin_.findControl("device_bar")) bar->setVisible(connectedCount_ > 0);
    if (isVisible()) ShowConnectedPage();
}

void CMainWnd::ShowConnectedPage() {
    for (int n = 1; n <= kPageCount; ++n) {
        if (!tabFlags_[static_cast<std::size_t>(n - 1)]) continue;
        if (QAbstractButton* o = option(n)) {
            const QSignalBlocker quiet(o);
            o->setChecked(true);
        }
        page(n).build();
        if (tabs_) tabs_->setCurrentIndex(n);
        break;
    }
    if (connectedCount_ == 0 && tabs_) tabs_->setCurrentIndex(0);
}

void CMainWnd::showWindow(bool forceRefresh) {
    if (!isVisible() || forceRefresh) ShowConnectedPage();
    if (isMinimized() || !isVisible()) showNormal();
    raise();
    activateWindow();
}

void CMainWnd::hideToTray() {
    afterFirstPaint();
    if (tray_ && QSystemTrayIcon::isSystemTrayAvailable()) {
        hide();
    } else {
        // Without a tray the window must stay reachable from the task bar.
        showMinimized();
    }
}

void CMainWnd::changeLanguage(int lanId) {
    const bool sound = texts_.load(lanId);
    refreshTexts();
    if (!sound) tellDamagedFiles();
    lanId_ = lanId;
    settings_.SaveLanguage(lanId);
}

void CMainWnd::refreshTexts() {
    skin_.refreshTexts();
    const QString name = texts_.get("mouse_name_text");
    setWindowTitle(name);
    if (tray_) tray_->setToolTip(name);
    for (int n = 1; n <= kPageCount; ++n) page(n).refreshTexts();
}

void CMainWnd::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    followVisibility();
}

void CMainWnd::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    followVisibility();
}

void CMainWnd::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) followVisibility();
}

void CMainWnd::followVisibility() {
    const bool seen = isVisible() && !isMinimized();
    if (seen == seen_) return;
    seen_ = seen;
    for (const auto& p : pages_)
        if (p) p->setWindowShown(seen);
}

void CMainWnd::closeEvent(QCloseEvent* event) {
    // A close request from the system ends the program; the window's own
    // close button only hides it (exit_btn).
    storePages();
    event->accept();
    QApplication::quit();
}

bool CMainWnd::eventFilter(QObject* watched, QEvent* event) {
    // The caption of the frameless window moves it.
    if (event->type() == QEvent::MouseButtonPress && windowHandle() != nullptr &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        windowHandle()->startSystemMove();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace velor
