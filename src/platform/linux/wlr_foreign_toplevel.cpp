#include "platform/linux/wlr_foreign_toplevel.h"

namespace velor::wlr {
namespace {

// Requests and events in the protocol's order: the opcodes are these indexes. The
// type tables are not const because wl_message takes them so.
const wl_interface* kNoTypes[] = {nullptr, nullptr, nullptr, nullptr, nullptr};
const wl_interface* kNewHandle[] = {&kToplevelHandleInterface};
const wl_interface* kSeat[] = {&wl_seat_interface};
const wl_interface* kSurfaceRectangle[] = {&wl_surface_interface, nullptr, nullptr, nullptr,
                                           nullptr};
const wl_interface* kOutput[] = {&wl_output_interface};

const wl_message kManagerRequests[] = {
    {"stop", "", kNoTypes},
};
const wl_message kManagerEvents[] = {
    {"toplevel", "n", kNewHandle},
    {"finished", "", kNoTypes},
};

constexpr std::uint32_t kManagerStop = 0;
constexpr std::uint32_t kHandleDestroy = 7;

const wl_message kHandleRequests[] = {
    {"set_maximized", "", kNoTypes},
    {"unset_maximized", "", kNoTypes},
    {"set_minimized", "", kNoTypes},
    {"unset_minimized", "", kNoTypes},
    {"activate", "o", kSeat},
    {"close", "", kNoTypes},
    {"set_rectangle", "oiiii", kSurfaceRectangle},
    {"destroy", "", kNoTypes},
};
const wl_message kHandleEvents[] = {
    {"title", "s", kNoTypes},       {"app_id", "s", kNoTypes}, {"output_enter", "o", kOutput},
    {"output_leave", "o", kOutput}, {"state", "a", kNoTypes},  {"done", "", kNoTypes},
    {"closed", "", kNoTypes},
};

}  // namespace

const wl_interface kToplevelManagerInterface = {
    "zwlr_foreign_toplevel_manager_v1", 1, 1, kManagerRequests, 2, kManagerEvents,
};
const wl_interface kToplevelHandleInterface = {
    "zwlr_foreign_toplevel_handle_v1", 1, 8, kHandleRequests, 7, kHandleEvents,
};

void stopManager(wl_proxy* manager) {
    wl_proxy_marshal_flags(manager, kManagerStop, nullptr, wl_proxy_get_version(manager), 0);
}

void destroyHandle(wl_proxy* handle) {
    wl_proxy_marshal_flags(handle, kHandleDestroy, nullptr, wl_proxy_get_version(handle),
                           WL_MARSHAL_FLAG_DESTROY);
}

}  // namespace velor::wlr
