// Whole-file reads and crash-safe whole-file writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "util/clock.h"

namespace velor {

struct FileError {
    std::string message;  // names the file and what went wrong
    // The process (or the system) had no descriptor left to open it with:
    // nothing is wrong with the file.
    bool outOfDescriptors = false;
};

// Refuses files larger than maxBytes rather than reading them whole.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path,
                                                       std::uintmax_t maxBytes,
                                                       FileError* error = nullptr);

// Who may read a file that a save creates. The stores hold what the user
// typed and which programs they run: theirs alone. A file the user writes out
// to pass on (an exported profile or macro) is created as any program's
// output is, as the umask allows.
enum class NewFileAccess { ownerOnly, asUmaskAllows };

// Creates a folder and any missing folders above it, each for the user
// alone (0700 where modes exist); folders already there are left as they
// are. False when the folder is not there afterwards.
bool makePrivateFolders(const std::filesystem::path& folder);

// How long a save goes on trying to rename its file over one that another
// program holds open without letting it be deleted (Windows refuses the
// rename meanwhile): virus scanners, indexers and backup tools hold a file
// for moments at a time. Tried again every kReplaceRetryStep, on `clock`.
inline constexpr Millis kReplacePatience{2000};
inline constexpr Millis kReplaceRetryStep{50};

// Writes a temporary file in the same folder, flushes it to disk and renames it
// over `path`: afterwards the file is either the old one or the new one, whole.
// A symlink is written through to its target; the mode (and, where allowed,
// the owner) of the file replaced is kept, so a mode the user chose survives
// every save; a new file (and every temporary) is made as `access` says,
// within the process umask, which is never changed. On Windows the new file
// takes the access rules its folder hands down, and a symbolic link is
// replaced rather than written through. Saves of one file in this process
// take turns.
bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         FileError* error = nullptr,
                         NewFileAccess access = NewFileAccess::ownerOnly,
                         Clock& clock = systemClock());

// Windows will not rename a file over one that is open; other systems will.
#ifdef _WIN32
inline constexpr bool kOpenFilesBlockReplace = true;
#else
inline constexpr bool kOpenFilesBlockReplace = false;
#endif

// The same, with the contents handed over piece by piece: `contents` is called
// once with a function that appends bytes to the new file (false when that
// fails), and returns false to give the save up. Nothing is held in memory
// beyond the pieces. The step that puts the new file in place (a rename) is
// handed to `replacing`, which runs it (say, with a reader of the old file
// closed around it) and returns what it returned.
using ByteWriter = std::function<bool(std::span<const std::uint8_t>)>;
using ReplaceStep = std::function<bool()>;
bool writeFileAtomically(const std::filesystem::path& path,
                         const std::function<bool(const ByteWriter&)>& contents,
                         const std::function<bool(const ReplaceStep&)>& replacing,
                         FileError* error = nullptr,
                         NewFileAccess access = NewFileAccess::ownerOnly,
                         Clock& clock = systemClock());

inline bool writeFileAtomically(const std::filesystem::path& path,
                                const std::function<bool(const ByteWriter&)>& contents,
                                FileError* error = nullptr,
                                NewFileAccess access = NewFileAccess::ownerOnly) {
    return writeFileAtomically(
        path, contents, [](const ReplaceStep& step) { return step(); }, error, access);
}

// A text file of ours (the rules, the user's profile): its folder made for the
// user alone where missing, then the file written atomically. False with why.
inline bool writeOwnTextFile(const std::filesystem::path& path, std::string_view text,
                             std::string* error = nullptr) {
    makePrivateFolders(path.parent_path());
    FileError failed;
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    if (writeFileAtomically(path, std::span(data, text.size()), &failed)) return true;
    if (error) *error = failed.message;
    return false;
}

// Bytes to put at an offset of an existing file.
struct FilePatch {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> bytes;
};

// Writes each patch where it lies in the existing file at `path` (through a
// symlink), which must hold exactly `size` bytes, and flushes it to disk. For
// a small change to a large file; not atomic by itself: a caller that must
// survive a cut-off write keeps the patches elsewhere first (see
// store/store_journal.h). Takes its turn with the saves of that file.
bool patchFileInPlace(const std::filesystem::path& path, std::uint64_t size,
                      std::span<const FilePatch> patches, FileError* error = nullptr);

// Removes what saves of `path` that were cut off (the program killed, the
// power gone) left beside it, after any save of it in progress here is done.
void removeCutOffSaves(const std::filesystem::path& path);

}  // namespace velor
