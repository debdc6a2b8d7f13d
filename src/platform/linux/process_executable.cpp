#include "platform/linux/process_executable.h"

#include <unistd.h>

#include <array>
#include <fstream>
#include <string_view>

namespace velor {
namespace {

std::string lastPathPart(std::string_view path) {
    // A running program whose file was replaced (a package upgrade) still runs
    // the old file, which the kernel names with this suffix; the user's rule
    // names the program, so the suffix goes.
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.ends_with(kDeleted)) path.remove_suffix(kDeleted.size());
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string linkedExecutable(const std::string& folder) {
    std::array<char, 4096> target{};
    const ssize_t length = ::readlink((folder + "/exe").c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return {};
    return lastPathPart(std::string_view(target.data(), static_cast<std::size_t>(length)));
}

std::string shortName(const std::string& folder) {
    std::ifstream comm(folder + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

}  // namespace

std::string executableNameOfProcess(int pid) {
    if (pid <= 0) return {};
    const std::string folder = "/proc/" + std::to_string(pid);
    std::string name = linkedExecutable(folder);
    return name.empty() ? shortName(folder) : name;
}

}  // namespace velor
