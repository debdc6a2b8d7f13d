#include "store/profile_list.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "platform/file_io.h"
#include "profile/record_defaults.h"
#include "profile/record_validation.h"
#include "store/name_rules.h"
#include "store/stored_texts.h"
#include "util/le_bytes.h"

namespace velor {

ProfileList::ProfileList(const ModelDescriptor& model) : model_(&model) {}

ProfileList::Entry ProfileList::heldEntry(ProfileRecord record) {
    Entry e;
    e.id = nextId_++;
    e.held = std::make_shared<ProfileRecord>(std::move(record));
    return e;
}

std::u16string ProfileList::nameOf(const Entry& e) const {
    return e.held ? e.held->name().value_or(u"") : e.name;
}

// A profile that lies in the file. The first reading of one the loader only
// named checks it: a damaged one is repaired and kept in memory, its problems
// kept for takeLateProblems(). Should the file fail us, the profile shows its
// defaults, and saves stop, so that they never write those over it.
ProfileRecord ProfileList::readStored(std::size_t i) const {
    Entry& e = entries_[i];
    ProfileRecord read(model_->record);
    if (!file_ || !file_->readAt(e.offset, read.bytes())) {
        if (savesBlocked_.empty())
            savesBlocked_ = "the profile store can no longer be read; restart the program";
        return newRecord(model_->record, e.name);
    }
    if (!e.checked) {
        e.checked = true;
        --unchecked_;
        if (const auto problems = recordProblems(read); !problems.empty()) {
            for (const std::string& p : problems)
                lateProblems_.push_back("profile " + std::to_string(i + 1) + ": " + p);
            repairRecord(read);
            e.held = std::make_shared<ProfileRecord>(read);
        }
    }
    return read;
}

void ProfileList::hold(std::size_t i) const {
    if (entries_[i].held) return;
    ProfileRecord read = readStored(i);
    if (!entries_[i].held) entries_[i].held = std::make_shared<ProfileRecord>(std::move(read));
}

ProfileRecord ProfileList::record(std::size_t i) const {
    const Entry& e = entries_[i];
    return e.held ? *e.held : readStored(i);
}

bool ProfileList::checkStored(std::size_t budget) {
    for (std::size_t seen = 0; unchecked_ > 0 && budget > 0 && seen < entries_.size(); ++seen) {
        if (checkCursor_ >= entries_.size()) checkCursor_ = 0;
        const std::size_t i = checkCursor_++;
        if (entries_[i].checked) continue;
        readStored(i);
        --budget;
    }
    return unchecked_ == 0;
}

void ProfileList::replace(std::size_t i, ProfileRecord record) {
    ++changes_;
    if (Entry& e = entries_[i]; e.held)
        *e.held = std::move(record);  // the current one is edited where it is
    else
        e.held = std::make_shared<ProfileRecord>(std::move(record));
}

int ProfileList::indexOf(std::u16string_view name) const {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (sameNameIgnoringCase(nameOf(entries_[i]), name)) return static_cast<int>(i);
    return -1;
}

std::vector<std::u16string> ProfileList::names() const {
    std::vector<std::u16string> names;
    names.reserve(entries_.size());
    for (const Entry& e : entries_) names.push_back(nameOf(e));
    return names;
}

void ProfileList::reset(std::vector<std::uint8_t> reserved, std::vector<ProfileRecord> records,
                        int index) {
    std::vector<Stored> profiles;
    profiles.reserve(records.size());
    for (ProfileRecord& r : records)
        profiles.push_back({{}, 0, std::make_shared<ProfileRecord>(std::move(r))});
    reset(std::move(reserved), std::move(profiles), index, nullptr);
}

void ProfileList::reset(std::vector<std::uint8_t> reserved, std::vector<Stored> profiles, int index,
                        std::shared_ptr<const ReadOnlyFile> file) {
    const std::lock_guard guard(lock_);
    reserved_ = std::move(reserved);
    reserved_.resize(5 * std::size_t{model_->recordLength()}, 0);
    file_ = std::move(file);
    ++generation_;
    entries_.clear();
    entries_.reserve(profiles.size());
    unchecked_ = 0;
    lateProblems_.clear();
    for (Stored& p : profiles) {
        entries_.push_back(
            {nextId_++, std::move(p.name), p.offset, std::move(p.repaired), p.checked});
        unchecked_ += p.checked ? 0 : 1;
    }
    currentIndex_ =
        entries_.empty() ? 0 : std::clamp(index, 0, static_cast<int>(entries_.size()) - 1);
    if (!entries_.empty()) hold(static_cast<std::size_t>(currentIndex_));
    savedChanges_ = changes_;
}

void ProfileList::addDefaultProfile(const TextLookup& texts) {
    const std::lock_guard guard(lock_);
    ++changes_;
    std::u16string base = storedText(texts, "add_profile_text");
    for (const char c : std::to_string(entries_.size() + 1)) base += static_cast<char16_t>(c);
    const std::u16string name = uniqueName(names(), base, kProfileNameLimit);
    entries_.push_back(heldEntry(newRecord(model_->record, name)));
}

std::size_t ProfileList::capacity() const {
    const std::uintmax_t header = 4 + 5 * std::uintmax_t{model_->recordLength()};
    return static_cast<std::size_t>((kMaxStoreBytes - header) / model_->recordLength());
}

std::string ProfileList::fullReason() const {
    return "the profile list is full: one store holds at most " + std::to_string(capacity()) +
           " profiles; delete one to add another";
}

bool ProfileList::add(std::u16string_view name) {
    const std::lock_guard guard(lock_);
    ++changes_;
    const std::u16string_view cut = cutName(name, kProfileNameLimit);
    if (cut.empty() || full() || nameTaken(names(), cut)) return false;
    entries_.push_back(heldEntry(newRecord(model_->record, cut)));
    currentIndex_ = static_cast<int>(entries_.size()) - 1;
    return true;
}

int ProfileList::append(ProfileRecord record) {
    const std::lock_guard guard(lock_);
    ++changes_;
    if (full()) return -1;
    entries_.push_back(heldEntry(std::move(record)));
    currentIndex_ = static_cast<int>(entries_.size()) - 1;
    return currentIndex_;
}

bool ProfileList::removeCurrent() {
    const std::lock_guard guard(lock_);
    ++changes_;
    if (entries_.size() < 2) return false;
    entries_.erase(entries_.begin() + currentIndex_);
    currentIndex_ = std::min(currentIndex_, static_cast<int>(entries_.size()) - 1);
    hold(static_cast<std::size_t>(currentIndex_));
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
    if (index < 0 || index >= static_cast<int>(entries_.size())) return false;
    changes_ += index != currentIndex_ ? 1 : 0;
    currentIndex_ = index;
    hold(static_cast<std::size_t>(index));
    return true;
}

ProfileList::Snapshot ProfileList::snapshot() const {
    Snapshot s;
    s.header.resize(4 + 5 * std::size_t{model_->recordLength()});
    storeLe32(s.header, 0, static_cast<std::uint32_t>(currentIndex_));
    std::ranges::copy(reserved_, s.header.begin() + 4);
    s.file = file_;
    s.generation = generation_;
    s.changes = changes_;
    s.pieces.reserve(entries_.size());
    for (const Entry& e : entries_) {
        Snapshot::Piece piece{e.id, {}, e.offset};
        if (e.held) piece.bytes.assign(e.held->bytes().begin(), e.held->bytes().end());
        s.pieces.push_back(std::move(piece));
    }
    return s;
}

bool ProfileList::commit(const Snapshot& snapshot, const std::function<bool()>& replace,
                         const std::function<std::shared_ptr<const ReadOnlyFile>()>& reopen,
                         std::shared_ptr<const ReadOnlyFile>& letGo) {
    if (snapshot.generation != generation_) return replace();
    if (kOpenFilesBlockReplace) file_.reset();
    const bool replaced = replace();
    if (auto opened = reopen()) {
        letGo = std::exchange(file_, std::move(opened));
        if (replaced) rebase(snapshot);
    }
    if (replaced) savedChanges_ = std::max(savedChanges_, snapshot.changes);
    return replaced;
}

void ProfileList::rebase(const Snapshot& snapshot) {
    const std::uint64_t header = snapshot.header.size();
    const std::uint64_t length = model_->recordLength();
    // Profiles mostly stay where they were: each is looked for at its own
    // place first, and through a map only when the list moved since.
    std::unordered_map<std::uint64_t, std::size_t> position;
    const auto pieceOf = [&](std::size_t i, std::uint64_t id) -> std::optional<std::size_t> {
        if (i < snapshot.pieces.size() && snapshot.pieces[i].entry == id) return i;
        if (position.empty())
            for (std::size_t p = 0; p < snapshot.pieces.size(); ++p)
                position.emplace(snapshot.pieces[p].entry, p);
        const auto found = position.find(id);
        if (found == position.end()) return std::nullopt;
        return found->second;
    };
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Entry& e = entries_[i];
        const auto found = pieceOf(i, e.id);
        if (!found) continue;  // added since: in memory
        const Snapshot::Piece& piece = snapshot.pieces[*found];
        if (e.held && !std::ranges::equal(e.held->bytes(), piece.bytes))
            continue;  // changed since: kept until the next save
        e.offset = header + *found * length;
        if (static_cast<int>(i) != currentIndex_ && e.held) {
            e.name = nameOf(e);
            e.held.reset();
        }
    }
}

}  // namespace velor
