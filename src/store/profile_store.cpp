#include "store/profile_store.h"

#include <algorithm>
#include <functional>
#include <mutex>

#include "platform/file_io.h"
#include "platform/read_only_file.h"
#include "profile/record_validation.h"
#include "store/damaged_file.h"
#include "store/snapshot_patches.h"
#include "store/snapshot_writer.h"
#include "store/store_journal.h"
#include "util/le_bytes.h"
#include "util/utf16.h"
#include "util/utf8_path.h"

namespace velor {

namespace {

constexpr std::size_t kReservedBlocks = 5;
// Far beyond any real store; refuses to read junk whole. No list grows past it.
constexpr std::uintmax_t kMaxStoreBytes = ProfileList::kMaxStoreBytes;

}  // namespace

std::size_t storeHeaderSize(const ModelDescriptor& model) {
    return 4 + kReservedBlocks * std::size_t{model.recordLength()};
}

std::filesystem::path profileStorePath(const ModelDescriptor& model,
                                       const std::string& dataFolder) {
    return pathFromUtf8(dataFolder) / pathFromUtf8(model.dataFolder) / kProfileStoreName;
}

namespace {

// What a look through a store file found. Each complete record is handed to
// `record` as it is read: its index, and either the whole record (repaired
// where damaged, its problems added to the scan's) or, with `namesOnly`, just
// its name; a record whose name has no end is read whole.
struct StoreScan {
    std::vector<std::uint8_t> reserved;
    std::int32_t index = 0;
    std::size_t count = 0;
    std::vector<std::string> problems;
};
struct ScannedRecord {
    std::size_t index = 0;
    const ProfileRecord* whole = nullptr;  // nullptr: only the name was read
    std::u16string name;
    bool repaired = false;
};
using RecordVisit = std::function<void(const ScannedRecord&)>;

// The file read is handed out through `opened`, for its records to be read
// again where they lie.
std::optional<StoreScan> scanStore(const ModelDescriptor& model, const std::filesystem::path& path,
                                   const RecordVisit& record, StoreReadError* error,
                                   std::string* why, bool namesOnly = false,
                                   std::shared_ptr<const ReadOnlyFile>* opened = nullptr) {
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
    const std::shared_ptr<const ReadOnlyFile> in = ReadOnlyFile::open(path);
    if (!in) return fail(StoreReadError::Unreadable, "it cannot be opened for reading");
    if (error) *error = StoreReadError::None;

    StoreScan scan;
    const std::size_t header = storeHeaderSize(model);
    const std::size_t length = model.recordLength();
    if (size < header) {
        scan.problems.push_back("the file is " + std::to_string(size) +
                                " bytes, shorter than its " + std::to_string(header) +
                                "-byte header");
        return scan;
    }
    std::vector<std::uint8_t> block(header);
    if (!in->readAt(0, block)) return fail(StoreReadError::Unreadable, "reading it failed");
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
    const auto& nameField = *r.layout().find(Field::name);
    std::vector<std::uint8_t> name(nameField.size());
    for (std::size_t i = 0; i < scan.count; ++i) {
        const std::uint64_t at = header + i * length;
        if (namesOnly) {
            if (!in->readAt(at + nameField.offset, name))
                return fail(StoreReadError::Unreadable, "reading it failed");
            if (auto text = readFixedUtf16(name)) {
                record({i, nullptr, std::move(*text)});
                continue;
            }
        }
        if (!in->readAt(at, r.bytes()))
            return fail(StoreReadError::Unreadable, "reading it failed");
        const std::vector<std::string> problems = recordProblems(r);
        for (const std::string& p : problems)
            scan.problems.push_back("profile " + std::to_string(i + 1) + ": " + p);
        if (!problems.empty()) repairRecord(r);
        record({i, &r, {}, !problems.empty()});
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
        model, path, [&](const ScannedRecord& r) { records.push_back(*r.whole); }, error, why);
    if (!scan) return std::nullopt;
    return StoreContents{std::move(scan->reserved), std::move(records), clampedIndex(*scan),
                         std::move(scan->problems)};
}

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
            if (error) *error = utf8FromPath(path) + " is not replaced: " + list.savesBlocked();
            return false;
        }
        // A store always holds a profile: an empty list was never loaded.
        if (list.size() == 0) {
            if (error) *error = utf8FromPath(path) + " is not replaced: no profiles are loaded";
            return false;
        }
        snapshot = list.snapshot();
    }
    FileError writeError;
    const std::size_t headerSize = storeHeaderSize(list.model());
    // A mouse's DPI press changes a few bytes of one profile: those bytes are
    // written where they lie, whatever the number of profiles, and outside the
    // list's lock.
    std::uint64_t size = 0;
    if (auto patches =
            snapshotPatches(snapshot, path, headerSize, list.model().recordLength(), size)) {
        if (!patchThroughJournal(path, size, *patches, &writeError)) {
            if (error) *error = writeError.message;
            return false;
        }
        std::shared_ptr<const ReadOnlyFile> same;
        const std::lock_guard guard(list.lock());
        list.commit(
            snapshot, [] { return true; }, [&] { return snapshot.file; }, same);
        return true;
    }
    // A journal must never outlive the store it was written for.
    if (!dropJournal(path, &writeError)) {
        if (error) *error = writeError.message;
        return false;
    }
    makePrivateFolders(path.parent_path());
    const auto contents = [&](const ByteWriter& write) {
        return writeSnapshot(snapshot, headerSize, list.model().recordLength(), write);
    };
    std::shared_ptr<const ReadOnlyFile> before;  // closed after the lock is let go
    const auto replacing = [&](const ReplaceStep& replace) {
        snapshot.file.reset();
        const auto reopen = [&] {
            return std::shared_ptr<const ReadOnlyFile>(ReadOnlyFile::open(path));
        };
        if (!kOpenFilesBlockReplace) {
            // The list reads the old file through its open handle, which a
            // rename leaves readable: the rename (which may wait on the disk)
            // and the opening of the new file do not hold the page back.
            const bool replaced = replace();
            auto opened = replaced ? reopen() : nullptr;
            const std::lock_guard guard(list.lock());
            return list.commit(
                snapshot, [&] { return replaced; }, [&] { return opened; }, before);
        }
        const std::lock_guard guard(list.lock());
        return list.commit(snapshot, replace, reopen, before);
    };
    if (writeFileAtomically(path, contents, replacing, &writeError)) return true;
    if (error) *error = writeError.message;
    return false;
}

