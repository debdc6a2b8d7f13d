// The test's own side of a desktop session: what a watch reported, and for X
// with a window manager, windows it makes with the properties it chooses,
// programs it starts, and the requests a pager sends to bring a window to the front.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/front_application.h"

namespace velor {

inline void PrintTo(const FrontApplication& application, std::ostream* out) {
    *out << "{" << application.windowClass << ", " << application.executable << "}";
}

namespace test {

// What the watch reported, in order.
class Recorder {
  public:
    FrontApplicationWatch::OnChange callback() {
        return [this](const FrontApplication& application) {
            std::lock_guard lock(mutex_);
            seen_.push_back(application);
            changed_.notify_all();
        };
    }
    bool waitForLast(const FrontApplication& application) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20),
                                 [&] { return !seen_.empty() && seen_.back() == application; });
    }
    std::vector<FrontApplication> takeAll() {
        std::lock_guard lock(mutex_);
        return std::exchange(seen_, {});
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<FrontApplication> seen_;
};

// Whether a watch's destruction came back within a bound: detached, so a
// watch that never stops fails the test instead of hanging it.
inline bool destroyedPromptly(std::unique_ptr<FrontApplicationWatch> watch) {
    std::promise<void> stopped;
    auto done = stopped.get_future();
    std::thread([stopped = std::move(stopped), owned = std::move(watch)]() mutable {
        owned.reset();
        stopped.set_value();
    }).detach();
    return done.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
}

inline std::vector<FrontApplication> withoutNothingInFront(std::vector<FrontApplication> reported) {
    std::erase(reported, FrontApplication{});
    return reported;
}

struct WindowProperties {
    std::string wmClass;                 // "instance\0Class\0" as it goes on the window
    std::optional<std::uint32_t> pid;    // _NET_WM_PID, when the program declares one
    std::optional<std::string> machine;  // WM_CLIENT_MACHINE
};

class TestSession {
  public:
    TestSession();
    ~TestSession();
    bool connected() const { return connection_ != nullptr; }

    // A mapped window, returned once the window manager lists it.
    xcb_window_t openWindow(const WindowProperties& properties);
    // A window of another program, found by its WM_CLASS instance name once
    // listed; 0 when it does not appear in time.
    xcb_window_t listedWindowWithInstance(const std::string& instance);
    // Asks the window manager, as a pager does, to bring the window to the front.
    void bringToFront(xcb_window_t window);
    // Brings the window to the front and waits until the window manager names
    // it; asks again while it does not (openbox can drop a request that comes
    // in a burst). False when it never does.
    bool bringToFrontAndWait(xcb_window_t window);
    bool serverKnowsProcesses() const;

  private:
    std::vector<xcb_window_t> clientList();
    xcb_atom_t atom(const char* name);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t activeWindow_ = 0;
    xcb_atom_t clientList_ = 0;
};

// A program started in the background, ended when this goes.
class ChildProgram {
  public:
    explicit ChildProgram(std::vector<std::string> arguments);
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;
    int pid() const { return pid_; }

  private:
    int pid_ = -1;
};

}  // namespace test
}  // namespace velor
