#include "store/profile_store.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <fstream>
#include <mutex>

#include "platform/file_io.h"
#include "profile/function_table.h"
#include "profile/record_validation.h"
#include "store/damaged_file.h"
#include "util/le_bytes.h"

namespace velor {

namespace {

constexpr std::size_t kReservedBlocks = 5;
// Far beyond any real store (about 16,000 profiles); refuses to read junk whole.
constexpr std::uintmax_t kMaxStoreBytes = std::uintmax_t{512} << 20;

// Mends what validation reported: an unterminated name is cut to its limit;
// in a macro slot, a count past the action block is held at the block.
void repair(ProfileRecord& record) {
    if (!record.name()) {
        const auto& name = *record.layout().find(Field::name);
        writeField(record.bytes(), name, 0, name.count - 1);
    }
    const auto& macroName = *buttonSlotLayout().find(SlotField::macroName);
    for (int k = 0; k < kButtonCount; ++k) {
        ButtonSlot slot = record.button(k);
        if (slot.function() != function::kMacro) continue;
        if (slot.macroActionCount() > kMacroActionCapacity)
            slot.set(SlotField::macroActionCount, kMacroActionCapacity);
        if (!slot.macroName())
            writeField(std::span<std::uint8_t>(slot.bytes()), macroName, 0, macroName.count - 1);
    }
}

}  // namespace

std::size_t storeHeaderSize(const ModelDescriptor& model) {
    return 4 + kReservedBlocks * std::size_t{model.recordLength()};
}

std::filesystem::path profileStorePath(const ModelDescriptor& model,
                                       const std::string& dataFolder) {
    return std::filesystem::path(dataFolder) / std::string(model.dataFolder) / kProfileStoreName;
}

std::optional<StoreContents> readProfileStore(const ModelDescriptor& model,
                                              const std::filesystem::path& path,
                                              StoreReadError* error, std::string* why) {
    const auto fail = [&](StoreReadError kind, std::string reason = {}) {
        if (error) *error = kind;
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return fail(StoreReadError::Missing);
    if (ec) return fail(StoreReadError::Unreadable, "it cannot be read: " + ec.message());
    // A pipe or a device would block the read, or never end it.
    if (status.type() != std::filesystem::file_type::regular)
        return fail(StoreReadError::Unreadable, "it is not a regular file");
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return fail(StoreReadError::Unreadable, "it cannot be read: " + ec.message());
    if (size > kMaxStoreBytes)
        return fail(StoreReadError::Unreadable, "it is " + std::to_string(size) +
                                                    " bytes, larger than any profile store (" +
                                                    std::to_string(kMaxStoreBytes) + " bytes)");
    // Read record by record: a large store is never held twice in memory.
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(StoreReadError::Unreadable, "it cannot be opened for reading");
    if (error) *error = StoreReadError::None;

    StoreContents c;
    const std::size_t header = storeHeaderSize(model);
    const std::size_t length = model.recordLength();
    if (size < header) {
        c.problems.push_back("the file is " + std::to_string(size) + " bytes, shorter than its " +
                             std::to_string(header) + "-byte header");
        return c;
    }
    std::vector<std::uint8_t> block(header);
    if (!in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(header)))
        return fail(StoreReadError::Unreadable, "reading it failed");
    const auto index = static_cast<std::int32_t>(loadLe32(block, 0));
    c.reserved.assign(block.begin() + 4, block.end());
    const std::size_t count = (size - header) / length;
    if ((size - header) % length != 0)
        c.problems.push_back(
            "the file is " + std::to_string(size) + " bytes, not the header plus whole profiles; " +
            std::to_string((size - header) % length) + " trailing bytes were left out");
    c.records.reserve(count);
    block.resize(length);
    for (std::size_t i = 0; i < count; ++i) {
        if (!in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(length)))
            return fail(StoreReadError::Unreadable, "reading it failed");
        ProfileRecord record = *ProfileRecord::fromBytes(model.record, block);
        for (const std::string& p : recordProblems(record))
            c.problems.push_back("profile " + std::to_string(i + 1) + ": " + p);
        repair(record);
        c.records.push_back(std::move(record));
    }
    if (c.records.empty()) {
        c.problems.push_back("the file holds no profile");
    } else if (index < 0 || index >= static_cast<std::int32_t>(c.records.size())) {
        c.problems.push_back("the current profile " + std::to_string(index) +
                             " is not in the list of " + std::to_string(c.records.size()));
    }
    c.currentIndex =
        c.records.empty() ? 0 : std::clamp<int>(index, 0, static_cast<int>(c.records.size()) - 1);
    return c;
}

