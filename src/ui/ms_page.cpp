#include "ui/ms_page.h"

#include <QPointer>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

#include "protocol/status_report.h"
#include "skin/resource_file.h"
#include "store/profile_store.h"
#include "ui/file_dialogs.h"
#include "ui/msg_window.h"
#include "ui/notice_board.h"
#include "ui/page/button_section.h"
#include "ui/page/dpi_section.h"
#include "ui/page/lighting_section.h"
#include "ui/page/page_rules.h"
#include "ui/page/polling_section.h"
#include "ui/page/power_section.h"
#include "ui/page/profile_section.h"
#include "ui/page/section_toggles.h"
#include "ui/page/status_section.h"
#include "ui/page/store_keeper.h"
#include "ui/window_messages.h"

namespace velor {

namespace {

// What the worker asks of the UI thread.
constexpr std::uint32_t kStopWatchdog = 1;
constexpr std::uint32_t kStartWatchdog = 2;
constexpr std::uint32_t kShowRing = 3;
constexpr std::uint32_t kHideRing = 4;
constexpr std::uint32_t kSaveFailed = 5;
constexpr std::uint32_t kSaveMacros = 6;
constexpr int kWatchdogMs = 6000;

}  // namespace

CMS_Page::CMS_Page(Services services)
    : DevicePage(services.model->slot),
      services_(std::move(services)),
      profiles_(*services_.model) {
    if (!services_.debug) services_.debug = defaultDebugSink();
    if (!services_.clock) services_.clock = &systemClock();
    useDefaultDialogs();
}

CMS_Page::~CMS_Page() {
    // The worker ends (running what is queued for it, which stores the
    // profiles, without waiting on the mouse) before the list goes away; an
    // edit whose apply never reached the worker is stored after it.
    if (link_) link_->close();
    if (store_) store_->saveIfUnsaved();
}

void CMS_Page::storeNow() {
    if (store_) store_->saveIfUnsaved();
}

// Questions, notices and file choices through the usual windows unless the
// caller decides otherwise.
void CMS_Page::useDefaultDialogs() {
    // A question waits for its answer: asked only of the user at the window
    // (a delete, a restore), never on the way to velorctl's answer.
    if (!services_.ask)
        services_.ask = [this](const QString& id) {
            CMsgWnd question(context_->window, context_->texts, services_.skinFolder,
                             "warning_title_text", id, CMsgWnd::Kind::Question);
            if (!question.create()) return false;
            question.centerOverParent();
            return question.showModal() == 1;
        };
    // Notices hold nothing up: a velorctl request that meets one (a store
    // that cannot be written) is answered at once, not once OK is pressed,
    // and no other request runs inside a notice's loop.
    if (!services_.tell)
        services_.tell = [this](const QString& id, const QString& detail) {
            if (!notices_)
                notices_ = std::make_unique<NoticeBoard>([this] { return context_->window; },
                                                         context_->texts, services_.skinFolder);
            notices_->tell(id, detail);
        };
    // The waiting notice stays up without holding the window.
    if (!services_.showWaiting)
        services_.showWaiting = [this, shown = std::make_shared<QPointer<CMsgWnd>>()](
                                    const QString& id, const QString& detail) {
            if (*shown) (*shown)->deleteLater();
            *shown = nullptr;
            if (id.isEmpty()) return;
            auto* notice = new CMsgWnd(context_->window, context_->texts, services_.skinFolder,
                                       "warning_title_text", id, CMsgWnd::Kind::Notice, detail);
            notice->setAttribute(Qt::WA_DeleteOnClose);
            if (!notice->create()) return notice->deleteLater();
            notice->centerOverParent();
            notice->show();
            *shown = notice;
        };
    if (!services_.editAppRules)
        services_.editAppRules = [this](const std::u16string& profile) { runAppRules(profile); };
    if (!services_.chooseFile)
        services_.chooseFile = [this](bool save) {
            return chooseFile(context_->window, save,
                              context_->texts.get("file_dialog_profile_text"), "pro");
        };
}

void CMS_Page::init(PageContext& context) {
    context_ = &context;
    if (services_.model->hasBle && services_.openBle) ble_ = services_.openBle();
    link_ = std::make_unique<DeviceLink>(DeviceLink::Wiring{*services_.model, *services_.clock,
                                                            context.mainWindow, *this,
                                                            services_.debug, ble_.get()});
    engine_ = std::make_unique<ApplyEngine>(
        profiles_,
        ApplyHooks{[this] { return link_->offline(); },
                   [this](std::span<const std::uint8_t> r) { return link_->send(r); },
                   [this] { fromWorker_.post(kStopWatchdog, 0, 0); },
                   [this] { fromWorker_.post(kStartWatchdog, 0, 0); },
                   [this](bool shown) { fromWorker_.post(shown ? kShowRing : kHideRing, 0, 0); },
                   [this] { store_->save(); }});
    env_ = std::make_unique<PageEnv>(
        PageEnv{*services_.model, services_, context, profiles_, macros_, *link_, *engine_,
                [this] { link_->requestApply(); }, [this] { refresh(); },
                [this] { link_->requestSave(); }, [this] { return store_->saveMacros(); }});
    rules_ = std::make_unique<PageRules>(*env_);
    profileSection_ = std::make_unique<ProfileSection>(*env_);
    profileSection_->setRules(rules_.get());
    buttons_ = std::make_unique<ButtonSection>(*env_);
    dpi_ = std::make_unique<DpiSection>(*env_);
    lighting_ = std::make_unique<LightingSection>(*env_);
    polling_ = std::make_unique<PollingSection>(*env_);
    power_ = std::make_unique<PowerSection>(*env_);
    status_ = std::make_unique<StatusSection>(*env_);
    toggles_ = std::make_unique<SectionToggles>(*env_);
    store_ = std::make_unique<StoreKeeper>(
        *env_, StoreKeeper::Hooks{[this](bool waited) { onStoresLoaded(waited); },
                                  [this] { fromWorker_.post(kSaveFailed, 0, 0); },
                                  [this] { fromWorker_.post(kSaveMacros, 0, 0); }});
    // The polling section sees its section box before the generic toggles do.
    sections_ = {polling_.get(), toggles_.get(),  profileSection_.get(), buttons_.get(),
                 dpi_.get(),     lighting_.get(), power_.get(),          status_.get()};

    fromWorker_.on(kStopWatchdog, [this](auto, auto) {
        context_->timers.killTimer(env_->timer(page_timer::kWatchdog));
    });
    fromWorker_.on(kStartWatchdog, [this](auto, auto) {
        context_->timers.setTimer(env_->timer(page_timer::kWatchdog), kWatchdogMs);
    });
    fromWorker_.on(kSaveFailed, [this](auto, auto) { store_->tellSaveFailure(); });
    fromWorker_.on(kSaveMacros, [this](auto, auto) { store_->saveMacros(); });
    fromWorker_.on(kShowRing, [this](auto, auto) { status_->showApplyRing(true); });
    fromWorker_.on(kHideRing, [this](auto, auto) {
        status_->showApplyRing(false);
        // A value the mouse reported and the apply then replaced on it: the
        // page shows what the mouse holds.
        if (engine_->takeTookBackReported()) refresh();
        dpi_->showPending();  // what the apply sent is no longer pending
    });
    link_->setApplyHandler([this] { engine_->apply(); });
    link_->setSaveHandler([this] { store_->save(); });
    link_->open(services_.openLibrary ? services_.openLibrary() : nullptr);
}

void CMS_Page::build() {
    if (root_ || !context_) return;
    const QString file = QStringLiteral("MS/MS_%1/ms_%1_page.xml").arg(slot());
    QWidget* host = context_->skin.findControl(QStringLiteral("page_ms_%1").arg(slot()));
    if (host == nullptr) return;
    // The page scrolls as a whole where the window is smaller than the page
    // (a small screen, a large scale); at its design size nothing scrolls.
    auto* scroller = new QScrollArea;
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->viewport()->setAutoFillBackground(false);
    // It shows nothing of its own: Tab goes past it to the controls it holds.
    scroller->setFocusPolicy(Qt::NoFocus);
    auto* inner = new QWidget;
    inner->setAutoFillBackground(false);
    scroller->setWidget(inner);
    delete host->layout();
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroller);
    QString error;
    context_->skin.setAccessibleId(scroller, QStringLiteral("a11y_page_text"),
                                   QStringLiteral("MS-%1").arg(slot()));
    root_ = context_->skin.loadInto(inner, services_.skinFolder, file, &error);
    if (!root_) {
        // Asked again at every arrival: said once.
        if (std::exchange(skinDamageTold_, true)) return;
        services_.debug(error.toStdString());
        printDamagedFile(error);
        return services_.tell(isTooManyOpenFiles(error) ? QStringLiteral("too_many_files_text")
                                                        : QStringLiteral("damaged_file_text"),
                              services_.skinFolder + file);
    }
    controls_ = ControlIndex(root_, controlPrefix());
    for (PageSection* section : sections_) section->bind(controls_);
    profileSection_->fill(false);
    refresh();
}

