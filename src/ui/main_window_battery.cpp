// The main window's side of the batteries: a notice on the desktop as a
// mouse's battery runs low and when it is charged, unless the user turned
// them off in the About window.
#include "ui/main_window.h"

namespace velor {

void CMainWnd::onPowerReported(int slot, std::intptr_t power) {
    updateTrayToolTip();
    const auto notice = notices_.onPower(slot, powerStateOf(power), powerPercentOf(power));
    if (!notice || batteryNotices_ == 0) return;
    const QString mouse = QStringLiteral("MS-%1").arg(slot);
    QString title;
    QString body;
    if (*notice == BatteryNotice::Charged) {
        title = texts_.get("battery_charged_title_text");
        body = texts_.get("battery_charged_body_text").arg(mouse);
    } else {
        title = texts_.get("battery_low_title_text");
        body =
            texts_.get("battery_low_body_text").arg(mouse).arg(powerPercentOf(power).value_or(0));
    }
    if (services_.notify) return services_.notify(title, body);
    if (!notifier_) notifier_ = std::make_unique<DesktopNotifier>(tray_.get());
    // A mouse's notices replace each other: only its latest state is news.
    notifier_->notify({title, body, *notice == BatteryNotice::VeryLow, slot});
}

}  // namespace velor
