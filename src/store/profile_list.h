// A page's profiles in memory: the store header's reserved bytes, the records
// in list order and the current index, with the list operations behind the
// page's profile buttons. One lock serialises list changes, edits of the
// current record, snapshots for the apply and saves: the operations below take
// it themselves; whoever edits a record through current() or at() holds it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "models/model_descriptor.h"
#include "profile/profile_record.h"
#include "util/text_lookup.h"

namespace velor {

class ProfileList {
  public:
    explicit ProfileList(const ModelDescriptor& model);

    const ModelDescriptor& model() const { return *model_; }
    std::mutex& lock() const { return lock_; }

    std::size_t size() const { return records_.size(); }
    int currentIndex() const { return currentIndex_; }
    ProfileRecord& current() { return records_[static_cast<std::size_t>(currentIndex_)]; }
    const ProfileRecord& current() const {
        return records_[static_cast<std::size_t>(currentIndex_)];
    }
    ProfileRecord& at(std::size_t i) { return records_[i]; }
    const ProfileRecord& at(std::size_t i) const { return records_[i]; }
    std::vector<std::u16string> names() const;
    // The profile of that name (case aside), or -1.
    int indexOf(std::u16string_view name) const;

    // The five record-sized blocks after the index in the store header, kept
    // byte for byte.
    const std::vector<std::uint8_t>& reserved() const { return reserved_; }

    // Replaces everything (the store's loader). records must not be empty;
    // the index is clamped into the list.
    void reset(std::vector<std::uint8_t> reserved, std::vector<ProfileRecord> records, int index);

    // "add_profile_text" followed by N + 1, made unique; appended, not selected.
    void addDefaultProfile(const TextLookup& texts);

    // While set (the store on disk could not be read or kept aside), saves are
    // refused, so the user's file is never replaced by what we could not read.
    void blockSaves(std::string reason);
    const std::string& savesBlocked() const { return savesBlocked_; }

    // The list operations. Each returns false (and changes nothing) when refused.
    bool add(std::u16string_view name);            // appended and made current; refused when taken
    int append(ProfileRecord record);              // appended as it is and made current; its index
    bool removeCurrent();                          // refused for the only profile
    bool renameCurrent(std::u16string_view name);  // refused when taken, its own name included
    void restoreCurrent();                         // defaults; name and moveMode stay
    bool select(int index);

  private:
    const ModelDescriptor* model_;
    mutable std::mutex lock_;
    std::vector<std::uint8_t> reserved_;
    std::vector<ProfileRecord> records_;
    int currentIndex_ = 0;
    std::string savesBlocked_;
};

}  // namespace velor
