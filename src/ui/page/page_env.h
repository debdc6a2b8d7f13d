// What every section of a device page shares: the slot's model, the main
// window's services, the page's profiles, macros, link and apply engine, and
// the page-wide actions. Owned by the page; its sections keep a reference.
#pragma once

#include <QString>

#include <functional>
#include <mutex>
#include <utility>

#include "apply/apply_engine.h"
#include "device/device_link.h"
#include "skin/language_texts.h"
#include "skin/skin_window.h"
#include "skin/timer_host.h"
#include "store/macro_store.h"
#include "store/profile_list.h"
#include "ui/device_page.h"
#include "ui/page/page_services.h"

namespace velor {

// The page's timers, as offsets from its timer base.
namespace page_timer {
inline constexpr int kWatchdog = 0;
inline constexpr int kDeferredApply = 1;
inline constexpr int kScrollSettings = 2;
inline constexpr int kCharging = 3;
inline constexpr int kWatchdog4k = 4;
inline constexpr int kReportedSave = 5;
}  // namespace page_timer

struct PageEnv {
    const ModelDescriptor& model;
    PageServices& services;
    PageContext& context;
    ProfileList& profiles;
    MacroList& macros;
    DeviceLink& link;
    ApplyEngine& engine;
    // The mouse is to get the current profile (what changed, or everything
    // after markAllForUpload).
    std::function<void()> requestApply;
    // Every section shows the current profile again.
    std::function<void()> refreshPage;
    // The profiles are stored by the page's worker, so the window never waits
    // for the disk.
    std::function<void()> requestSave;
    // The macros are stored (on the UI thread); when they cannot be, they are
    // kept for a later save and the user is told once.
    std::function<bool()> saveMacros;

    int timer(int offset) const { return static_cast<int>(model.timerBase) + offset; }
    QString text(const QString& id) const { return context.texts.get(id); }

    // A copy of the current profile, taken under the list's lock.
    ProfileRecord current() const {
        const std::lock_guard guard(profiles.lock());
        return std::as_const(profiles).current();
    }
    // Changes the current profile under the list's lock.
    template <typename Change>
    void edit(Change&& change) {
        const std::lock_guard guard(profiles.lock());
        change(profiles.current());
    }
};

}  // namespace velor
