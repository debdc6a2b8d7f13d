// A slot's application rules at work: which profile the slot should use as
// applications come to the front. While an application a rule names is in
// front, the rule's profile; else the profile the user had chosen before the
// first switch, which no rule ever overwrites. Rules follow a renamed profile
// and go with a deleted one.
#pragma once

#include <optional>
#include <string>

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
    // Why the file could not be read, when it could neither be read nor kept
    // aside (and so is never saved over); empty otherwise.
    const std::string& unreadable() const { return unreadable_; }
    AppRules& rules() { return rules_; }
    const AppRules& rules() const { return rules_; }

    // The profile to switch to now that this application settled in front,
    // or nothing when the current one stays.
    std::optional<std::u16string> onFront(std::string_view windowClass, std::string_view executable,
                                          std::u16string_view current);
    // The user chose a profile (the list, velorctl): it is what the slot goes
    // back to, and no rule's profile is in force any more.
    void onUserChoice() { users_.reset(); }
    // True when the rules changed (and are to be saved).
    bool onRename(std::u16string_view from, std::u16string_view to);
    bool onDelete(std::u16string_view profile);

    // The user's own profile while a rule's is in force.
    const std::optional<std::u16string>& usersProfile() const { return users_; }

  private:
    AppRules rules_;
    std::filesystem::path file_;
    std::string unreadable_;
    std::optional<std::u16string> users_;  // set while a rule's profile is in force
};

}  // namespace velor
