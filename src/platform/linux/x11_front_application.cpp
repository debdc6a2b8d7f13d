#include "platform/linux/x11_front_application.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/linux/x11_windows.h"
#include "platform/thread_name.h"

namespace velor {
namespace {

class X11FrontApplicationWatch final : public FrontApplicationWatch {
  public:
    X11FrontApplicationWatch(std::unique_ptr<X11Windows> events,
                             std::unique_ptr<X11Windows> queries, OnChange onChange, int wake)
        : events_(std::move(events)),
          queries_(std::move(queries)),
          onChange_(std::move(onChange)),
          wake_(wake),
          current_(events_->applicationOf(events_->activeWindow())),
          thread_([this] { run(); }) {}

    ~X11FrontApplicationWatch() override {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
        thread_.join();
        ::close(wake_);
    }

    FrontApplication current() override {
        std::lock_guard lock(currentMutex_);
        return current_;
    }

    // On a connection of its own: the watch's thread alone reads events from
    // its connection, so no reply read here can take an event it sleeps for.
    std::vector<FrontApplication> runningApplications() override {
        std::lock_guard lock(queriesMutex_);
        return queries_->runningApplications();
    }

  private:
    void run() {
        nameThisThread("front app");
        xcb_connection_t* connection = events_->connection();
        pollfd waits[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {wake_, POLLIN, 0}};
        for (;;) {
            bool activeChanged = false;
            // A burst of changes (Alt+Tab through several windows) is read
            // whole and looked up once.
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
                activeChanged |= isActiveWindowChange(*event);
                std::free(event);
            }
            if (xcb_connection_has_error(connection)) {
                // The session ended: nothing is in front any more.
                report({});
                return;
            }
            if (activeChanged) report(events_->applicationOf(events_->activeWindow()));
            xcb_flush(connection);
            if (::poll(waits, 2, -1) < 0 && errno != EINTR) return;
            if (waits[1].revents != 0) return;
        }
    }

    bool isActiveWindowChange(const xcb_generic_event_t& event) const {
        if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        return change.window == events_->root() && change.atom == events_->activeWindowAtom();
    }

    // Two windows of one application, or the same window set again, are no change.
    void report(FrontApplication application) {
        {
            std::lock_guard lock(currentMutex_);
            if (application == current_) return;
            current_ = application;
        }
        if (onChange_) onChange_(application);
    }

    std::unique_ptr<X11Windows> events_;
    std::unique_ptr<X11Windows> queries_;
    std::mutex queriesMutex_;
    OnChange onChange_;
    int wake_;
    std::mutex currentMutex_;
    FrontApplication current_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<FrontApplicationWatch> watchX11FrontApplication(
    FrontApplicationWatch::OnChange onChange, std::string* whyNot) {
    auto events = X11Windows::connect(whyNot);
    auto queries = events ? X11Windows::connect(whyNot) : nullptr;
    if (!events || !queries) return nullptr;
    // Asked for before the first look, so no change between the two is lost.
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(events->connection(), events->root(), XCB_CW_EVENT_MASK, &mask);
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        if (whyNot) *whyNot = "The program could not start following the application in front.";
        return nullptr;
    }
    return std::make_unique<X11FrontApplicationWatch>(std::move(events), std::move(queries),
                                                      std::move(onChange), wake);
}

}  // namespace velor
