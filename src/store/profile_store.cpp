#include "store/profile_store.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <mutex>

#include "platform/file_io.h"
#include "profile/function_table.h"
#include "profile/record_validation.h"
#include "store/damaged_file.h"
#include "store/store_file.h"
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

namespace {

// What a look through a store file found; each complete record is handed to
// `record` (index, the record repaired, its problems) as it is read.
struct StoreScan {
    std::vector<std::uint8_t> reserved;
    std::int32_t index = 0;
    std::size_t count = 0;
    std::vector<std::string> problems;
};
using RecordVisit =
    std::function<void(std::size_t, const ProfileRecord&, const std::vector<std::string>&)>;

// The file read is handed out through `opened`, for its records to be read
// again where they lie.
std::optional<StoreScan> scanStore(const ModelDescriptor& model, const std::filesystem::path& path,
                                   const RecordVisit& record, StoreReadError* error,
                                   std::string* why,
                                   std::shared_ptr<const StoreFile>* opened = nullptr) {
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
    const std::shared_ptr<const StoreFile> in = StoreFile::open(path);
    if (!in) return fail(StoreReadError::Unreadable, "it cannot be opened for reading");
    if (error) *error = StoreReadError::None;

    StoreScan scan;
    const std::size_t header = storeHeaderSize(model);
    const std::size_t length = model.recordLength();
    if (size < header) {
        scan.problems.push_back("the file is " + std::to_string(size) + " bytes, shorter than its " +
                                std::to_string(header) + "-byte header");
        return scan;
    }
    std::vector<std::uint8_t> block(header);
    if (!in->read(0, block)) return fail(StoreReadError::Unreadable, "reading it failed");
    scan.index = static_cast<std::int32_t>(loadLe32(block, 0));
    scan.reserved.assign(block.begin() + 4, block.end());
    scan.count = (size - header) / length;
    if ((size - header) % length != 0)
        scan.problems.push_back(
            "the file is " + std::to_string(size) + " bytes, not the header plus whole profiles; " +
            std::to_string((size - header) % length) + " trailing bytes were left out");
    // Read record by record into one record: a large store is never held in
    // memory, and each byte is copied once.
    ProfileRecord r(model.record);
    for (std::size_t i = 0; i < scan.count; ++i) {
        if (!in->read(header + i * length, r.bytes()))
            return fail(StoreReadError::Unreadable, "reading it failed");
        std::vector<std::string> problems = recordProblems(r);
        for (const std::string& p : problems)
            scan.problems.push_back("profile " + std::to_string(i + 1) + ": " + p);
        if (!problems.empty()) repair(r);
        record(i, r, problems);
    }
    if (scan.count == 0) {
        scan.problems.push_back("the file holds no profile");
    } else if (scan.index < 0 || static_cast<std::size_t>(scan.index) >= scan.count) {
        scan.problems.push_back("the current profile " + std::to_string(scan.index) +
                                " is not in the list of " + std::to_string(scan.count));
    }
    if (opened) *opened = in;
    return scan;
}

int clampedIndex(const StoreScan& scan) {
    return scan.count == 0 ? 0 : std::clamp<int>(scan.index, 0, static_cast<int>(scan.count) - 1);
}

}  // namespace

std::optional<StoreContents> readProfileStore(const ModelDescriptor& model,
                                              const std::filesystem::path& path,
                                              StoreReadError* error, std::string* why) {
    std::vector<ProfileRecord> records;
    auto scan = scanStore(
        model, path,
        [&](std::size_t, const ProfileRecord& r, const std::vector<std::string>&) {
            records.push_back(r);
        },
        error, why);
    if (!scan) return std::nullopt;
    return StoreContents{std::move(scan->reserved), std::move(records), clampedIndex(*scan),
                         std::move(scan->problems)};
}

namespace {

// Appends to the new store in large writes: held records from memory, the
// others copied from the store file they lie in, runs of them at a time.
class StoreWriter {
  public:
    explicit StoreWriter(const ByteWriter& write) : write_(write) { buffer_.reserve(kBuffer); }

