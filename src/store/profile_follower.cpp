#include "store/profile_follower.h"

#include "platform/file_io.h"
#include "store/damaged_file.h"
#include "store/name_rules.h"
#include "store/users_profile.h"
#include "util/utf8_path.h"

namespace velor {

std::optional<std::string> ProfileFollower::load(const std::filesystem::path& file, bool locked) {
    if (locked) removeCutOffSaves(file);
    file_ = file;
    rules_ = {};
    unreadable_.clear();
    judged_.reset();  // the application in front is judged afresh by the rules read
    auto read = readAppRules(file);
    if (read) {
        rules_ = std::move(*read);
        return std::nullopt;
    }
    std::string why = read.error();
    // Without the stores' lock the file is another program's to mend.
    if (!locked) {
        unreadable_ = why;
        return why + "; it is left as it is";
    }
    std::string error;
    const auto kept = keepDamagedCopy(file, &error);
    if (kept.empty()) {
        unreadable_ = why;  // what could not be kept is never replaced
        return why + "; " + error;
    }
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return why + "; kept as " + utf8FromPath(kept.filename());
}

bool ProfileFollower::save(std::string* error) const {
    if (!unreadable_.empty()) {
        if (error) *error = utf8FromPath(file_) + " could not be read, so it is left as it is";
        return false;
    }
    return saveAppRules(rules_, file_, error);
}

std::optional<std::string> ProfileFollower::loadUsersProfile(const std::filesystem::path& file,
                                                             bool locked) {
    usersFile_ = file;
    usersChanged_ = false;
    auto read = readUsersProfile(file);
    users_ = read ? *read : std::nullopt;
    if (read) return std::nullopt;
    if (!locked) return read.error() + "; it is left as it is";
    std::string error;
    const auto kept = keepDamagedCopy(file, &error);
    if (kept.empty()) return read.error() + "; " + error;
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return read.error() + "; kept as " + utf8FromPath(kept.filename());
}

bool ProfileFollower::saveUsersProfile(std::string* error) {
    if (usersFile_.empty()) return true;
    if (!velor::saveUsersProfile(users_, usersFile_, error)) return false;
    usersChanged_ = false;
    return true;
}

void ProfileFollower::setUsers(std::optional<std::u16string> profile) {
    if (profile == users_) return;
    users_ = std::move(profile);
    usersChanged_ = true;
}

std::optional<std::u16string> ProfileFollower::onFront(std::string_view windowClass,
                                                       std::string_view executable,
                                                       std::u16string_view current) {
    std::pair<std::string, std::string> app{windowClass, executable};
    if (judged_ == app) return std::nullopt;
    judged_ = std::move(app);
    if (const AppRule* rule = rules_.match(windowClass, executable)) {
        if (!users_) setUsers(std::u16string(current));
        if (sameNameIgnoringCase(rule->profile, current)) return std::nullopt;
        return rule->profile;
    }
    if (!users_) return std::nullopt;
    const std::u16string back = *users_;
    setUsers(std::nullopt);
    if (sameNameIgnoringCase(back, current)) return std::nullopt;
    return back;
}

bool ProfileFollower::onRename(std::u16string_view from, std::u16string_view to) {
    if (users_ && sameNameIgnoringCase(*users_, from)) setUsers(std::u16string(to));
    return rules_.renameProfile(from, to);
}

bool ProfileFollower::onDelete(std::u16string_view profile) {
    if (users_ && sameNameIgnoringCase(*users_, profile)) setUsers(std::nullopt);
    return rules_.dropProfile(profile);
}

}  // namespace velor
