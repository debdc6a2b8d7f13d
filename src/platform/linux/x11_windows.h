// The session's windows as the X server and the window manager describe them:
// which one is in front, which are open, and which application each belongs to.
#pragma once

#include <xcb/xcb.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/front_application.h"

namespace velor {

class X11Windows {
  public:
    // A connection of its own to the session's display; nullptr, with why in a
    // sentence a user reads, when the display cannot be reached.
    static std::unique_ptr<X11Windows> connect(std::string* whyNot);
    ~X11Windows();
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const { return root_; }
    xcb_atom_t activeWindowAtom() const { return activeWindow_; }

    // The window the window manager has put in front; none (0) when it has
    // not said, or when no window manager runs.
    xcb_window_t activeWindow();
    // The application of a window; empty fields for none (0) or a window
    // already gone.
    FrontApplication applicationOf(xcb_window_t window);
    // The applications of the window manager's window list, each once, in
    // the list's order.
    std::vector<FrontApplication> runningApplications();

  private:
    X11Windows(xcb_connection_t* connection, xcb_window_t root);
    int processOf(xcb_window_t window);
    int serverKnownProcessOf(xcb_window_t window);
    int declaredProcessOf(xcb_window_t window);
    xcb_atom_t atom(const char* name);

    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_atom_t activeWindow_ = XCB_ATOM_NONE;
    xcb_atom_t clientList_ = XCB_ATOM_NONE;
    xcb_atom_t windowProcess_ = XCB_ATOM_NONE;
    bool serverKnowsProcesses_ = false;
    std::string hostName_;
};

}  // namespace velor
