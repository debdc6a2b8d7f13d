// The page as driven from outside it: velorctl through the running program
// (the same stores, link and apply engine the window uses, so both stay in
// step), the tray, and the application rules.
#include <QTimer>
#include <utility>

#include "store/app_rules_edit.h"
#include "store/profile_transfer.h"
#include "ui/app_rules_window.h"
#include "ui/ms_page.h"
#include "ui/page/page_rules.h"
#include "ui/page/profile_section.h"
#include "ui/page/status_section.h"
#include "ui/page/store_keeper.h"

namespace velor {

namespace {

// How often a waiting velorctl request looks whether the worker is through.
constexpr int kApplyCheckMs = 20;

}  // namespace

CMS_Page::OutsideState CMS_Page::outsideState() const {
    return {link_->wiredState() == 1, link_->wirelessOnline(), link_->wireless4kOnline(),
            link_->bleOnline(),       status_->battery(),      status_->charging()};
}

std::optional<CMS_Page::ImportRefusal> CMS_Page::importForOutside(
    const std::filesystem::path& file) {
    auto read = readProfileImport(profiles_, macros_, file);
    if (!read) return ImportRefusal{false, read.error()};
    // All or nothing: the macros the profile brings are stored before the
    // window takes it, so that a failed import leaves nothing behind.
    if (read->macrosCreated > 0) {
        std::string error;
        if (!store_->storeMacros(read->macros, &error))
            return ImportRefusal{
                true, "the profile's macros could not be stored, so it was not imported: " + error};
    }
    takeProfileImport(profiles_, macros_, std::move(*read));
    rules_->onUserChoice();
    profileSection_->fill(false);
    refresh();
    return std::nullopt;
}

bool CMS_Page::selectForOutside(int index) {
    if (!profiles_.select(index)) return false;
    rules_->onUserChoice();
    profileSection_->fill(false);
    refresh();
    return true;
}

bool CMS_Page::useProfileForOutside(std::u16string_view name) {
    int index = -1;
    {
        const std::lock_guard guard(profiles_.lock());
        index = profiles_.indexOf(name);
    }
    if (!profiles_.select(index)) return false;
    rules_->onUserChoice();
    profileSection_->fill(false);
    refresh();
    return true;
}

// A page without its stores (another program holds them, or they were never
// loaded) changes the file under the store's lock, as velorctl alone would.
RulesOutcome CMS_Page::editRulesForOutside(const RulesEdit& edit) {
    if (storesLoaded()) {
        RulesOutcome outcome = rules_->edit(edit);
        profileSection_->fill(false);  // each profile's row names its applications
        return outcome;
    }
    return editRulesFile(*services_.model, services_.dataFolder(), *services_.clock, edit);
}

bool CMS_Page::followFront(std::string_view windowClass, std::string_view executable) {
    if (!storesLoaded() || !rules_->follow(windowClass, executable)) return false;
    profileSection_->fill(false);
    return true;
}

std::optional<DevicePage::TrayView> CMS_Page::trayView(bool withProfiles) const {
    if (!connected() || !storesLoaded()) return std::nullopt;
    TrayView view;
    view.battery = status_->battery();
    view.charging = status_->charging();
    const std::lock_guard guard(profiles_.lock());
    view.currentName = std::as_const(profiles_).current().name().value_or(u"");
    if (withProfiles) view.profiles = profiles_.names();
    view.current = profiles_.currentIndex();
    return view;
}

void CMS_Page::chooseProfile(std::u16string_view name) {
    if (!storesLoaded() || !useProfileForOutside(name)) return;
    engine_->markAllForUpload();
    link_->requestApply();
}

void CMS_Page::runAppRules(const std::u16string& profile) {
    CAppRulesWnd::Services s{
        slot(),
        profile,
        [this](const RulesEdit& edit) { return editRulesForOutside(edit); },
        services_.runningApplications ? services_.runningApplications()
                                      : std::vector<FrontApplication>{},
        services_.frontUnavailable ? services_.frontUnavailable() : std::string(),
        [this](const QString& detail) { services_.tell("app_rules_refused_text", detail); }};
    CAppRulesWnd window(context_->window, context_->texts, services_.skinFolder, std::move(s));
    if (!window.create()) return;
    window.centerOverParent();
    window.showModal();
}

const AppRules& CMS_Page::appRules() const {
    return rules_->rules();
}

void CMS_Page::setForOutside(Field field, int value) {
    env_->edit([&](ProfileRecord& r) { r.set(field, value); });
    refresh();
}

void CMS_Page::applyForOutside(bool whole,
                               std::function<void(bool taken, const std::string& notStored)> done) {
    if (whole) engine_->markAllForUpload();
    // Straight to the worker: the answer waits for this very apply.
    link_->postToWorker(services_.model->messageBase);
    auto* check = new QTimer(context_->window);
    check->setInterval(kApplyCheckMs);
    QObject::connect(check, &QTimer::timeout, check, [this, check, done = std::move(done)] {
        if (!link_->workerIdle()) return;
        check->deleteLater();
        done(!link_->offline() && !engine_->pending().any(), store_->lastSaveError());
    });
    check->start();
}

}  // namespace velor