void CMS_Page::load() {
    if (std::exchange(storesStarted_, true)) return;
    // velorctl on its own takes the same lock: two processes never write one
    // store. Loading waits for it while another program holds it.
    store_->start();
}

bool CMS_Page::storesLoaded() const {
    return store_ && store_->loaded();
}

std::string CMS_Page::storesAwaited() const {
    return store_ ? store_->awaited() : std::string();
}

void CMS_Page::onStoresLoaded(bool waited) {
    engine_->startFromCurrent();
    rules_->load();
    profileSection_->fill(false);
    refresh();
    // The application already in front has a say once it has settled.
    if (context_) context_->mainWindow.post(kFrontChangedMessage, 0, 0);
    // A Bluetooth mouse already connected when the program starts.
    if (services_.model->hasBle) {
        if (services_.blePresent && services_.blePresent())
            link_->bleConnect();
        else
            link_->bleDisconnect();
    }
    // A path that came up while the stores were awaited had nothing to send.
    if (waited && link_->connected()) link_->requestApply();
}

void CMS_Page::refresh() {
    if (profiles_.size() == 0 || !root_) return;
    const ProfileRecord r = env_->current();
    if (link_->wiredState() == 1) showFeatureSections();
    toggles_->followLinks();
    for (PageSection* section : sections_) section->refresh(r);
    for (PageSection* section : sections_) section->refreshTexts(r);
}

