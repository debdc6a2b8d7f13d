// The wlroots foreign-toplevel protocol (version 1), by which sway and other
// wlroots compositors tell a client every application window, its app id and
// whether it is the active one. Debian ships no description of it to generate
// this from, so its messages are spelt out here.
#pragma once

#include <wayland-client.h>

#include <cstdint>

namespace velor::wlr {

extern const wl_interface kToplevelManagerInterface;  // zwlr_foreign_toplevel_manager_v1
extern const wl_interface kToplevelHandleInterface;   // zwlr_foreign_toplevel_handle_v1

// The "state" event's value for the window that has the keyboard.
inline constexpr std::uint32_t kStateActivated = 2;

struct ManagerListener {
    void (*toplevel)(void* data, wl_proxy* manager, wl_proxy* handle);
    void (*finished)(void* data, wl_proxy* manager);
};

struct HandleListener {
    void (*title)(void* data, wl_proxy* handle, const char* title);
    void (*appId)(void* data, wl_proxy* handle, const char* appId);
    void (*outputEnter)(void* data, wl_proxy* handle, wl_proxy* output);
    void (*outputLeave)(void* data, wl_proxy* handle, wl_proxy* output);
    void (*state)(void* data, wl_proxy* handle, wl_array* state);
    void (*done)(void* data, wl_proxy* handle);
    void (*closed)(void* data, wl_proxy* handle);
};

// The manager stops sending; it answers with "finished", after which it goes.
void stopManager(wl_proxy* manager);
// Lets a closed window's handle go.
void destroyHandle(wl_proxy* handle);

}  // namespace velor::wlr
