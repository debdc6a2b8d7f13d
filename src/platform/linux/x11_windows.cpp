#include "platform/linux/x11_windows.h"

#include <unistd.h>
#include <xcb/res.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/linux/process_executable.h"

namespace velor {
namespace {

template <typename Reply>
struct ReplyRelease {
    void operator()(Reply* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, ReplyRelease<Reply>>;

// Errors are asked for with every reply, so none piles up in the event queue.
// The error is taken by reference: read as an argument beside the call that
// sets it, it could be read before that call ran (the order is the
// compiler's), and the error the call made would never be freed.
template <typename Reply>
ReplyPtr<Reply> takeReply(Reply* reply, xcb_generic_error_t*& error) {
    std::free(std::exchange(error, nullptr));
    return ReplyPtr<Reply>(reply);
}

ReplyPtr<xcb_get_property_reply_t> propertyOf(xcb_connection_t* connection, xcb_window_t window,
                                              xcb_atom_t property, xcb_atom_t type,
                                              std::uint32_t longLength) {
    const auto cookie = xcb_get_property(connection, false, window, property, type, 0, longLength);
    xcb_generic_error_t* error = nullptr;
    auto reply = takeReply(xcb_get_property_reply(connection, cookie, &error), error);
    if (reply && reply->type != type) reply.reset();
    return reply;
}

std::string_view textOf(const xcb_get_property_reply_t& reply) {
    if (reply.format != 8) return {};
    return {static_cast<const char*>(xcb_get_property_value(&reply)),
            static_cast<std::size_t>(xcb_get_property_value_length(&reply))};
}

// WM_CLASS holds "instance\0class\0"; the class names the application, the
// instance only one of its windows (xmessage -name changes the instance).
std::string classPartOf(std::string_view wmClass) {
    const auto end = wmClass.find('\0');
    if (end == std::string_view::npos) return {};
    std::string_view rest = wmClass.substr(end + 1);
    return std::string(rest.substr(0, rest.find('\0')));
}

std::string_view shortHostName(std::string_view name) {
    return name.substr(0, name.find('.'));
}

std::string localHostName() {
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0) return {};
    return name.data();
}

}  // namespace

std::unique_ptr<X11Windows> X11Windows::connect(std::string* whyNot) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        if (whyNot) {
            const char* display = std::getenv("DISPLAY");
            *whyNot = std::string("The display ") + (display ? display : "") +
                      " cannot be reached, so the program cannot tell which application is in "
                      "front.";
        }
        return nullptr;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    return std::unique_ptr<X11Windows>(new X11Windows(connection, screens.data->root));
}

X11Windows::X11Windows(xcb_connection_t* connection, xcb_window_t root)
    : connection_(connection), root_(root), hostName_(localHostName()) {
    activeWindow_ = atom("_NET_ACTIVE_WINDOW");
    clientList_ = atom("_NET_CLIENT_LIST");
    windowProcess_ = atom("_NET_WM_PID");
    // The server knows which process each local client is; X-Resource 1.2 tells.
    if (xcb_get_extension_data(connection_, &xcb_res_id)->present) {
        xcb_generic_error_t* error = nullptr;
        const auto version =
            takeReply(xcb_res_query_version_reply(connection_,
                                                  xcb_res_query_version(connection_, 1, 2), &error),
                      error);
        serverKnowsProcesses_ =
            version && (version->server_major > 1 ||
                        (version->server_major == 1 && version->server_minor >= 2));
    }
}

X11Windows::~X11Windows() {
    xcb_disconnect(connection_);
}

xcb_atom_t X11Windows::atom(const char* name) {
    const auto cookie =
        xcb_intern_atom(connection_, false, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_generic_error_t* error = nullptr;
    const auto reply = takeReply(xcb_intern_atom_reply(connection_, cookie, &error), error);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_window_t X11Windows::activeWindow() {
    const auto reply = propertyOf(connection_, root_, activeWindow_, XCB_ATOM_WINDOW, 1);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return 0;
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

FrontApplication X11Windows::applicationOf(xcb_window_t window) {
    if (window == 0) return {};
    FrontApplication application;
    if (const auto wmClass =
            propertyOf(connection_, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256))
        application.windowClass = classPartOf(textOf(*wmClass));
    application.executable = executableNameOfProcess(processOf(window));
    return application;
}

int X11Windows::processOf(xcb_window_t window) {
    const int known = serverKnownProcessOf(window);
    return known > 0 ? known : declaredProcessOf(window);
}

// What the server saw of the client that made the window; a sandboxed
// program's own idea of its process number would name some other process here.
int X11Windows::serverKnownProcessOf(xcb_window_t window) {
    if (!serverKnowsProcesses_) return 0;
    const xcb_res_client_id_spec_t asked{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    xcb_generic_error_t* error = nullptr;
    const auto reply =
        takeReply(xcb_res_query_client_ids_reply(
                      connection_, xcb_res_query_client_ids(connection_, 1, &asked), &error),
                  error);
    if (!reply) return 0;
    // Only the process number was asked for, so any id given back is one.
    for (auto ids = xcb_res_query_client_ids_ids_iterator(reply.get()); ids.rem > 0;
         xcb_res_client_id_value_next(&ids)) {
        if (xcb_res_client_id_value_value_length(ids.data) >= 1)
            return static_cast<int>(*xcb_res_client_id_value_value(ids.data));
    }
    return 0;
}

// The number the program put on its window, which means something here only
// when the program runs on this machine.
int X11Windows::declaredProcessOf(xcb_window_t window) {
    if (const auto machine =
            propertyOf(connection_, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, 64)) {
        if (shortHostName(textOf(*machine)) != shortHostName(hostName_)) return 0;
    }
    const auto reply = propertyOf(connection_, window, windowProcess_, XCB_ATOM_CARDINAL, 1);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return 0;
    return static_cast<int>(
        *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get())));
}

std::vector<FrontApplication> X11Windows::runningApplications() {
    std::vector<FrontApplication> applications;
    const auto reply = propertyOf(connection_, root_, clientList_, XCB_ATOM_WINDOW, 4096);
    if (!reply || reply->format != 32) return applications;
    const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i) {
        FrontApplication application = applicationOf(windows[i]);
        if (application == FrontApplication{}) continue;
        if (std::find(applications.begin(), applications.end(), application) == applications.end())
            applications.push_back(std::move(application));
    }
    return applications;
}

}  // namespace velor
