// A slot's application rules at work: which profile the slot should use as
// applications come to the front. While an application a rule names is in
// front, the rule's profile; else the profile the user had chosen before the
// first switch, which no rule ever overwrites and which is kept on disk
// while a rule's profile is in force, for the next start. Rules follow a
// renamed profile and go with a deleted one.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "store/app_rules.h"

namespace velor {

class ProfileFollower {
  public:
    // Reads the rules file; a damaged one is kept aside and the rules start
    // empty. The reason is given when it was damaged or could not be read
    // (a file that cannot even be copied aside is then never saved over).
    // With the slot's store lock held (`locked`), what cut-off saves left
    // beside the file goes first: no other process can be saving it.
    std::optional<std::string> load(const std::filesystem::path& file, bool locked);
    bool save(std::string* error) const;
    // Reads the user's own profile kept while a rule's was in force (a
    // damaged record is kept aside, or left alone without the lock, and
    // forgotten: the reason is given).
    std::optional<std::string> loadUsersProfile(const std::filesystem::path& file, bool locked);
    // True when the user's own profile changed since it was last kept.
    bool usersProfileChanged() const { return usersChanged_; }
    bool saveUsersProfile(std::string* error);
    // Why the file could not be read, when it could neither be read nor kept
    // aside (and so is never saved over); empty otherwise.
    const std::string& unreadable() const { return unreadable_; }
    AppRules& rules() { return rules_; }
    const AppRules& rules() const { return rules_; }

    // The profile to switch to now that this application settled in front,
    // or nothing when the current one stays. The same application judged
    // again (a burst of focus changes ending where it began, another page's
    // profiles coming up) changes nothing: a profile the user chose while it
    // stayed in front is kept.
    std::optional<std::u16string> onFront(std::string_view windowClass, std::string_view executable,
                                          std::u16string_view current);
    // The user chose a profile (the list, velorctl): it is what the slot goes
    // back to, and no rule's profile is in force any more.
    void onUserChoice() { setUsers(std::nullopt); }
    // True when the rules changed (and are to be saved).
    bool onRename(std::u16string_view from, std::u16string_view to);
    bool onDelete(std::u16string_view profile);

    // The user's own profile while a rule's is in force.
    const std::optional<std::u16string>& usersProfile() const { return users_; }

  private:
    void setUsers(std::optional<std::u16string> profile);

    AppRules rules_;
    std::filesystem::path file_;
    std::filesystem::path usersFile_;
    bool usersChanged_ = false;
    std::string unreadable_;
    std::optional<std::u16string> users_;  // set while a rule's profile is in force
    std::optional<std::pair<std::string, std::string>> judged_;  // class, executable
};

}  // namespace velor