namespace {

// Damage found: the file is copied aside before anything is written; a file
// that cannot be copied aside (or that is not ours to write) is never written
// over, by no later save either. Otherwise the repaired store is written. A
// file that is not damaged is written only when it was missing.
void settleDamage(ProfileList& list, const std::string& dataFolder, bool notOurs,
                  LoadReport& report) {
    const std::filesystem::path path = profileStorePath(list.model(), dataFolder);
    if (!report.problems.empty()) {
        std::string error;
        if (notOurs)
            report.problems.push_back("it is left as it is: " + list.savesBlocked());
        else if (report.keptAside = keepDamagedCopy(path, &error); report.keptAside.empty())
            report.problems.push_back("the damaged file could not be kept aside: " + error);
    }
    const bool sound = report.problems.empty() && report.unreadable.empty();
    const bool keptSafe = report.created || sound || !report.keptAside.empty();
    if (!keptSafe)
        list.blockSaves(!report.unreadable.empty() ? report.unreadable : report.problems.back());
    // The list in memory stays usable even when it cannot be written.
    if (keptSafe && (!sound || report.created)) saveProfiles(list, dataFolder, &report.saveError);
}

void logReport(const LoadReport& report, const std::filesystem::path& path,
               const DebugSink& debug) {
    const DebugSink log = debug ? debug : defaultDebugSink();
    if (!report.unreadable.empty()) log(utf8FromPath(path) + ": " + report.unreadable);
    for (const std::string& problem : report.problems) log(utf8FromPath(path) + ": " + problem);
    if (!report.keptAside.empty()) log("damaged store kept as " + utf8FromPath(report.keptAside));
    if (!report.saveError.empty()) log("profile store not saved: " + report.saveError);
}

bool savesHeld(const ProfileList& list) {
    const std::lock_guard guard(list.lock());
    return !list.savesBlocked().empty();
}

}  // namespace

LoadReport loadProfiles(ProfileList& list, const std::string& dataFolder, const TextLookup& texts,
                        const DebugSink& debug, bool checkLater) {
    LoadReport report;
    const std::filesystem::path path = profileStorePath(list.model(), dataFolder);
    // Saves held by the caller (no lock on the store) leave every file alone,
    // a save of the lock's holder in progress too.
    const bool held = savesHeld(list);
    if (!held) {
        removeCutOffSaves(path);
        if (const std::string finished = finishCutOffPatch(path); !finished.empty())
            (debug ? debug : defaultDebugSink())(finished);
    }
    StoreReadError readError = StoreReadError::None;
    std::string why;
    // Sound profiles stay in the file, only their names in memory; repaired
    // ones are held until the repaired store is written.
    std::vector<ProfileList::Stored> stored;
    std::shared_ptr<const ReadOnlyFile> file;
    const std::uint64_t header = storeHeaderSize(list.model());
    auto scan = scanStore(
        list.model(), path,
        [&](const ScannedRecord& r) {
            ProfileList::Stored& p = stored.emplace_back();
            p.offset = header + r.index * list.model().recordLength();
            p.checked = r.whole != nullptr;
            if (r.repaired)
                p.repaired = std::make_shared<ProfileRecord>(*r.whole);
            else
                p.name = r.whole ? r.whole->name().value_or(u"") : r.name;
        },
        &readError, &why, checkLater, &file);

    // There is a file we cannot read: work from defaults, leave it alone.
    if (!scan && readError == StoreReadError::Unreadable) report.unreadable = why;
    if (scan) report.problems = scan->problems;
    if (scan && !stored.empty()) {
        list.reset(std::move(scan->reserved), std::move(stored), clampedIndex(*scan),
                   std::move(file));
        const std::lock_guard guard(list.lock());
        for (std::string& p : list.takeLateProblems()) report.problems.push_back(std::move(p));
    } else {
        list.reset({}, std::vector<ProfileRecord>{}, 0);
        list.addDefaultProfile(texts);
    }
    report.created = readError == StoreReadError::Missing;
    settleDamage(list, dataFolder, held, report);
    logReport(report, path, debug);
    return report;
}

LoadReport checkLoadedProfiles(ProfileList& list, const std::string& dataFolder, std::size_t budget,
                               bool* done, const DebugSink& debug) {
    LoadReport report;
    {
        const std::lock_guard guard(list.lock());
        *done = list.checkStored(budget);
        if (!*done) return report;
        report.problems = list.takeLateProblems();
    }
    if (report.problems.empty()) return report;
    settleDamage(list, dataFolder, savesHeld(list), report);
    logReport(report, profileStorePath(list.model(), dataFolder), debug);
    return report;
}

}  // namespace velor
