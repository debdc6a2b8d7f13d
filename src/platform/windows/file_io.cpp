#include "platform/file_io.h"

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <random>

#include "platform/save_turns.h"
#include "platform/windows/win32_text.h"

namespace velor {

namespace {

constexpr std::size_t kTempSuffix = 6;

bool fail(FileError* error, const std::filesystem::path& path, const std::string& what) {
    if (error) error->message = win32::narrow(path.native()) + ": " + what;
    return false;
}

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

bool writeAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes = bytes.subspan(written);
    }
    return true;
}

std::wstring tempPrefix(const std::filesystem::path& file) {
    return L"." + file.filename().native() + L".";
}

std::filesystem::path folderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(L".");
}

// A new temporary file beside `file`; it takes the folder's inherited access
// rules, as the file it replaces did. Null when none can be made.
FileHandle createTemp(const std::filesystem::path& file, std::filesystem::path& name) {
    static constexpr wchar_t kChars[] =
        L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, 61);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring suffix(kTempSuffix, L' ');
        for (wchar_t& c : suffix) c = kChars[pick(random)];
        name = folderOf(file) / (tempPrefix(file) + suffix);
        HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return FileHandle(handle);
        if (::GetLastError() != ERROR_FILE_EXISTS) return nullptr;
    }
    return nullptr;
}

// Refusals that last only while another program holds the file open.
bool mayPass(DWORD code) {
    return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ||
           code == ERROR_LOCK_VIOLATION;
}

// One rename that replaces the old file or leaves it as it was, tried again
// while the old file is held open by someone else, up to kReplacePatience.
// ReplaceFileW is not used: when it cannot move the new file in, it may
// already have moved the old one away.
bool moveIntoPlace(const std::filesystem::path& temp, const std::filesystem::path& path,
                   Clock& clock, std::string& why) {
    const Millis start = clock.now();
    for (;;) {
        if (::MoveFileExW(temp.c_str(), path.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD code = ::GetLastError();
        if (!mayPass(code)) {
            why = win32::errorText(code);
            return false;
        }
        if (clock.now() - start >= kReplacePatience) {
            why = win32::errorText(code) + ", still after " +
                  std::to_string(kReplacePatience.count() / 1000) +
                  " seconds: another program (a virus scanner, a backup tool) may be keeping "
                  "it open; close it and try again";
            return false;
        }
        clock.sleepFor(kReplaceRetryStep);
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path,
                                                       std::uintmax_t maxBytes, FileError* error) {
    // Others may go on writing, renaming or deleting it meanwhile, as they
    // may on other systems; a pipe or device where a file should be is refused.
    const FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        const DWORD why = ::GetLastError();
        fail(error, path, win32::lastErrorText());
        if (error) error->outOfDescriptors = why == ERROR_TOO_MANY_OPEN_FILES;
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (::GetFileType(file.get()) != FILE_TYPE_DISK || !::GetFileSizeEx(file.get(), &size)) {
        fail(error, path, "it is not a regular file");
        return std::nullopt;
    }
    if (static_cast<std::uintmax_t>(size.QuadPart) > maxBytes) {
        fail(error, path, "file is too large (" + std::to_string(size.QuadPart) + " bytes)");
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1u << 30));
        DWORD n = 0;
        if (!::ReadFile(file.get(), bytes.data() + got, chunk, &n, nullptr) || n == 0) {
            fail(error, path, "cannot be read");
            return std::nullopt;
        }
        got += n;
    }
    return bytes;
}

bool writeFileAtomically(const std::filesystem::path& path,
                         const std::function<bool(const ByteWriter&)>& contents,
                         const std::function<bool(const ReplaceStep&)>& replacing, FileError* error,
                         NewFileAccess, Clock& clock) {
    const std::lock_guard turn(saveLockOf(path));
    std::filesystem::path temp;
    FileHandle file = createTemp(path, temp);
    if (!file)
        return fail(error, path, "cannot create a file in its folder: " + win32::lastErrorText());
    bool written = contents(
        [&file](std::span<const std::uint8_t> piece) { return writeAll(file.get(), piece); });
    written = written && ::FlushFileBuffers(file.get());
    const std::string writeError = win32::lastErrorText();
    file.reset();
    if (!written) {
        ::DeleteFileW(temp.c_str());
        return fail(error, path, "cannot be written: " + writeError);
    }
    std::string renameError;
    const bool replaced = replacing([&] { return moveIntoPlace(temp, path, clock, renameError); });
    if (!replaced) {
        ::DeleteFileW(temp.c_str());
        return fail(error, path, "cannot be replaced: " + renameError);
    }
    return true;
}

bool patchFileInPlace(const std::filesystem::path& path, std::uint64_t size,
                      std::span<const FilePatch> patches, FileError* error) {
    const std::lock_guard turn(saveLockOf(path));
    // Readers keep the store open meanwhile (they share writing).
    const FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE)
        return fail(error, path, "cannot be opened for writing: " + win32::lastErrorText());
    LARGE_INTEGER now{};
    if (::GetFileType(file.get()) != FILE_TYPE_DISK || !::GetFileSizeEx(file.get(), &now) ||
        static_cast<std::uint64_t>(now.QuadPart) != size)
        return fail(error, path, "it changed since it was read");
    for (const FilePatch& patch : patches) {
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(patch.offset);
        if (!::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
            !writeAll(file.get(), patch.bytes))
            return fail(error, path, "cannot be written: " + win32::lastErrorText());
    }
    if (!::FlushFileBuffers(file.get()))
        return fail(error, path, "cannot be written: " + win32::lastErrorText());
    return true;
}

// The user's profile folders are theirs alone already; a new folder takes
// the access rules its parent hands down.
bool makePrivateFolders(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

void removeCutOffSaves(const std::filesystem::path& path) {
    const std::lock_guard turn(saveLockOf(path));
    const std::wstring prefix = tempPrefix(path);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folderOf(path), ec)) {
        const std::wstring name = entry.path().filename().native();
        if (name.size() == prefix.size() + kTempSuffix && name.starts_with(prefix) &&
            entry.is_regular_file(ec) && !entry.is_symlink(ec))
            std::filesystem::remove(entry.path(), ec);
    }
}

}  // namespace velor
