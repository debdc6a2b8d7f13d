// A page's application rules: loaded with its stores, kept in step with the
// profile list (a rename or delete), and followed when an application comes
// to the front, through the page's apply path (only what differs is sent).
#pragma once

#include "store/profile_follower.h"
#include "ui/page/page_env.h"

namespace velor {

class PageRules {
  public:
    explicit PageRules(PageEnv& env) : env_(env) {}

    // With the stores: a damaged rules file is kept aside and told once.
    void load();
    // Switches to what the rules say for this front application; true when
    // the current profile changed.
    bool follow(std::string_view windowClass, std::string_view executable);

    // The profile list's changes the rules follow.
    void onUserChoice();
    void onRenamed(std::u16string_view from, std::u16string_view to);
    void onDeleted(std::u16string_view profile);

    // velorctl's rule commands and the rules window.
    RulesOutcome edit(const RulesEdit& change);
    const AppRules& rules() const { return follower_.rules(); }

  private:
    // The reason when the rules could not be stored (told once, too).
    std::string save();
    // The user's own profile on disk as the follower has it now.
    void keepUsersProfile();
    bool savesBlocked() const;
    void tellNotSaved(const std::string& error);

    PageEnv& env_;
    ProfileFollower follower_;
    bool saveFailureTold_ = false;
    bool unsaved_ = false;  // the last save failed
};

}  // namespace velor
