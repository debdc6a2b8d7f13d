// A page's profiles: the store header's reserved bytes, the profiles in list
// order and the current index, with the list operations behind the page's
// profile buttons. Only names are kept for profiles as they lie in the store
// file; a profile's record is in memory while it is current and while it
// differs from the file (until the next save has written it), so ten thousand
// profiles cost their names. One lock serialises list changes, edits of the
// current record, snapshots for the apply and saves: the operations below take
// it themselves; whoever reads or edits a record through current(), record()
// or replace() holds it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "models/model_descriptor.h"
#include "platform/read_only_file.h"
#include "profile/profile_record.h"
#include "util/text_lookup.h"

namespace velor {

class ProfileList {
  public:
    explicit ProfileList(const ModelDescriptor& model);

    const ModelDescriptor& model() const { return *model_; }
    std::mutex& lock() const { return lock_; }

    // A store file is read up to 512 MiB (about 16,000 profiles): the list
    // never grows past what its store can hold, so that no save writes a
    // store the next start would refuse.
    static constexpr std::uintmax_t kMaxStoreBytes = std::uintmax_t{512} << 20;
    std::size_t capacity() const;
    bool full() const { return entries_.size() >= capacity(); }
    // Says so, for velorctl and the debug output.
    std::string fullReason() const;

    std::size_t size() const { return entries_.size(); }
    int currentIndex() const { return currentIndex_; }
    // For an edit: the list counts as changed from here until a save.
    ProfileRecord& current() {
        ++changes_;
        return *entries_[static_cast<std::size_t>(currentIndex_)].held;
    }
    const ProfileRecord& current() const {
        return *entries_[static_cast<std::size_t>(currentIndex_)].held;
    }
    // A copy of profile i, read from the store file when it is not in memory
    // (a file that cannot be read any more gives the profile's defaults).
    ProfileRecord record(std::size_t i) const;
    // Profile i becomes this record (its name included).
    void replace(std::size_t i, ProfileRecord record);
    std::vector<std::u16string> names() const;
    // The profile of that name (case aside), or -1.
    int indexOf(std::u16string_view name) const;

    // Replaces everything with records in memory. records must not be empty;
    // the index is clamped into the list.
    void reset(std::vector<std::uint8_t> reserved, std::vector<ProfileRecord> records, int index);

    // A profile as the store's loader found it: in the file, or (repaired)
    // in memory.
    struct Stored {
        std::u16string name;
        std::uint64_t offset = 0;
        std::shared_ptr<ProfileRecord> repaired;
        bool checked = true;  // false: only its name was read
    };
    // Replaces everything with the profiles of an open store file.
    void reset(std::vector<std::uint8_t> reserved, std::vector<Stored> profiles, int index,
               std::shared_ptr<const ReadOnlyFile> file);

    // With the lock held: checks up to `budget` of the profiles the loader
    // only named (a profile read for any other reason is checked then); a
    // damaged one is repaired and kept in memory. True once none is left.
    bool checkStored(std::size_t budget);
    bool allChecked() const { return unchecked_ == 0; }
    // With the lock held: what those checks found, taken once.
    std::vector<std::string> takeLateProblems() { return std::exchange(lateProblems_, {}); }

    // "add_profile_text" followed by N + 1, made unique; appended, not selected.
    void addDefaultProfile(const TextLookup& texts);

    // While set (the store on disk could not be read or kept aside), saves are
    // refused, so the user's file is never replaced by what we could not read.
    void blockSaves(std::string reason);
    const std::string& savesBlocked() const { return savesBlocked_; }

    // The list operations. Each returns false (and changes nothing) when refused.
    bool add(std::u16string_view name);  // appended and made current; refused when taken or full
    int append(
        ProfileRecord record);  // appended as it is and made current; its index, -1 when full
    bool removeCurrent();       // refused for the only profile
    bool renameCurrent(std::u16string_view name);  // refused when taken, its own name included
    void restoreCurrent();                         // defaults; name and moveMode stay
    bool select(int index);

    // With the lock held: whether anything changed (or was open for an edit)
    // since the last save or load, so that the end of the program stores it.
    bool unsaved() const { return changes_ != savedChanges_; }

    // For a save, with the lock held: the store's bytes as pieces, records in
    // memory copied, the others named by where they lie in the open file.
    struct Snapshot {
        struct Piece {
            std::uint64_t entry = 0;          // which profile
            std::vector<std::uint8_t> bytes;  // its record, or empty when
            std::uint64_t offset = 0;         //   it lies here in `file`
        };
        std::vector<std::uint8_t> header;
        std::vector<Piece> pieces;
        std::shared_ptr<const ReadOnlyFile> file;  // let go before commit()
        std::uint64_t generation = 0;
        std::uint64_t changes = 0;  // the list's changes it holds
    };
    Snapshot snapshot() const;
    // With the lock held, once the snapshot is written beside the store:
    // `replace` puts it in place (a rename), the store file read from being
    // let go around it where an open file cannot be replaced; `reopen` opens
    // the store afresh. Profiles still as they were in the snapshot then lie
    // in the new file and leave memory unless current. Returns what `replace`
    // returned. A list loaded afresh since the snapshot keeps its own file.
    // The file read before is handed to `letGo`, to be closed once the lock is
    // released: closing the last handle on a replaced file frees its space,
    // which takes a while for a large store.
    bool commit(const Snapshot& snapshot, const std::function<bool()>& replace,
                const std::function<std::shared_ptr<const ReadOnlyFile>()>& reopen,
                std::shared_ptr<const ReadOnlyFile>& letGo);

  private:
    struct Entry {
        std::uint64_t id = 0;
        std::u16string name;                  // kept while the record is not in memory
        std::uint64_t offset = 0;             // where it lies in file_
        std::shared_ptr<ProfileRecord> held;  // in memory: current, or not yet saved
        bool checked = true;
    };

    Entry heldEntry(ProfileRecord record);
    std::u16string nameOf(const Entry& e) const;
    ProfileRecord readStored(std::size_t i) const;
    void hold(std::size_t i) const;
    void rebase(const Snapshot& snapshot);

    const ModelDescriptor* model_;
    mutable std::mutex lock_;
    // The five record-sized blocks after the index in the store header, kept
    // byte for byte; empty (zeros when saved) until a store is read, so that
    // the pages of absent mice hold none of it.
    std::vector<std::uint8_t> reserved_;
    mutable std::vector<Entry> entries_;
    std::shared_ptr<const ReadOnlyFile> file_;
    std::uint64_t generation_ = 0;    // which loading file_ belongs to
    std::uint64_t changes_ = 0;       // list operations and edits so far
    std::uint64_t savedChanges_ = 0;  // ... of which the store file holds all
    std::uint64_t nextId_ = 1;
    int currentIndex_ = 0;
    mutable std::string savesBlocked_;
    mutable std::size_t unchecked_ = 0;
    mutable std::vector<std::string> lateProblems_;
    std::size_t checkCursor_ = 0;
};

}  // namespace velor
