// The main window's side of the wireless receivers: their monitors, the watch
// for receivers coming and going, and the pages their reports go to.
#include <QLabel>

#include "ui/main_window.h"
#include "ui/main_window_pages.h"

namespace velor {

namespace {

constexpr std::uint16_t kOurVendor = 0x1D57;
const QString kAccessNotice = QStringLiteral("access_missing_text");

// What the receivers' reader threads post (outside every slot's range).
constexpr std::uint32_t kReceiverReportMessage[2] = {0x1410, 0x1411};
// What the device watch's thread posts when a device came or went.
constexpr std::uint32_t kDevicesChangedMessage = 0x1414;
// How often receivers are looked for when the system cannot say they came or
// went; an arrival restarts its monitor 1 s later.
constexpr int kReceiverWatchMs = 2000;
constexpr int kMonitorRestartMs = 1000;

}  // namespace

void CMainWnd::startReceiverMonitors() {
    if (services_.hid) {
        pagesForMonitors_ = std::make_unique<PagesForMonitors>(*this);
        const ReceiverKind* kinds[2] = {&kReceiver24, &kReceiver4k};
        for (int kind = 0; kind < 2; ++kind) {
            const int timer = kind == 0 ? kReceiverMonitorTimer : kReceiver4kMonitorTimer;
            monitors_[static_cast<std::size_t>(kind)] = std::make_unique<ReceiverMonitor>(
                *kinds[kind], *services_.hid, messages_, kReceiverReportMessage[kind],
                *pagesForMonitors_, [this, timer] { timers_.setTimer(timer, kMonitorRestartMs); },
                services_.debug);
            messages_.on(kReceiverReportMessage[kind],
                         [this, kind](std::uintptr_t w, std::intptr_t l) {
                             monitors_[static_cast<std::size_t>(kind)]->onPosted(w, l);
                         });
        }
        // Woken by the system when a device comes or goes, never by a clock.
        if (auto watch = services_.hid->watchChanges()) {
            messages_.on(kDevicesChangedMessage, [this](auto, auto) { onDevicesChanged(); });
            deviceChanges_ = std::make_unique<ChangeWatchThread>(std::move(watch), messages_,
                                                                 kDevicesChangedMessage);
        } else {
            connect(&receiverWatch_, &QTimer::timeout, this, [this] { onDevicesChanged(); });
            receiverWatch_.start(kReceiverWatchMs);
        }
    }
    restartMonitor(0);
    restartMonitor(1);
    showAccessNotice();
}

void CMainWnd::showAccessNotice() {
    if (!services_.hid) return;
    bool denied = false;
    for (const HidDeviceInfo& info : services_.hid->enumerate(kOurVendor, 0))
        denied = denied || !services_.hid->accessible(info.path);
    if (denied && notice_ != kAccessNotice) {
        if (services_.warning)
            services_.warning(
                "a mouse or receiver is connected but this user may not open it; install "
                "the program's udev rule (70-velor.rules), then unplug and re-plug it");
        showNotice(kAccessNotice);
    } else if (!denied && notice_ == kAccessNotice) {
        showNotice({});
    }
}

void CMainWnd::showNotice(const QString& textId) {
    notice_ = textId;
    auto* notice = skin_.find<QLabel>("device_notice");
    // Access comes first: while it is missing, "no mouse found" would mislead.
    if (QWidget* none = skin_.findControl("no_device")) none->setVisible(textId != kAccessNotice);
    if (notice == nullptr) return;
    if (!textId.isEmpty()) skin_.setTextId(notice, textId);
    notice->setVisible(!textId.isEmpty());
}

void CMainWnd::restartMonitor(int kind) {
    if (auto& monitor = monitors_[static_cast<std::size_t>(kind)]) {
        monitor->restart();
        receiverPaths_[static_cast<std::size_t>(kind)] = monitor->pathsAtRestart();
    }
    if (services_.restartReceiverMonitor) services_.restartReceiverMonitor(kind);
}

// A receiver plugged in or pulled out: its monitor restarts a second later,
// once, however many interfaces came and went.
void CMainWnd::onDevicesChanged() {
    showAccessNotice();
    for (int kind = 0; kind < 2; ++kind) {
        auto& monitor = monitors_[static_cast<std::size_t>(kind)];
        if (!monitor) continue;
        std::vector<std::string> now = monitor->presentPaths();
        if (now == receiverPaths_[static_cast<std::size_t>(kind)]) continue;
        receiverPaths_[static_cast<std::size_t>(kind)] = std::move(now);
        timers_.setTimer(kind == 0 ? kReceiverMonitorTimer : kReceiver4kMonitorTimer,
                         kMonitorRestartMs);
    }
}

}  // namespace velor
