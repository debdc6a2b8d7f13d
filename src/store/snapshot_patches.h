// A save as patches: the few byte runs that turn the store file a snapshot
// was taken from into the snapshot, when no profile was added, removed or
// moved and few bytes changed (a DPI level the mouse reported, another
// current profile). Those are written where they lie, whatever the number of
// profiles; anything larger writes the store whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/file_io.h"
#include "store/profile_list.h"

namespace velor {

// nullopt: write the store whole; empty: nothing changed. `size` is the
// store file's size, which the patches are for.
std::optional<std::vector<FilePatch>> snapshotPatches(const ProfileList::Snapshot& s,
                                                      const std::filesystem::path& path,
                                                      std::size_t headerSize, std::size_t length,
                                                      std::uint64_t& size);

}  // namespace velor
