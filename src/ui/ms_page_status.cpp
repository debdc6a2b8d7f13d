// The mouse's status reports on the page: the DPI level, polling rate and
// lighting effect it switched to by itself, its power, and acknowledgements.
#include "ui/ms_page.h"

#include "protocol/status_report.h"
#include "ui/page/dpi_section.h"
#include "ui/page/lighting_section.h"
#include "ui/page/polling_section.h"
#include "ui/page/status_section.h"
#include "ui/window_messages.h"

namespace velor {

// The library's status reports: they come over the cable.
void CMS_Page::onStatusReport(std::uint16_t eventWord, std::uint16_t value) {
    handleStatus(eventWord, value, Receiver::Cable);
}

void CMS_Page::on4kStatus(std::uint16_t eventWord, std::uint16_t value) {
    handleStatus(eventWord, value, Receiver::FourK);
}

void CMS_Page::handleStatus(std::uint16_t eventWord, std::uint16_t value, Receiver via) {
    const StatusReport report = decodeStatus(*services_.model, eventWord, value, via);
    // The mouse's power and acknowledgements count while the stores are still
    // awaited: the profile sent when they come needs the mouse known to be on.
    // What it switched to by itself is overwritten by that profile anyway.
    if (profiles_.size() == 0 && report.kind != StatusKind::Power &&
        report.kind != StatusKind::Acknowledgement)
        return;
    // The value the mouse now uses, into the current profile: true when new there.
    const auto keep = [this](Field field, int v) {
        bool changed = false;
        env_->edit([&](ProfileRecord& r) {
            changed = r.get(field) != v;
            r.set(field, v);
        });
        return changed;
    };
    switch (report.kind) {
        case StatusKind::DpiLevel: {
            const bool changed = keep(Field::dpiLevel, report.dpiLevel);
            dpi_->showLevel(report.dpiLevel);
            const int dpi =
                env_->current().i32(Field::dpiX, static_cast<std::uint32_t>(report.dpiLevel));
            context_->mainWindow.post(kDpiLevelReportedMessage,
                                      static_cast<std::uintptr_t>(slot() - 1), dpi);
            return takeOver(Field::dpiLevel, changed);
        }
        case StatusKind::PollingRate: {
            const bool changed = keep(report.pollingField, report.pollingRate);
            polling_->showRate(report.pollingField, report.pollingRate);
            return takeOver(report.pollingField, changed);
        }
        case StatusKind::Power:
            context_->mainWindow.post(kPowerReportedMessage, static_cast<std::uintptr_t>(slot()),
                                      packPower(report.power, report.batteryPercent));
            return status_->onPower(report, via);
        case StatusKind::Acknowledgement:
            return link_->setStopResend(report.acknowledged);
        case StatusKind::LightingEffect: {
            const bool changed = keep(Field::lightMode, report.lightMode);
            lighting_->showEffect(report.lightMode);
            return takeOver(Field::lightMode, changed);
        }
        case StatusKind::DeviceChange:  // carries nothing we keep
        case StatusKind::Ignored:
            return;
    }
}

// What the mouse reports it now uses is what it has: nothing is sent for it,
// and the store is written only when the value is new to it (a store of
// thousands of profiles is a large write).
void CMS_Page::takeOver(Field field, bool changed) {
    engine_->acceptDeviceChange(field);
    if (changed) saveReported();
    dpi_->showPending();
}

// A burst of reports (the DPI button pressed again and again) is stored at
// most once a second, the last value included: the mouse holds the values
// meanwhile, and the end of the program stores what is left.
void CMS_Page::saveReported() {
    constexpr Millis kGap{1000};
    if (reportedSaveDue_) return;
    const Millis now = services_.clock->now();
    if (!lastReportedSave_ || now - *lastReportedSave_ >= kGap) {
        lastReportedSave_ = now;
        return link_->requestSave();
    }
    reportedSaveDue_ = true;
    context_->timers.setTimer(env_->timer(page_timer::kReportedSave),
                              static_cast<int>((kGap - (now - *lastReportedSave_)).count()));
}

}  // namespace velor