    bool add(std::span<const std::uint8_t> bytes) {
        while (!bytes.empty()) {
            const std::size_t n = std::min(bytes.size(), kBuffer - buffer_.size());
            buffer_.insert(buffer_.end(), bytes.begin(), bytes.begin() + static_cast<long>(n));
            bytes = bytes.subspan(n);
            if (buffer_.size() == kBuffer && !flush()) return false;
        }
        return true;
    }
    bool copy(const StoreFile& file, std::uint64_t offset, std::uint64_t length) {
        while (length > 0) {
            if (buffer_.size() == kBuffer && !flush()) return false;
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(length, kBuffer - buffer_.size()));
            const std::size_t at = buffer_.size();
            buffer_.resize(at + n);
            if (!file.read(offset, std::span(buffer_).subspan(at))) return false;
            offset += n;
            length -= n;
        }
        return true;
    }
    bool flush() {
        const bool ok = buffer_.empty() || write_(buffer_);
        buffer_.clear();
        return ok;
    }

  private:
    static constexpr std::size_t kBuffer = std::size_t{1} << 20;
    const ByteWriter& write_;
    std::vector<std::uint8_t> buffer_;
};

bool writeSnapshot(const ProfileList::Snapshot& s, std::size_t headerSize, std::size_t length,
                   const ByteWriter& write) {
    StoreWriter out(write);
    if (!out.add(s.header)) return false;
    static const std::vector<std::uint8_t> zeros(4096, 0);
    for (std::size_t padding = headerSize - s.header.size(); padding > 0;) {
        const std::size_t n = std::min(padding, zeros.size());
        if (!out.add(std::span(zeros.data(), n))) return false;
        padding -= n;
    }
    for (std::size_t p = 0; p < s.pieces.size();) {
        if (!s.pieces[p].bytes.empty()) {
            if (!out.add(s.pieces[p++].bytes)) return false;
            continue;
        }
        // A run of records that lie one after the other in the file.
        const std::uint64_t from = s.pieces[p].offset;
        std::size_t run = 1;
        while (p + run < s.pieces.size() && s.pieces[p + run].bytes.empty() &&
               s.pieces[p + run].offset == from + run * length)
            ++run;
        if (!s.file || !out.copy(*s.file, from, run * length)) return false;
        p += run;
    }
    return out.flush();
}

}  // namespace

bool saveProfiles(ProfileList& list, const std::string& dataFolder, std::string* error) {
    // One save at a time: the snapshot and its write stay in order.
    static std::mutex saving;
    const std::lock_guard serial(saving);
    const std::filesystem::path path = profileStorePath(list.model(), dataFolder);
    // Taken under the list's lock (records in memory copied, the others named
    // by where they lie) and written outside it: the page never waits for
    // the disk.
    ProfileList::Snapshot snapshot;
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
        snapshot = list.snapshot();
    }
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    FileError writeError;
    const auto contents = [&](const ByteWriter& write) {
        return writeSnapshot(snapshot, storeHeaderSize(list.model()), list.model().recordLength(),
                             write);
    };
    const auto replacing = [&](const ReplaceStep& replace) {
        snapshot.file.reset();
        const std::lock_guard guard(list.lock());
        return list.commit(snapshot, replace, [&] { return StoreFile::open(path); });
    };
    if (writeFileAtomically(path, contents, replacing, &writeError)) return true;
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
    // Sound profiles stay in the file, only their names in memory; repaired
    // ones are held until the repaired store is written.
    std::vector<ProfileList::Stored> stored;
    std::shared_ptr<const StoreFile> file;
    const std::uint64_t header = storeHeaderSize(list.model());
    auto scan = scanStore(
        list.model(), path,
        [&](std::size_t i, const ProfileRecord& r, const std::vector<std::string>& problems) {
            ProfileList::Stored& p = stored.emplace_back();
            p.offset = header + i * list.model().recordLength();
            if (problems.empty())
                p.name = r.name().value_or(u"");
            else
                p.repaired = std::make_shared<ProfileRecord>(r);
        },
        &readError, &why, &file);

    // There is a file we cannot read: work from defaults, leave it alone.
    if (!scan && readError == StoreReadError::Unreadable) report.unreadable = why;
    if (scan && !scan->problems.empty()) {
        report.problems = scan->problems;
        std::string error;
        if (held)
            report.problems.push_back("it is left as it is: " + list.savesBlocked());
        else if (report.keptAside = keepDamagedCopy(path, &error); report.keptAside.empty())
            report.problems.push_back("the damaged file could not be kept aside: " + error);
    }

    const bool sound = scan && scan->problems.empty();
    const bool usable = scan && !stored.empty();
    if (usable) {
        list.reset(std::move(scan->reserved), std::move(stored), clampedIndex(*scan),
                   std::move(file));
    } else {
        list.reset({}, std::vector<ProfileRecord>{}, 0);
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
