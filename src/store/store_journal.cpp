#include "store/store_journal.h"

#include <algorithm>
#include <array>

#include "util/le_bytes.h"
#include "util/utf8_path.h"

namespace velor {

namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'V', 'E', 'L', 'O', 'R', 'J', 'N', '1'};
// Far beyond a few changed profiles: a larger file is not a journal of ours.
constexpr std::uintmax_t kMaxJournalBytes = std::uintmax_t{64} << 20;

void put64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint64_t get64(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint64_t{loadLe32(b, at)} | (std::uint64_t{loadLe32(b, at + 4)} << 32);
}

// FNV-1a: tells a journal cut short or damaged on disk from a whole one.
std::uint64_t checksum(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::uint8_t b : bytes) h = (h ^ b) * 0x100000001b3ull;
    return h;
}

}  // namespace

std::filesystem::path journalPathOf(const std::filesystem::path& store) {
    std::filesystem::path journal = store;
    journal += ".journal";
    return journal;
}

std::optional<FilePatch> differenceOf(std::span<const std::uint8_t> now,
                                      std::span<const std::uint8_t> wanted, std::uint64_t offset) {
    const auto first = std::ranges::mismatch(now, wanted);
    if (first.in1 == now.end()) return std::nullopt;
    const auto last =
        std::ranges::mismatch(now.rbegin(), now.rend(), wanted.rbegin(), wanted.rend());
    const auto from = static_cast<std::size_t>(first.in1 - now.begin());
    const auto to = now.size() - static_cast<std::size_t>(last.in1 - now.rbegin());
    return FilePatch{
        offset + from,
        {wanted.begin() + static_cast<long>(from), wanted.begin() + static_cast<long>(to)}};
}

// "VELORJN1", the store's size, the number of patches, each patch as its
// offset, its length and its bytes, then the checksum of all before it; all
// little-endian.
std::vector<std::uint8_t> encodeJournal(std::uint64_t size, std::span<const FilePatch> patches) {
    std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
    put64(out, size);
    put64(out, patches.size());
    for (const FilePatch& p : patches) {
        put64(out, p.offset);
        put64(out, p.bytes.size());
        out.insert(out.end(), p.bytes.begin(), p.bytes.end());
    }
    put64(out, checksum(out));
    return out;
}

std::optional<Journal> decodeJournal(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kMagic.size() + 24 || !std::ranges::equal(bytes.first(8), kMagic))
        return std::nullopt;
    const std::size_t body = bytes.size() - 8;
    if (checksum(bytes.first(body)) != get64(bytes, body)) return std::nullopt;
    Journal journal{get64(bytes, 8), {}};
    std::uint64_t count = get64(bytes, 16);
    std::size_t at = 24;
    for (; count > 0; --count) {
        if (body - at < 16) return std::nullopt;
        const std::uint64_t offset = get64(bytes, at), length = get64(bytes, at + 8);
        at += 16;
        if (length > body - at || offset > journal.size || length > journal.size - offset)
            return std::nullopt;
        const auto from = bytes.begin() + static_cast<long>(at);
        journal.patches.push_back({offset, {from, from + static_cast<long>(length)}});
        at += static_cast<std::size_t>(length);
    }
    if (at != body) return std::nullopt;
    return journal;
}

bool patchThroughJournal(const std::filesystem::path& store, std::uint64_t size,
                         std::span<const FilePatch> patches, FileError* error) {
    if (patches.empty()) return true;
    const std::filesystem::path journal = journalPathOf(store);
    if (!writeFileAtomically(journal, encodeJournal(size, patches), error)) return false;
    // Cut off halfway, the store may hold part of the patches: the journal
    // stays for the next read to finish them (or for the next save to be
    // written over, or removed before a whole one).
    if (!patchFileInPlace(store, size, patches, error)) return false;
    std::error_code ec;
    std::filesystem::remove(journal, ec);
    return true;
}

std::string finishCutOffPatch(const std::filesystem::path& store) {
    const std::filesystem::path journal = journalPathOf(store);
    removeCutOffSaves(journal);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(journal, ec)) return {};
    std::string done;
    const auto bytes = readWholeFile(journal, kMaxJournalBytes);
    const auto decoded = bytes ? decodeJournal(*bytes) : std::nullopt;
    FileError error;
    if (!decoded)
        done = "a damaged journal was removed";
    else if (patchFileInPlace(store, decoded->size, decoded->patches, &error))
        done = "a change cut off halfway was finished from its journal";
    else
        done = "a journal that no longer fits the store was removed (" + error.message + ")";
    std::filesystem::remove(journal, ec);
    return utf8FromPath(store) + ": " + done;
}

bool dropJournal(const std::filesystem::path& store, FileError* error) {
    const std::filesystem::path journal = journalPathOf(store);
    std::error_code ec;
    if (!std::filesystem::remove(journal, ec) && ec && ec != std::errc::no_such_file_or_directory) {
        if (error) error->message = utf8FromPath(journal) + " cannot be removed: " + ec.message();
        return false;
    }
    return true;
}

}  // namespace velor
