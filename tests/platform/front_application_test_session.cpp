#include "front_application_test_session.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

extern char** environ;

namespace velor::test {
namespace {

// Every wait for the window manager is bounded; a fault shows as a failed
// expectation, never as a hung test.
bool waitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace

TestSession::TestSession() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    connection_ = connection;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    root_ = screens.data->root;
    activeWindow_ = atom("_NET_ACTIVE_WINDOW");
    clientList_ = atom("_NET_CLIENT_LIST");
}

TestSession::~TestSession() {
    if (connection_) xcb_disconnect(connection_);
}

xcb_atom_t TestSession::atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, false, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t result = reply ? reply->atom : 0;
    std::free(reply);
    return result;
}

xcb_window_t TestSession::openWindow(const WindowProperties& properties) {
    auto screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    const xcb_window_t window = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                        XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(properties.wmClass.size()),
                        properties.wmClass.data());
    if (properties.pid) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &*properties.pid);
    }
    if (properties.machine) {
        xcb_change_property(
            connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING,
            8, static_cast<std::uint32_t>(properties.machine->size()), properties.machine->data());
    }
    xcb_map_window(connection_, window);
    xcb_flush(connection_);
    waitFor([&] {
        const auto windows = clientList();
        return std::find(windows.begin(), windows.end(), window) != windows.end();
    });
    return window;
}

std::vector<xcb_window_t> TestSession::clientList() {
    auto* reply = xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, false, root_, clientList_, XCB_ATOM_WINDOW, 0, 1024),
        nullptr);
    std::vector<xcb_window_t> windows;
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
        windows.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return windows;
}

xcb_window_t TestSession::listedWindowWithInstance(const std::string& instance) {
    xcb_window_t found = 0;
    waitFor([&] {
        for (xcb_window_t window : clientList()) {
            auto* reply =
                xcb_get_property_reply(connection_,
                                       xcb_get_property(connection_, false, window,
                                                        XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64),
                                       nullptr);
            const std::string wmClass =
                reply ? std::string(static_cast<const char*>(xcb_get_property_value(reply)),
                                    xcb_get_property_value_length(reply))
                      : std::string();
            std::free(reply);
            if (wmClass.substr(0, wmClass.find('\0')) == instance) found = window;
        }
        return found != 0;
    });
    return found;
}

void TestSession::bringToFront(xcb_window_t window) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = activeWindow_;
    message.data.data32[0] = 2;  // from a pager, which a window manager obeys
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, false, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
}

bool TestSession::bringToFrontAndWait(xcb_window_t window) {
    const auto isActive = [&] {
        auto* reply = xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, false, root_, activeWindow_, XCB_ATOM_WINDOW, 0, 1),
            nullptr);
        const bool active =
            reply && xcb_get_property_value_length(reply) == 4 &&
            *static_cast<const xcb_window_t*>(xcb_get_property_value(reply)) == window;
        std::free(reply);
        return active;
    };
    for (int attempt = 0; attempt < 40; ++attempt) {
        bringToFront(window);
        for (int check = 0; check < 50; ++check) {
            if (isActive()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return false;
}

bool TestSession::serverKnowsProcesses() const {
    auto* reply = xcb_query_extension_reply(
        connection_, xcb_query_extension(connection_, 10, "X-Resource"), nullptr);
    const bool present = reply && reply->present;
    std::free(reply);
    return present;
}

ChildProgram::ChildProgram(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0) pid_ = pid;
}

ChildProgram::~ChildProgram() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

}  // namespace velor::test
