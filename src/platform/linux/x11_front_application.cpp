#include "platform/linux/x11_front_application.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/front_application_changes.h"
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
          wake_(wake),
          changes_(events_->applicationOf(events_->activeWindow()), std::move(onChange)),
          thread_([this] { run(); }) {}

    ~X11FrontApplicationWatch() override {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
        thread_.join();
        ::close(wake_);
    }

    FrontApplication current() override { return changes_.current(); }

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
            // Some window managers (openbox) name no window for a moment
            // while focus passes to the next; that is told as it is, for the
            // watch's user to let the front settle.
            if (takeActiveWindowChanges()) {
                changes_.report(events_->applicationOf(events_->activeWindow()));
                // Waiting for those replies may have queued the next change,
                // which the socket no longer shows: look again before sleeping.
                continue;
            }
            if (xcb_connection_has_error(connection)) {
                // The session ended: nothing is in front any more.
                changes_.report({});
                return;
            }
            xcb_flush(connection);
            if (::poll(waits, 2, -1) < 0 && errno != EINTR) return;
            if (waits[1].revents != 0) return;
        }
    }

    // A burst of changes (Alt+Tab through several windows) is read whole and
    // looked up once.
    bool takeActiveWindowChanges() {
        bool activeChanged = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(events_->connection())) {
            activeChanged |= isActiveWindowChange(*event);
            std::free(event);
        }
        return activeChanged;
    }

    bool isActiveWindowChange(const xcb_generic_event_t& event) const {
        if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
        const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        return change.window == events_->root() && change.atom == events_->activeWindowAtom();
    }

    std::unique_ptr<X11Windows> events_;
    std::unique_ptr<X11Windows> queries_;
    std::mutex queriesMutex_;
    int wake_;
    FrontApplicationChanges changes_;
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
