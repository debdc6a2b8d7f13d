#include "platform/linux/wlr_front_application.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/front_application_changes.h"
#include "platform/linux/wlr_foreign_toplevel.h"
#include "platform/thread_name.h"

namespace velor {
namespace {

// One application window as the compositor last described it.
struct Toplevel {
    wl_proxy* handle = nullptr;
    std::string appId, pendingAppId;
    bool active = false, pendingActive = false;
};

class WlrFrontApplicationWatch final : public FrontApplicationWatch {
  public:
    WlrFrontApplicationWatch(wl_display* display, int wake) : display_(display), wake_(wake) {}

    ~WlrFrontApplicationWatch() override {
        if (thread_.joinable()) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
            thread_.join();
        }
        for (auto& toplevel : toplevels_) wl_proxy_destroy(toplevel->handle);
        if (manager_) wl_proxy_destroy(manager_);
        if (registry_) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(registry_));
        wl_display_disconnect(display_);
        ::close(wake_);
    }

    // Binds the manager and takes in the windows there are now; false when the
    // compositor does not offer the protocol.
    bool start(OnChange onChange) {
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kRegistryListener, this);
        wl_display_roundtrip(display_);
        if (!manager_) return false;
        wlr::ManagerListener listener{&onToplevel, &onFinished};
        managerListener_ = listener;
        wl_proxy_add_listener(manager_, reinterpret_cast<void (**)(void)>(&managerListener_), this);
        // The first answers name the windows; the second, their app ids and states.
        wl_display_roundtrip(display_);
        wl_display_roundtrip(display_);
        publish();
        changed_ = false;
        changes_ = std::make_unique<FrontApplicationChanges>(front(), std::move(onChange));
        thread_ = std::thread([this] { run(); });
        return true;
    }

    FrontApplication current() override { return changes_->current(); }

    std::vector<FrontApplication> runningApplications() override {
        std::lock_guard lock(runningMutex_);
        return running_;
    }

  private:
    void run() {
        nameThisThread("front app");
        pollfd waits[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {wake_, POLLIN, 0}};
        for (;;) {
            while (wl_display_prepare_read(display_) != 0) wl_display_dispatch_pending(display_);
            // Told once all that arrived is taken in: one window losing the
            // front and the next gaining it come together, and told apart
            // they would flicker "nothing in front".
            if (std::exchange(changed_, false)) publish();
            wl_display_flush(display_);
            if (::poll(waits, 2, -1) < 0 && errno != EINTR) {
                wl_display_cancel_read(display_);
                return;
            }
            if (waits[1].revents != 0) {
                wl_display_cancel_read(display_);
                return;
            }
            if (waits[0].revents != 0) {
                wl_display_read_events(display_);
                wl_display_dispatch_pending(display_);
            } else {
                wl_display_cancel_read(display_);
            }
            if (wl_display_get_error(display_) != 0) {
                // The compositor went: nothing is in front any more.
                changes_->report({});
                return;
            }
        }
    }

    FrontApplication front() const {
        for (const auto& toplevel : toplevels_)
            if (toplevel->active) return {toplevel->appId, ""};
        return {};
    }

    // Windows change only at "done" (and "closed"), so what is passed on is
    // always a whole description.
    void publish() {
        std::vector<FrontApplication> running;
        for (const auto& toplevel : toplevels_) {
            FrontApplication application{toplevel->appId, ""};
            if (application.windowClass.empty()) continue;
            if (std::find(running.begin(), running.end(), application) == running.end())
                running.push_back(std::move(application));
        }
        {
            std::lock_guard lock(runningMutex_);
            running_ = std::move(running);
        }
        if (changes_) changes_->report(front());
    }

    Toplevel* find(wl_proxy* handle) {
        for (auto& toplevel : toplevels_)
            if (toplevel->handle == handle) return toplevel.get();
        return nullptr;
    }

    static void onGlobal(void* data, wl_registry* registry, std::uint32_t name,
                         const char* interface, std::uint32_t) {
        auto* self = static_cast<WlrFrontApplicationWatch*>(data);
        if (std::strcmp(interface, wlr::kToplevelManagerInterface.name) != 0 || self->manager_)
            return;
        self->manager_ = static_cast<wl_proxy*>(
            wl_registry_bind(registry, name, &wlr::kToplevelManagerInterface, 1));
    }
    static void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

    static void onToplevel(void* data, wl_proxy*, wl_proxy* handle) {
        auto* self = static_cast<WlrFrontApplicationWatch*>(data);
        auto toplevel = std::make_unique<Toplevel>();
        toplevel->handle = handle;
        wl_proxy_add_listener(
            handle,
            reinterpret_cast<void (**)(void)>(const_cast<wlr::HandleListener*>(&kHandleListener)),
            self);
        self->toplevels_.push_back(std::move(toplevel));
    }
    static void onFinished(void*, wl_proxy*) {}

    static void onTitle(void*, wl_proxy*, const char*) {}
    static void onAppId(void* data, wl_proxy* handle, const char* appId) {
        if (auto* toplevel = static_cast<WlrFrontApplicationWatch*>(data)->find(handle))
            toplevel->pendingAppId = appId ? appId : "";
    }
    static void onOutput(void*, wl_proxy*, wl_proxy*) {}
    static void onState(void* data, wl_proxy* handle, wl_array* state) {
        auto* toplevel = static_cast<WlrFrontApplicationWatch*>(data)->find(handle);
        if (!toplevel) return;
        const auto* values = static_cast<const std::uint32_t*>(state->data);
        const auto* end = values + state->size / sizeof(std::uint32_t);
        toplevel->pendingActive = std::find(values, end, wlr::kStateActivated) != end;
    }
    static void onDone(void* data, wl_proxy* handle) {
        auto* self = static_cast<WlrFrontApplicationWatch*>(data);
        if (auto* toplevel = self->find(handle)) {
            toplevel->appId = toplevel->pendingAppId;
            toplevel->active = toplevel->pendingActive;
            self->changed_ = true;
        }
    }
    static void onClosed(void* data, wl_proxy* handle) {
        auto* self = static_cast<WlrFrontApplicationWatch*>(data);
        std::erase_if(self->toplevels_, [&](const std::unique_ptr<Toplevel>& each) {
            return each->handle == handle;
        });
        wlr::destroyHandle(handle);
        self->changed_ = true;
    }

    static constexpr wl_registry_listener kRegistryListener = {&onGlobal, &onGlobalRemove};
    static constexpr wlr::HandleListener kHandleListener = {
        &onTitle, &onAppId, &onOutput, &onOutput, &onState, &onDone, &onClosed};

    wl_display* display_;
    int wake_;
    wl_registry* registry_ = nullptr;
    wl_proxy* manager_ = nullptr;
    wlr::ManagerListener managerListener_{};
    std::vector<std::unique_ptr<Toplevel>> toplevels_;  // the watch's thread's alone
    bool changed_ = false;
    std::mutex runningMutex_;
    std::vector<FrontApplication> running_;
    std::unique_ptr<FrontApplicationChanges> changes_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<FrontApplicationWatch> watchWlrFrontApplication(
    FrontApplicationWatch::OnChange onChange, const std::string& desktopNotTelling,
    std::string* whyNot) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        if (whyNot) {
            *whyNot =
                "The Wayland display cannot be reached, so the program cannot tell which "
                "application is in front.";
        }
        return nullptr;
    }
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        wl_display_disconnect(display);
        if (whyNot) *whyNot = "The program could not start following the application in front.";
        return nullptr;
    }
    auto watch = std::make_unique<WlrFrontApplicationWatch>(display, wake);
    if (!watch->start(std::move(onChange))) {
        if (whyNot) *whyNot = desktopNotTelling;
        return nullptr;
    }
    return watch;
}

}  // namespace velor
