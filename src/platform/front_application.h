// Which application the user is working in, as the desktop tells it, so that
// a profile can follow the application in front.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velor {

struct FrontApplication {
    std::string windowClass;  // WM_CLASS's class part (X11) or the app id (Wayland)
    std::string executable;   // the executable's file name, e.g. "xmessage"; empty when unknown
    bool operator==(const FrontApplication&) const = default;
};

class FrontApplicationWatch {
  public:
    using OnChange = std::function<void(const FrontApplication&)>;
    virtual ~FrontApplicationWatch() = default;
    // The application in front now (empty fields when nothing is).
    virtual FrontApplication current() = 0;
    // Applications with a window open now (from the window list), each once,
    // for the window where rules are made.
    virtual std::vector<FrontApplication> runningApplications() = 0;
};

// Starts watching the session's front application: onChange runs on a thread of
// the watch's own each time it changes (never for the same application twice
// in a row). nullptr, with why it is not available in a sentence a user reads,
// where the session cannot tell (GNOME or KDE on Wayland, no display).
std::unique_ptr<FrontApplicationWatch> watchFrontApplication(
    FrontApplicationWatch::OnChange onChange, std::string* whyNot);

}  // namespace velor
