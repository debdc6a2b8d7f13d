#include "ui/page/page_rules.h"

#include <utility>

#include "store/app_rules_edit.h"
#include "store/users_profile.h"
#include "util/utf16.h"
#include "util/utf8_path.h"

namespace velor {

void PageRules::load() {
    const auto path = appRulesPath(env_.model, env_.services.dataFolder());
    bool locked = false;
    {
        const std::lock_guard guard(env_.profiles.lock());
        locked = env_.profiles.savesBlocked().empty();
    }
    if (const auto why = follower_.load(path, locked))
        env_.services.tell("rules_damaged_text", QString::fromStdString(*why));
    const auto users = usersProfilePath(env_.model, env_.services.dataFolder());
    if (const auto why = follower_.loadUsersProfile(users, locked))
        env_.services.tell("users_profile_damaged_text", QString::fromStdString(*why));
}

bool PageRules::follow(std::string_view windowClass, std::string_view executable) {
    const std::u16string current = env_.current().name().value_or(u"");
    const auto target = follower_.onFront(windowClass, executable, current);
    // Kept before the switch is stored: a program ended in between still
    // knows the user's own profile.
    keepUsersProfile();
    if (!target) return false;
    int index = -1;
    {
        const std::lock_guard guard(env_.profiles.lock());
        index = env_.profiles.indexOf(*target);
    }
    if (!env_.profiles.select(index)) return false;
    env_.refreshPage();
    env_.requestApply();
    return true;
}

void PageRules::onUserChoice() {
    follower_.onUserChoice();
    keepUsersProfile();
}

void PageRules::onRenamed(std::u16string_view from, std::u16string_view to) {
    if (follower_.onRename(from, to)) save();
    keepUsersProfile();
}

void PageRules::onDeleted(std::u16string_view profile) {
    if (follower_.onDelete(profile)) save();
    keepUsersProfile();
}

void PageRules::keepUsersProfile() {
    // Without the stores' lock nothing is written; it is kept at the next change.
    if (!follower_.usersProfileChanged() || savesBlocked()) return;
    std::string error;
    if (!follower_.saveUsersProfile(&error)) tellNotSaved(error);
}

bool PageRules::savesBlocked() const {
    const std::lock_guard guard(env_.profiles.lock());
    return !env_.profiles.savesBlocked().empty();
}

void PageRules::tellNotSaved(const std::string& error) {
    if (!std::exchange(saveFailureTold_, true))
        env_.services.tell("rules_not_saved_text", QString::fromStdString(error));
}

RulesOutcome PageRules::edit(const RulesEdit& change) {
    // Listed as empty, the rules would seem gone; changed, they could not be kept.
    if (!follower_.unreadable().empty()) return rulesUnreadable(follower_.unreadable());
    std::vector<std::u16string> names;
    {
        const std::lock_guard guard(env_.profiles.lock());
        names = env_.profiles.names();
    }
    const std::vector<AppRule> before = follower_.rules().all();
    const RulesOutcome outcome = change(follower_.rules(), names);
    if (outcome.exitCode != 0) return {outcome.exitCode, outcome.reason, before};
    // Rules a failed save left unstored (in effect all the same) go with any
    // later edit: done is said only of what the disk holds.
    if (follower_.rules().all() != before || unsaved_)
        if (std::string error = save(); !error.empty()) return {1, error, before};
    return {0, {}, follower_.rules().all()};
}

std::string PageRules::save() {
    std::string error;
    {
        // Stores loaded without their lock are never written, the rules
        // neither; the user has been told why when they were loaded.
        const std::lock_guard guard(env_.profiles.lock());
        if (!env_.profiles.savesBlocked().empty()) {
            unsaved_ = true;
            return utf8FromPath(appRulesPath(env_.model, env_.services.dataFolder())) +
                   " is not replaced: " + env_.profiles.savesBlocked();
        }
    }
    unsaved_ = !follower_.save(&error);
    if (!unsaved_) {
        saveFailureTold_ = false;
        return {};
    }
    tellNotSaved(error);
    return error;
}

}  // namespace velor
