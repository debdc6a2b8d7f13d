#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "app/autostart_setting.h"
#include "app/language_choice.h"

namespace velor {

CMainWnd::CMainWnd(MainWindowServices services)
    : services_(std::move(services)),
      texts_(services_.skinFolder),
      settings_(services_.dataFolder, services_.debug) {
    setObjectName(kClassName);
    resize(800, 572);
    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    title_->setObjectName("mouse_name");
    hint_ = new QLabel(this);
    hint_->setObjectName("no_device");
    layout->addStretch();
    layout->addWidget(title_, 0, Qt::AlignCenter);
    layout->addWidget(hint_, 0, Qt::AlignCenter);
    layout->addStretch();
    routeMessages();
}

CMainWnd::~CMainWnd() = default;

void CMainWnd::init() {
    lanId_ = settings_.lanId();
    startup_ = settings_.startup();
    feedback_ = settings_.feedback();
    const LanguageStart start = chooseLanguage(lanId_, services_.systemLocale);
    lanId_ = start.lanId;
    texts_.load(lanId_);
    if (start.writeBack) settings_.SaveLanguage(lanId_);
    refreshTexts();
    createTray();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void CMainWnd::routeMessages() {
    messages_.on(kShowWindowMessage, [this](auto, auto) {
        services_.debug("show window");
        showAndRaise();
    });
    messages_.on(kLanguageMessage, [this](std::uintptr_t w, auto) {
        changeLanguage(static_cast<int>(w));
    });
    messages_.on(kAutostartMessage, [this](std::uintptr_t w, auto) {
        startup_ = w == 1 ? 1 : 0;
        SetAutostart(startup_ == 1, settings_, services_.autostartEntry, services_.programPath,
                     services_.debug);
    });
    messages_.on(kFeedbackMessage, [this](std::uintptr_t w, auto) {
        feedback_ = w == 1 ? 1 : 0;
        settings_.SaveFeedback(feedback_);
    });
}

void CMainWnd::changeLanguage(int lanId) {
    texts_.load(lanId);
    refreshTexts();
    lanId_ = lanId;
    settings_.SaveLanguage(lanId);
}

void CMainWnd::refreshTexts() {
    const QString name = texts_.get("mouse_name_text");
    setWindowTitle(name);
    title_->setText(name);
    hint_->setText(texts_.get("no_device_text"));
    if (tray_) {
        tray_->setToolTip(name);
        const auto actions = tray_->contextMenu()->actions();
        actions[0]->setText(texts_.get("tray_show_text"));
        actions[1]->setText(texts_.get("tray_exit_text"));
    }
}

void CMainWnd::createTray() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray_ = std::make_unique<QSystemTrayIcon>(style()->standardIcon(QStyle::SP_ComputerIcon));
    auto* menu = new QMenu(this);
    menu->addAction(QString(), this, [this] { showAndRaise(); });
    menu->addAction(QString(), qApp, &QApplication::quit);
    tray_->setContextMenu(menu);
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    showAndRaise();
            });
    refreshTexts();
    tray_->show();
}

void CMainWnd::showAndRaise() {
    showNormal();
    raise();
    activateWindow();
}

void CMainWnd::hideToTray() {
    if (tray_ && tray_->isVisible()) {
        hide();
    } else {
        // Without a tray the window must stay reachable from the task bar.
        showMinimized();
    }
}

}  // namespace velor

namespace velor {

void CMainWnd::closeEvent(QCloseEvent* event) {
    // Closing the window keeps the program in the tray; only the tray's exit
    // item ends it. Without a tray, closing ends the program.
    if (tray_ && tray_->isVisible()) {
        event->ignore();
        hide();
        return;
    }
    event->accept();
    qApp->quit();
}

}  // namespace velor