void CMS_Page::refreshTexts() {
    if (profiles_.size() == 0 || !root_) return;
    const ProfileRecord r = env_->current();
    for (PageSection* section : sections_) section->refreshTexts(r);
}

void CMS_Page::setWindowShown(bool shown) {
    status_->setWindowShown(shown);
}

void CMS_Page::windowPainted() {
    load();
    store_->windowPainted();
}

void CMS_Page::notify(const Notification& n) {
    if (profiles_.size() == 0 || !n.sender.startsWith(controlPrefix())) return;
    for (PageSection* section : sections_)
        if (section->notify(n)) return;
    if (n.type == "click" && n.control == controls_.get("apply_btn")) link_->requestApply();
}

void CMS_Page::onMenuItem(const QString& item) {
    if (profiles_.size() != 0) buttons_->onMenuItem(item);
}

void CMS_Page::onDeviceCode(std::uint32_t code) {
    link_->onDeviceCode(code);
}

void CMS_Page::postToWorker(std::uint32_t message, std::uintptr_t, std::intptr_t) {
    link_->postToWorker(message);
}

void CMS_Page::onTimer(int id) {
    switch (id - static_cast<int>(services_.model->timerBase)) {
        case page_timer::kWatchdog:
            return status_->onWatchdog(Receiver::TwoPointFour);
        case page_timer::kWatchdog4k:
            return status_->onWatchdog(Receiver::FourK);
        case page_timer::kDeferredApply:
            context_->timers.killTimer(id);
            return link_->requestApply();
        case page_timer::kScrollSettings:
            return toggles_->onScrollTimer();
        case page_timer::kCharging:
            return status_->onChargingStep();
        case page_timer::kReportedSave:
            context_->timers.killTimer(id);
            reportedSaveDue_ = false;
            lastReportedSave_ = services_.clock->now();
            return link_->requestSave();
        default:
            return;
    }
}

void CMS_Page::onLinkUp() {
    // The mouse's reports, and the profile sent to it next, need the stores.
    load();
    engine_->markAllForUpload();
    link_->requestApply();
}

void CMS_Page::linksChanged() {
    // A link found while the page starts comes before its profiles: the
    // refresh after loading them offers the rates.
    if (profiles_.size() == 0) return;
    toggles_->followLinks();
    polling_->offerByLink();
}

void CMS_Page::setReceiver(std::shared_ptr<HidDevice> command, std::shared_ptr<HidDevice> report,
                           bool fourK) {
    if (!fourK)
        link_->setReceiver(std::move(command), std::move(report));
    else if (services_.model->has4k)
        link_->setReceiver4k(std::move(command), std::move(report));
}

void CMS_Page::onReceiverReport(std::uint16_t eventWord, std::uint16_t value, bool sameModel,
                                bool fourK) {
    if (fourK && !services_.model->has4k) return;
    const Receiver via = fourK ? Receiver::FourK : Receiver::TwoPointFour;
    // Reports keep the receiver's presence alive.
    if (sameModel) status_->keepAlive(via);
    handleStatus(eventWord, value, via);
}

void CMS_Page::withdrawReceiver(bool fourK) {
    const Receiver via = fourK ? Receiver::FourK : Receiver::TwoPointFour;
    if (fourK ? link_->wireless4kOnline() : link_->wirelessOnline()) status_->setOnline(via, false);
}

void CMS_Page::onBlePresence(bool connected) {
    if (connected)
        link_->onBleArrival();
    else
        link_->onBleRemoval();
}

void CMS_Page::onBleStatus(std::uint16_t eventWord, std::uint16_t value) {
    link_->onBleStatus(eventWord, value);
}

void CMS_Page::onBleReport(std::uint16_t eventWord, std::uint16_t value) {
    handleStatus(eventWord, value, Receiver::Ble);
}

void CMS_Page::showBleIcon(bool shown) {
    status_->showBleIcon(shown);
}

void CMS_Page::showWiredIcon(bool shown) {
    status_->showWiredIcon(shown);
}
void CMS_Page::showSleepLabel(bool shown) {
    status_->showSleepLabel(shown);
}
void CMS_Page::showChargingText() {
    status_->showChargingText();
}
void CMS_Page::clearPowerLabel() {
    status_->clearPowerLabel();
}
void CMS_Page::startChargingAnimation(bool resetCounter) {
    status_->startChargingAnimation(resetCounter);
}
void CMS_Page::stopChargingAnimation() {
    status_->stopChargingAnimation();
}

void CMS_Page::showFeatureSections() {
    toggles_->showWiredSections();
    lighting_->showWiredControls();
}

}  // namespace velor
