#include "ui/about_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include "ui/window_messages.h"

namespace velor {

CAboutWnd::CAboutWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder,
                     MessagePoster& mainWindow, int lanId, int startup, int feedback,
                     int batteryNotices)
    : SkinnedDialog(parent, texts, skinFolder),
      mainWindow_(mainWindow),
      lanId_(lanId),
      startup_(startup),
      feedback_(feedback),
      batteryNotices_(batteryNotices) {}

QString CAboutWnd::versionText() {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(VELOR_VERSION_MAJOR & 0xFF)
        .arg(VELOR_VERSION_MINOR & 0xFF)
        .arg(VELOR_VERSION_PATCH & 0xFF)
        .arg(VELOR_VERSION_TWEAK & 0xFF);
}

void CAboutWnd::initWindow() {
    if (auto* combo = skin().find<QComboBox>("combo_lan")) {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(lanId_ - 1);
    }
    // A setting never saved (-1) shows as checked.
    if (auto* box = skin().find<QCheckBox>("check_startup")) box->setChecked(startup_ != 0);
    if (auto* box = skin().find<QCheckBox>("check_window_feedback"))
        box->setChecked(feedback_ != 0);
    if (auto* box = skin().find<QCheckBox>("check_battery_notice"))
        box->setChecked(batteryNotices_ != 0);
    if (auto* version = skin().find<QLabel>("version")) version->setText(versionText());
}

void CAboutWnd::onNotify(const Notification& n) {
    if (n.type == "click" && n.sender == "exit") {
        closeWith(0);
    } else if (n.type == "itemselect" && n.sender == "combo_lan") {
        const int lanId = n.value == 0 ? 1 : n.value == 2 ? 3 : 2;
        skin().texts().load(lanId);
        skin().refreshTexts();
        mainWindow_.post(kLanguageMessage, static_cast<std::uintptr_t>(n.value + 1), 0);
    } else if (n.type == "checkclick" && n.sender == "check_startup") {
        mainWindow_.post(kAutostartMessage, n.value != 0 ? 1 : 0, 0);
    } else if (n.type == "checkclick" && n.sender == "check_window_feedback") {
        mainWindow_.post(kFeedbackMessage, n.value != 0 ? 1 : 0, 0);
    } else if (n.type == "checkclick" && n.sender == "check_battery_notice") {
        mainWindow_.post(kBatteryNoticeMessage, n.value != 0 ? 1 : 0, 0);
    }
}

}  // namespace velor
