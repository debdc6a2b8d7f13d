// The main window's side of the wireless receivers: their monitors, the watch
// for receivers coming and going, and the pages their reports go to.
#include "ui/main_window.h"
#include "ui/main_window_pages.h"

namespace velor {

namespace {

// What the receivers' reader threads post (outside every slot's range).
constexpr std::uint32_t kReceiverReportMessage[2] = {0x1410, 0x1411};
// How often receivers are looked for; an arrival restarts its monitor 1 s later.
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
        connect(&receiverWatch_, &QTimer::timeout, this, [this] { watchReceivers(); });
        receiverWatch_.start(kReceiverWatchMs);
    }
    restartMonitor(0);
    restartMonitor(1);
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
void CMainWnd::watchReceivers() {
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
