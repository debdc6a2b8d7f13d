#include "platform/program_folder.h"

#include <filesystem>
#include <system_error>

namespace velor {

std::string GetProgramPath() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string GetProgramFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "./";
    std::string folder = exe.parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

namespace {

bool builtInPlace(const std::string& programFolder) {
    std::error_code ec;
    return std::filesystem::is_directory(programFolder + "res", ec);
}

}  // namespace

std::string GetResourceFolder() {
    const std::string folder = GetProgramFolder();
    if (builtInPlace(folder)) return folder + "res/";
    return folder + VELOR_INSTALLED_DATA "/res/";
}

std::string GetLibraryFolder() {
    const std::string folder = GetProgramFolder();
    if (builtInPlace(folder)) return folder;
    return folder + VELOR_INSTALLED_LIBS "/";
}

}  // namespace velor
