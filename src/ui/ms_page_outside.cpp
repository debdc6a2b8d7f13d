// The page as velorctl drives it through the running program: the same
// stores, link and apply engine the window uses, so both stay in step.
#include <QTimer>

#include "store/profile_transfer.h"
#include "ui/ms_page.h"
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

std::optional<std::string> CMS_Page::importForOutside(const std::filesystem::path& file) {
    const auto imported = importProfile(profiles_, macros_, file);
    if (!imported) return imported.error();
    if (imported->macrosCreated > 0) {
        std::string error;
        if (!saveMacros(macros_, *services_.model, services_.dataFolder(), &error)) return error;
    }
    profileSection_->fill(false);
    refresh();
    return std::nullopt;
}

bool CMS_Page::selectForOutside(int index) {
    if (!profiles_.select(index)) return false;
    profileSection_->fill(false);
    refresh();
    return true;
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