namespace {

// The records go straight from the list into the file (under the list's
// lock, so the file is one state of it), without a second copy of the store.
bool writeStore(const ProfileList& list, const ByteWriter& write) {
    const std::lock_guard guard(list.lock());
    std::array<std::uint8_t, 4> index{};
    storeLe32(index, 0, static_cast<std::uint32_t>(list.currentIndex()));
    if (!write(index) || !write(list.reserved())) return false;
    static const std::vector<std::uint8_t> zeros(4096, 0);
    std::size_t padding = storeHeaderSize(list.model()) - 4 - list.reserved().size();
    while (padding > 0) {
        const std::size_t n = std::min(padding, zeros.size());
        if (!write(std::span(zeros.data(), n))) return false;
        padding -= n;
    }
    for (std::size_t i = 0; i < list.size(); ++i)
        if (!write(list.at(i).bytes())) return false;
    return true;
}

}  // namespace

bool saveProfiles(const ProfileList& list, const std::string& dataFolder, std::string* error) {
    // One save at a time: the snapshot and its write stay in order.
    static std::mutex saving;
    const std::lock_guard serial(saving);
    const std::filesystem::path path = profileStorePath(list.model(), dataFolder);
    {
        const std::lock_guard guard(list.lock());
        if (!list.savesBlocked().empty()) {
            if (error) *error = path.string() + " is not replaced: " + list.savesBlocked();
            return false;
        }
        // A store always holds a profile: an empty list was never loaded.
        if (list.size() == 0) {
            if (error) *error = path.string() + " is not replaced: no profiles are loaded";
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    FileError writeError;
    if (writeFileAtomically(
            path, [&](const ByteWriter& write) { return writeStore(list, write); }, &writeError))
        return true;
    if (error) *error = writeError.message;
    return false;
}

LoadReport loadProfiles(ProfileList& list, const std::string& dataFolder, const TextLookup& texts,
                        const DebugSink& debug) {
    LoadReport report;
    const std::filesystem::path path = profileStorePath(list.model(), dataFolder);
    // Saves held by the caller (no lock on the store) leave every file alone,
    // a save of the lock's holder in progress too.
    const bool held = [&] {
        const std::lock_guard guard(list.lock());
        return !list.savesBlocked().empty();
    }();
    if (!held) removeCutOffSaves(path);
    StoreReadError readError = StoreReadError::None;
    std::string why;
    auto contents = readProfileStore(list.model(), path, &readError, &why);

    // There is a file we cannot read: work from defaults, leave it alone.
    if (!contents && readError == StoreReadError::Unreadable) report.unreadable = why;
    if (contents && !contents->problems.empty()) {
        report.problems = contents->problems;
        std::string error;
        if (held)
            report.problems.push_back("it is left as it is: " + list.savesBlocked());
        else if (report.keptAside = keepDamagedCopy(path, &error); report.keptAside.empty())
            report.problems.push_back("the damaged file could not be kept aside: " + error);
    }

    const bool sound = contents && contents->problems.empty();
    const bool usable = contents && !contents->records.empty();
    if (usable) {
        list.reset(std::move(contents->reserved), std::move(contents->records),
                   contents->currentIndex);
    } else {
        list.reset({}, {}, 0);
        list.addDefaultProfile(texts);
    }
    report.created = readError == StoreReadError::Missing;
    // A file we could not read, or could not keep a copy of, is never
    // written over: not now, and not by any later save of this list.
    const bool keptSafe = report.created || sound || !report.keptAside.empty();
    if (!keptSafe)
        list.blockSaves(!report.unreadable.empty() ? report.unreadable : report.problems.back());
    // Write the default or repaired store. The list in memory stays usable
    // even when it cannot be written.
    if (keptSafe && !sound) saveProfiles(list, dataFolder, &report.saveError);

    const DebugSink log = debug ? debug : defaultDebugSink();
    if (!report.unreadable.empty()) log(path.string() + ": " + report.unreadable);
    for (const std::string& problem : report.problems) log(path.string() + ": " + problem);
    if (!report.keptAside.empty()) log("damaged store kept as " + report.keptAside.string());
    if (!report.saveError.empty()) log("profile store not saved: " + report.saveError);
    return report;
}

}  // namespace velor
