// The profile store of one model slot, "<data>/ms_<n>/pro.data": the current
// index, five reserved record-sized blocks kept byte for byte, then the
// records. Saves are atomic; a damaged store is kept aside, never overwritten.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/debug_output.h"
#include "store/profile_list.h"

namespace velor {

inline constexpr const char* kProfileStoreName = "pro.data";

std::size_t storeHeaderSize(const ModelDescriptor& model);
// dataFolder ends with '/'.
std::filesystem::path profileStorePath(const ModelDescriptor& model, const std::string& dataFolder);

// What a store file holds, read without changing anything.
struct StoreContents {
    std::vector<std::uint8_t> reserved;
    std::vector<ProfileRecord> records;  // every complete record, repaired where needed
    int currentIndex = 0;                // clamped into the list
    std::vector<std::string> problems;   // empty for a sound store
};

enum class StoreReadError { None, Missing, Unreadable };

// nullopt with the reason when there is no file or it cannot be read; why
// then says what keeps it from being read (not a regular file, too large, the
// system's error).
std::optional<StoreContents> readProfileStore(const ModelDescriptor& model,
                                              const std::filesystem::path& path,
                                              StoreReadError* error = nullptr,
                                              std::string* why = nullptr);

// Writes the whole store atomically, creating the slot's folder when missing.
// Saves never overlap, and each writes one consistent snapshot of the list.
// Refused while the list's saves are blocked.
bool saveProfiles(ProfileList& list, const std::string& dataFolder, std::string* error = nullptr);

// What loading found, for the page to tell the user.
struct LoadReport {
    bool created = false;               // there was no store: the default one was written
    std::vector<std::string> problems;  // the store was damaged
    std::string unreadable;             // there is a store we could not read: why
    std::filesystem::path keptAside;    // where the damaged file now is
    std::string saveError;              // the store could not be written
};

// Fills the list from the store, or with the default store of one profile.
// A damaged store is first copied aside ("pro.data.damaged-<hash>"), then the
// repaired list is saved; a store that cannot be read or kept aside is left
// untouched, and the list's saves are blocked. With the list's saves already
// blocked (the store's lock is another's) nothing is written or removed.
// Problems also go to the debug output.
// With checkLater, only the current profile is read whole: the others are
// read for their names (a store of thousands opens as fast as one of a few)
// and checked by checkLoadedProfiles.
LoadReport loadProfiles(ProfileList& list, const std::string& dataFolder, const TextLookup& texts,
                        const DebugSink& debug = {}, bool checkLater = false);

// Checks up to `budget` more of the profiles a load left unchecked; done says
// whether any is left. Once none is, damage they held is dealt with as a load
// deals with it (kept aside, the repaired store written) and reported.
LoadReport checkLoadedProfiles(ProfileList& list, const std::string& dataFolder, std::size_t budget,
                               bool* done, const DebugSink& debug = {});

}  // namespace velor
