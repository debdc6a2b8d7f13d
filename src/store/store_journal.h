// Small changes to a large store, written where they lie. The changed bytes
// first go whole into a journal beside the store ("pro.data.journal", written
// atomically), then into the store itself, and the journal is removed. A
// journal found when the store is next read is a change cut off halfway: its
// bytes are put in again (the same bytes, so twice does no harm) before the
// store is read. The journal is ours alone; the store keeps its format.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/file_io.h"

namespace velor {

std::filesystem::path journalPathOf(const std::filesystem::path& store);

// The shortest run of bytes that turns `now` (at `offset` in a file) into
// `wanted`, both of one size; nullopt when they are equal.
std::optional<FilePatch> differenceOf(std::span<const std::uint8_t> now,
                                      std::span<const std::uint8_t> wanted, std::uint64_t offset);

// The journal's bytes for patches of a store of `size` bytes, and back.
std::vector<std::uint8_t> encodeJournal(std::uint64_t size, std::span<const FilePatch> patches);
struct Journal {
    std::uint64_t size = 0;
    std::vector<FilePatch> patches;
};
std::optional<Journal> decodeJournal(std::span<const std::uint8_t> bytes);

// Journal, patches, journal removed. False (with why) when the patches may not
// all have reached the store; the journal left behind then is finished by the
// next read (finishCutOffPatch).
bool patchThroughJournal(const std::filesystem::path& store, std::uint64_t size,
                         std::span<const FilePatch> patches, FileError* error = nullptr);

// Before the store is read: a journal left by a patch cut off is put in and
// removed; a damaged one (never begun on the store) only removed. Says what
// it did, for the debug output; empty when there was none.
std::string finishCutOffPatch(const std::filesystem::path& store);

// Before the store is written whole: a journal must not outlive the bytes it
// was for. False when one is there and cannot be removed.
bool dropJournal(const std::filesystem::path& store, FileError* error = nullptr);

}  // namespace velor
