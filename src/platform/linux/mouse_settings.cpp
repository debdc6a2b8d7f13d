#include "platform/mouse_settings.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace velor {

namespace {

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string folders(path);
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = folders.find(':', start);
        const std::string folder =
            folders.substr(start, end == std::string::npos ? end : end - start);
        if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool openMouseSettings() {
    // The settings tools of the common desktops, in a sensible order.
    const std::vector<std::vector<std::string>> candidates = {
        {"gnome-control-center", "mouse"}, {"systemsettings", "kcm_mouse"},
        {"xfce4-mouse-settings"},          {"mate-mouse-properties"},
        {"cinnamon-settings", "mouse"},    {"lxqt-config-input"},
    };
    for (const auto& command : candidates) {
        if (!onPath(command.front())) continue;
        std::vector<char*> argv;
        for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0) {
            // Reaped when it ends, so it leaves no zombie behind.
            std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
            return true;
        }
    }
    return false;
}

}  // namespace velor
