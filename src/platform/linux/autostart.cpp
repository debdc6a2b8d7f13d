#include "platform/autostart.h"

#include <filesystem>
#include <string_view>

#include "platform/app_folders.h"
#include "platform/file_io.h"

namespace velor {

std::string autostartEntryPath() {
    const std::string base = configHomeFolder();
    return base.empty() ? std::string() : base + "autostart/velor.desktop";
}

std::string autostartCommand(const std::string& programPath) {
    // Desktop entries split Exec on blanks; a path with blanks or reserved
    // characters goes in double quotes with ", `, $ and \ escaped. A % starts
    // a field code anywhere in Exec, so a literal one is written %%.
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quote = programPath.find_first_of(kReserved) != std::string::npos;
    std::string command = quote ? "\"" : "";
    for (const char c : programPath) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) command += '\\';
        if (c == '%') command += '%';
        command += c;
    }
    return command + (quote ? "\" -auto" : " -auto");
}

namespace {

// In a desktop entry value a backslash itself is escaped once more, and a
// line break is written as its escape: raw, it would end the entry's line
// and leave the rest of the value as a line of its own.
std::string entryValue(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\n' || c == '\r') {
            escaped += c == '\n' ? "\\n" : "\\r";
            continue;
        }
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

}  // namespace

bool writeAutostartEntry(const std::string& entryPath, const std::string& programPath) {
    if (entryPath.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(entryPath).parent_path(), ec);
    // TryExec makes the session skip the entry once the program is removed,
    // rather than fail to start a missing file at every login. It is a plain
    // path (no quoting or field codes, unlike Exec), so only the value's own
    // escapes apply.
    const std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=VELOR Gaming Driver\n"
        "Comment=Starts the mouse configuration in the tray\n"
        "TryExec=" +
        entryValue(programPath) +
        "\n"
        "Exec=" +
        entryValue(autostartCommand(programPath)) +
        "\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    return writeFileAtomically(entryPath,
                               {reinterpret_cast<const std::uint8_t*>(entry.data()), entry.size()});
}

bool removeAutostartEntry(const std::string& entryPath) {
    if (entryPath.empty()) return false;
    std::error_code ec;
    std::filesystem::remove(entryPath, ec);
    return !std::filesystem::exists(entryPath, ec);
}

bool autostartEntryPresent(const std::string& entryPath) {
    std::error_code ec;
    return !entryPath.empty() && std::filesystem::exists(entryPath, ec);
}

}  // namespace velor
