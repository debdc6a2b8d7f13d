#include "store/profile_list.h"

#include <algorithm>

#include "profile/record_defaults.h"
#include "store/name_rules.h"

namespace velor {

ProfileList::ProfileList(const ModelDescriptor& model)
    : model_(&model), reserved_(5 * std::size_t{model.recordLength()}, 0) {}

int ProfileList::indexOf(std::u16string_view name) const {
    for (std::size_t i = 0; i < records_.size(); ++i)
        if (const auto n = records_[i].name(); n && sameNameIgnoringCase(*n, name))
            return static_cast<int>(i);
    return -1;
}

std::vector<std::u16string> ProfileList::names() const {
    std::vector<std::u16string> names;
    names.reserve(records_.size());
    for (const ProfileRecord& r : records_) names.push_back(r.name().value_or(u""));
    return names;
}

void ProfileList::reset(std::vector<std::uint8_t> reserved, std::vector<ProfileRecord> records,
                        int index) {
    const std::lock_guard guard(lock_);
    reserved_ = std::move(reserved);
    reserved_.resize(5 * std::size_t{model_->recordLength()}, 0);
    records_ = std::move(records);
    currentIndex_ =
        records_.empty() ? 0 : std::clamp(index, 0, static_cast<int>(records_.size()) - 1);
}

void ProfileList::addDefaultProfile(const TextLookup& texts) {
    const std::lock_guard guard(lock_);
    std::u16string base = texts.text("add_profile_text");
    for (const char c : std::to_string(records_.size() + 1)) base += static_cast<char16_t>(c);
    const std::u16string name = uniqueName(names(), base, kProfileNameLimit);
    records_.push_back(newRecord(model_->record, name));
}

bool ProfileList::add(std::u16string_view name) {
    const std::lock_guard guard(lock_);
    const std::u16string_view cut = cutName(name, kProfileNameLimit);
    if (cut.empty() || nameTaken(names(), cut)) return false;
    records_.push_back(newRecord(model_->record, cut));
    currentIndex_ = static_cast<int>(records_.size()) - 1;
    return true;
}

int ProfileList::append(ProfileRecord record) {
    const std::lock_guard guard(lock_);
    records_.push_back(std::move(record));
    currentIndex_ = static_cast<int>(records_.size()) - 1;
    return currentIndex_;
}

bool ProfileList::removeCurrent() {
    const std::lock_guard guard(lock_);
    if (records_.size() < 2) return false;
    records_.erase(records_.begin() + currentIndex_);
    currentIndex_ = std::min(currentIndex_, static_cast<int>(records_.size()) - 1);
    return true;
}

bool ProfileList::renameCurrent(std::u16string_view name) {
    const std::lock_guard guard(lock_);
    const std::u16string_view cut = cutName(name, kProfileNameLimit);
    if (cut.empty() || nameTaken(names(), cut)) return false;
    current().setName(cut);
    return true;
}

void ProfileList::restoreCurrent() {
    const std::lock_guard guard(lock_);
    setDefaults(current());
}

void ProfileList::blockSaves(std::string reason) {
    const std::lock_guard guard(lock_);
    savesBlocked_ = std::move(reason);
}

bool ProfileList::select(int index) {
    const std::lock_guard guard(lock_);
    if (index < 0 || index >= static_cast<int>(records_.size())) return false;
    currentIndex_ = index;
    return true;
}

}  // namespace velor
