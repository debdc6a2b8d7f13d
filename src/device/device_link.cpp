#include "device/device_link.h"

#include <algorithm>
#include <string>

#include "device/poster_bridge.h"
#include "protocol/frame_4k.h"
#include "protocol/report.h"
#include "protocol/report_builders.h"

namespace velor {

namespace {

constexpr Millis kAfterReport{500};
constexpr Millis kAfterWiredChunk{200};
constexpr Millis kAfterWirelessChunk{1000};
constexpr Millis kAfter4kMacroFrame{200};
constexpr Millis kArrivalSettle{1000};
constexpr int kWirelessTries = 10;
// Thread messages of the worker, as offsets from the slot's message base.
constexpr std::uint32_t kApplyCommand = 0;
constexpr std::uint32_t kSaveCommand = 1;

constexpr std::uint32_t kPresenceWord = 0x7F00;
constexpr std::uint32_t kArrival = 1;
constexpr std::uint32_t kRemoval = 2;
constexpr std::uint32_t kFirstStatusWord = 0x1000;
constexpr std::uint32_t kLastStatusWord = 0x9000;

// Event types a mouse reports; anything else is not a status report.
constexpr std::uint32_t kStatusEvents[] = {0x10, 0x20, 0x40, 0x50, 0x60, 0x70, 0x80};

bool isStatusOf(std::uint32_t eventWord, std::uint8_t modelCode) {
    const std::uint32_t type = eventWord >> 8;
    return (eventWord & 0xFF) == modelCode &&
           std::find(std::begin(kStatusEvents), std::end(kStatusEvents), type) !=
               std::end(kStatusEvents);
}

}  // namespace

std::uint32_t deviceCodeFromMessageA(std::uintptr_t wParam, std::intptr_t lParam) {
    return static_cast<std::uint32_t>(wParam << 16) | static_cast<std::uint32_t>(lParam & 0xFFFF);
}

std::uint32_t deviceCodeFromMessageB(std::uintptr_t wParam) {
    const std::uint32_t event = wParam == 1 ? kArrival : wParam == 0 ? kRemoval : 0;
    return (kPresenceWord << 16) + event;
}

DeviceLink::DeviceLink(Wiring wiring)
    : w_(std::move(wiring)), bridge_(std::make_shared<PosterBridge>(w_.mainWindow)) {
    if (!w_.debug) w_.debug = defaultDebugSink();
}

DeviceLink::~DeviceLink() {
    close();
}

void DeviceLink::open(std::unique_ptr<FeatureDevice> library) {
    worker_ = std::make_unique<WorkerThread>([this](std::uint32_t m) { onWorkerMessage(m); });
    library_ = std::move(library);
    bool opened = false;
    if (library_) {
        library_->setVidPid(w_.model.vid, w_.model.pid);
        library_->openDevMonitor(bridge_->window(), w_.model.messageBase + kLibraryMessageA,
                                 w_.model.messageBase + kLibraryMessageB);
        opened = library_->openFeatureDevice() != 0;
    }
    if (opened) {
        wiredState_ = 1;
        offline_ = false;
        w_.view.showSleepLabel(false);
        w_.view.showChargingText();
        w_.view.startChargingAnimation(false);
        w_.view.showWiredIcon(true);
        w_.view.onLinkUp();
    } else {
        wiredState_ = 0;
        offline_ = true;
        w_.view.showSleepLabel(true);
        w_.view.showWiredIcon(false);
    }
    updateConnected(true);
}

void DeviceLink::onDeviceCode(std::uint32_t code) {
    const std::uint32_t high = code >> 16;
    const std::uint32_t low = code & 0xFFFF;
    if (high == kPresenceWord) {
        if (low == kArrival) onArrival();
        if (low == kRemoval) onRemoval();
    } else if (high >= kFirstStatusWord && high <= kLastStatusWord &&
               isStatusOf(high, w_.model.receiverCode)) {
        // Another slot's model code, or an event no mouse sends, changes nothing.
        w_.view.onStatusReport(static_cast<std::uint16_t>(high), static_cast<std::uint16_t>(low));
    }
}

void DeviceLink::onArrival() {
    if (wiredState_ == 1 || !library_) return;
    // The device needs a moment after it appears before it can be opened.
    pause(kArrivalSettle);
    // A device that cannot be opened is not shown as wired: sends would fail
    // while the page claimed a cable, and the next arrival would be ignored.
    if (library_->openFeatureDevice() == 0) {
        w_.debug("feature device announced but could not be opened");
        return;
    }
    wiredState_ = 1;
    offline_ = false;
    w_.view.showSleepLabel(false);
    w_.view.showWiredIcon(true);
    w_.view.showFeatureSections();
    w_.view.showChargingText();
    w_.view.startChargingAnimation(true);
    updateConnected(false);
    w_.view.onLinkUp();
}

void DeviceLink::onRemoval() {
    if (wiredState_ == 2 || !library_) return;
    wiredState_ = 2;
    library_->closeFeatureDevice();
    // A receiver or Bluetooth still up carries the changes: offline means no path at all.
    if (!anyPathUp()) offline_ = true;
    w_.view.showSleepLabel(offline_);
    w_.view.showWiredIcon(false);
    w_.view.clearPowerLabel();
    w_.view.stopChargingAnimation();
    updateConnected(false);
}

void DeviceLink::setWirelessOnline(bool online) {
    const bool cameUp = online && !wirelessOnline_;
    wirelessOnline_ = online;
    updateConnected(false);
    if (cameUp) w_.view.onLinkUp();
}

void DeviceLink::bleConnect() {
    if (!w_.model.hasBle || w_.ble == nullptr) return;
    const bool cameUp = !bleOnline_;
    bleOnline_ = true;
    // The mouse answers this way: applies run again (over Bluetooth no power
    // report would ever say so).
    offline_ = false;
    // The callback may outlive the link; the bridge drops what comes late.
    w_.ble->registerNotifications([bridge = bridge_, base = w_.model.messageBase,
                                   debug = w_.debug](std::span<const std::uint8_t> value) {
        if (value.size() < 4) {
            debug("datasize " + std::to_string(value.size()));
            return;
        }
        const auto eventWord = static_cast<std::uint16_t>(value[0] | value[1] << 8);
        const auto word = static_cast<std::uint16_t>(value[2] | value[3] << 8);
        bridge->post(base + kBleStatusMessage, eventWord, word);
    });
    w_.view.showBleIcon(true);
    updateConnected(false);
    if (cameUp) w_.view.onLinkUp();
}

void DeviceLink::bleDisconnect() {
    if (!w_.model.hasBle) return;
    bleOnline_ = false;
    w_.view.stopChargingAnimation();
    if (w_.ble != nullptr) w_.ble->unregister();
    w_.view.showBleIcon(false);
    if (!anyPathUp()) offline_ = true;
    updateConnected(false);
}

void DeviceLink::onBleArrival() {
    if (!bleOnline_) bleConnect();
}

void DeviceLink::onBleRemoval() {
    bleDisconnect();
}

void DeviceLink::onBleStatus(std::uint16_t eventWord, std::uint16_t value) {
    if (!w_.model.hasBle || !isStatusOf(eventWord, w_.model.receiverCode)) return;
    w_.view.onBleReport(eventWord, value);
}

void DeviceLink::setWireless4kOnline(bool online) {
    const bool cameUp = online && !wireless4kOnline_;
    wireless4kOnline_ = online;
    updateConnected(false);
    if (cameUp) w_.view.onLinkUp();
}

bool DeviceLink::anyPathUp() const {
    return wiredState_ == 1 || wirelessOnline_ || wireless4kOnline_ || bleOnline_;
}

void DeviceLink::updateConnected(bool alwaysPost) {
    const bool now = anyPathUp();
    const bool changed = now != connected_;
    connected_ = now;
    w_.view.linksChanged();
    if (changed || alwaysPost) w_.mainWindow.post(kConnectedChangedMessage, 0, 0);
}

void DeviceLink::setReceiver(std::shared_ptr<HidDevice> command,
                             std::shared_ptr<HidDevice> report) {
    const std::lock_guard guard(receiverMutex_);
    receiverCommand_ = std::move(command);
    receiverReport_ = std::move(report);
}

std::shared_ptr<HidDevice> DeviceLink::receiver() const {
    const std::lock_guard guard(receiverMutex_);
    return receiverCommand_;
}

void DeviceLink::setReceiver4k(std::shared_ptr<HidDevice> command,
                               std::shared_ptr<HidDevice> report) {
    const std::lock_guard guard(receiverMutex_);
    receiver4kCommand_ = std::move(command);
    receiver4kReport_ = std::move(report);
}

std::shared_ptr<HidDevice> DeviceLink::receiver4k() const {
    const std::lock_guard guard(receiverMutex_);
    return receiver4kCommand_;
}

void DeviceLink::requestApply() {
    w_.mainWindow.post(w_.model.messageBase + kApplyRequest, 0, 0);
}

void DeviceLink::postToWorker(std::uint32_t message) {
    if (worker_) worker_->post(message);
}

void DeviceLink::setApplyHandler(std::function<void()> handler) {
    applyHandler_ = std::move(handler);
}

void DeviceLink::requestSave() {
    if (!worker_ || saveQueued_.exchange(true)) return;
    worker_->post(w_.model.messageBase + kSaveCommand);
}

void DeviceLink::setSaveHandler(std::function<void()> handler) {
    saveHandler_ = std::move(handler);
}

void DeviceLink::onWorkerMessage(std::uint32_t message) {
    if (message == w_.model.messageBase + kSaveCommand) {
        saveQueued_ = false;
        if (saveHandler_) saveHandler_();
        return;
    }
    if (message != w_.model.messageBase + kApplyCommand) return;
    // With no path, what the user changed is stored now (no exit can lose
    // it); the mouse gets it whole when a path comes up.
    const auto& handler = anyPathUp() ? applyHandler_ : saveHandler_;
    if (handler) handler();
}

// Every pause between reports: none once the link is closing, so that the
// program's end never waits out a mouse.
void DeviceLink::pause(Millis duration) {
    if (!closing_) w_.clock.sleepUnlessWoken(duration, closeWake_);
}

// The cable first; then, by family, the 4K receiver, the 2.4 GHz receiver or
// Bluetooth (which takes no polling-rate report).
int DeviceLink::send(std::span<const std::uint8_t> report) {
    if (closing_) return 0;
    int result = 0;
    bool done = false;
    if (wiredState_ == 1 && library_) result = sendWired(report, done);
    bool acknowledged = true;
    if (!done) {
        if (w_.model.has4k && wireless4kOnline_) {
            result = send4k(report);
        } else if (wirelessOnline_) {
            result = sendWireless(report);
            acknowledged = stopResend_;
        } else if (w_.model.hasBle && bleOnline_ && w_.ble != nullptr && !report.empty()) {
            // A Bluetooth mouse takes no polling rate at all: nothing to send
            // and nothing to send again, so it is not counted as refused (a
            // USB link coming up sends the whole profile anyway).
            if (report[0] == command::kPolling) return 1;
            result = w_.ble->write(report);
        }
    }
    // The reference families pause only after a report that went out; the
    // families with a 4K or Bluetooth path always do.
    if (result != 0 || w_.model.has4k || w_.model.hasBle) pause(kAfterReport);
    // Through the 2.4 GHz receiver only the mouse's acknowledgement says it
    // has the report; without one the report is due again.
    return acknowledged ? result : 0;
}

// Sets done when the report went out over the cable, or (not a macro) when
// the cable was tried at all: only a macro falls back to the receiver.
int DeviceLink::sendWired(std::span<const std::uint8_t> report, bool& done) {
    if (report.empty() || report[0] != command::kMacro) {
        done = true;
        return library_->setFeature(report);
    }
    int last = 0;
    const auto chunks = splitMacro(Report::from(report), false);
    // The 111-byte report of the high-rate slots fills two chunks, the 131-byte one three.
    const std::size_t count = report.size() <= 111 ? 2 : chunks.size();
    for (std::size_t c = 0; c < count; ++c) {
        last = library_->setFeature(chunks[c]);
        if (last != 0) pause(kAfterWiredChunk);
    }
    done = last != 0;
    return done ? last : 0;
}

int DeviceLink::sendWireless(std::span<const std::uint8_t> report) {
    const std::shared_ptr<HidDevice> receiverCommand = receiver();
    if (!receiverCommand) return 0;
    stopResend_ = false;
    int result = 0;
    if (!report.empty() && report[0] == command::kMacro) {
        const auto chunks = splitMacro(Report::from(report), true);
        for (int pass = 0; pass < kWirelessTries && !stopResend_ && !closing_; ++pass) {
            for (const MacroChunk& chunk : chunks) {
                if (closing_) break;
                result = receiverCommand->sendFeatureReport(chunk);
                pause(kAfterWirelessChunk);
            }
        }
    } else {
        for (int copy = 0; copy < kWirelessTries && !stopResend_ && !closing_; ++copy) {
            result = receiverCommand->sendFeatureReport(report);
            w_.debug("Wireless Send = " + std::to_string(result));
            pause(kAfterReport);
        }
    }
    return result;
}

// Frames go out once: the 4K receiver neither repeats nor acknowledges, so a
// report counts as taken when every frame was written.
int DeviceLink::send4k(std::span<const std::uint8_t> report) {
    const std::shared_ptr<HidDevice> receiver = receiver4k();
    if (!receiver) return 0;
    if (!report.empty() && report[0] == command::kMacro) {
        bool written = true;
        for (const Frame4k& frame : macroFrames4k(Report::from(report), w_.debug)) {
            written &= receiver->write(frame) > 0;
            pause(kAfter4kMacroFrame);
        }
        return written ? 1 : 0;
    }
    return receiver->write(frame4k(report)) > 0 ? 1 : 0;
}

void DeviceLink::waitForWorker() const {
    if (worker_) worker_->waitIdle();
}

bool DeviceLink::workerIdle() const {
    return !worker_ || worker_->idle();
}

void DeviceLink::close() {
    // The worker ends first, so no send is still using the library while it
    // is closed and unloaded. Queued applies still run (they store the
    // profiles) but no longer wait on the mouse.
    closing_ = true;
    closeWake_.signal();  // a pause under way ends now
    if (worker_) worker_->quit();
    worker_.reset();
    if (library_) {
        library_->closeFeatureDevice();
        library_->closeDevMonitor();
    }
    if (w_.ble != nullptr) w_.ble->unregister();
    bridge_->disconnect();
    library_.reset();
}

}  // namespace velor
