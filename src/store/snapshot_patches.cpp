#include "store/snapshot_patches.h"

#include "store/store_journal.h"

namespace velor {

namespace {

// A change of more than this many records' worth of bytes writes the store
// whole.
constexpr std::size_t kMaxPatchRecords = 4;

}  // namespace

std::optional<std::vector<FilePatch>> snapshotPatches(const ProfileList::Snapshot& s,
                                                      const std::filesystem::path& path,
                                                      std::size_t headerSize, std::size_t length,
                                                      std::uint64_t& size) {
    std::error_code ec;
    size = std::filesystem::file_size(path, ec);
    if (!s.file || ec || s.header.size() != headerSize ||
        size != headerSize + s.pieces.size() * std::uint64_t{length})
        return std::nullopt;
    std::vector<FilePatch> patches;
    std::size_t changed = 0;
    const auto add = [&](std::span<const std::uint8_t> wanted, std::uint64_t at,
                         std::vector<std::uint8_t>& now) {
        if (!s.file->readAt(at, now)) return false;
        if (auto d = differenceOf(now, wanted, at)) {
            changed += d->bytes.size();
            patches.push_back(std::move(*d));
        }
        return changed <= kMaxPatchRecords * length;
    };
    std::vector<std::uint8_t> now(headerSize);
    if (!add(s.header, 0, now)) return std::nullopt;
    now.resize(length);
    for (std::size_t i = 0; i < s.pieces.size(); ++i) {
        const ProfileList::Snapshot::Piece& piece = s.pieces[i];
        const std::uint64_t at = headerSize + i * std::uint64_t{length};
        if (piece.bytes.empty() ? piece.offset != at : !add(piece.bytes, at, now))
            return std::nullopt;
    }
    return patches;
}

}  // namespace velor
