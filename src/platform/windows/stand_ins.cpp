// TEMPORARY stand-ins, to be deleted when the Win32 services arrive: they let
// the Windows build link before then. Each fails or does nothing, as a
// service that is missing would; files are read and written plainly, with
// no atomic replace.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/app_folders.h"
#include "platform/autostart.h"
#include "platform/control_client.h"
#include "platform/debug_output.h"
#include "platform/file_io.h"
#include "platform/instance_lock.h"
#include "platform/shared_library.h"
#include "platform/store_lock.h"
#include "platform/thread_name.h"

namespace velor {

void nameThisThread(const char*) {}

DebugSink defaultDebugSink() {
    return [](std::string_view) {};
}

std::string GetAppDataFolder() {
    return {};
}
std::string existingAppDataFolder() {
    return {};
}
std::string instanceRuntimeFolder() {
    return {};
}
std::string controlSocketPath(const std::string&) {
    return {};
}

std::optional<ControlAnswer> askRunningProgram(const std::string&, const std::vector<std::string>&,
                                               Millis) {
    return std::nullopt;
}

bool writeAutostartEntry(const std::string&, const std::string&) {
    return false;
}
bool removeAutostartEntry(const std::string&) {
    return false;
}

Result<std::unique_ptr<SharedLibrary>> SharedLibrary::open(const std::string&,
                                                           std::string_view name) {
    return Result<std::unique_ptr<SharedLibrary>>::failure(std::string(name) +
                                                           ": no shared libraries yet");
}

StoreLock::~StoreLock() = default;

std::unique_ptr<StoreLock> StoreLock::acquire(const std::string&, std::string* error, bool* held) {
    if (error != nullptr) *error = "no store lock on this system yet";
    if (held != nullptr) *held = false;
    return nullptr;
}

std::unique_ptr<StoreLock> StoreLock::acquireWaiting(const std::string&, Clock&, Millis,
                                                     std::string* error) {
    if (error != nullptr) *error = "no store lock on this system yet";
    return nullptr;
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path,
                                                       std::uintmax_t maxBytes, FileError* error) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes =
        in ? std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {})
           : std::vector<std::uint8_t>();
    if (!in || bytes.size() > maxBytes) {
        if (error != nullptr) error->message = path.string() + ": cannot be read";
        return std::nullopt;
    }
    return bytes;
}

bool writeFileAtomically(const std::filesystem::path& path,
                         const std::function<bool(const ByteWriter&)>& contents, FileError* error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const bool written = out && contents([&](std::span<const std::uint8_t> bytes) {
                             out.write(reinterpret_cast<const char*>(bytes.data()),
                                       static_cast<std::streamsize>(bytes.size()));
                             return static_cast<bool>(out);
                         });
    out.close();
    if (written && out) return true;
    if (error != nullptr) error->message = path.string() + ": cannot be written";
    return false;
}

bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         FileError* error) {
    return writeFileAtomically(
        path, [&](const ByteWriter& write) { return write(bytes); }, error);
}

void removeCutOffSaves(const std::filesystem::path&) {}

}  // namespace velor
