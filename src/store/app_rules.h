// Which profile a slot uses while an application is in front: a list of
// (application, profile) rules kept in "<data>/ms_<n>/app_rules.txt", beside
// the slot's stores and saved as safely. An application is named by its
// window class or its executable's file name, matched without regard to case.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "util/result.h"

namespace velor {

struct ModelDescriptor;

inline constexpr const char* kAppRulesName = "app_rules.txt";

struct AppRule {
    std::string app;  // UTF-8
    std::u16string profile;
    bool operator==(const AppRule&) const = default;
};

// The longest application name a rule takes, in characters: far beyond any
// window class or file name, short enough that velorctl carries it to the
// running program.
inline constexpr std::size_t kMaxAppNameChars = 255;

// The name as a rule keeps it (blanks at either end dropped), or why it can
// name no application.
Result<std::string> applicationName(std::string_view typed);
// The same for a new rule, which also refuses a name holding a control
// character (C0, DEL or C1): no window class or program name has one, so it
// is a slip (a pasted tab or line break) that would never match. A rules
// file written by hand with one still loads.
Result<std::string> newApplicationName(std::string_view typed);

class AppRules {
  public:
    const std::vector<AppRule>& all() const { return rules_; }
    // The profile for an application known by its window class and
    // executable (either may be empty); the first rule that names either wins.
    const AppRule* match(std::string_view windowClass, std::string_view executable) const;
    // One rule per application: adding one for an application that has one
    // replaces its profile. The reason when the application's name is
    // unusable for a new rule (newApplicationName).
    std::optional<std::string> add(std::string app, std::u16string profile);
    // Removes the application's rule (only when it names that profile, if one
    // is given); false when there was none.
    bool remove(std::string_view app, const std::optional<std::u16string>& profile = {});
    // Rules follow a renamed profile and go with a deleted one; true when any changed.
    bool renameProfile(std::u16string_view from, std::u16string_view to);
    bool dropProfile(std::u16string_view profile);

  private:
    friend Result<AppRules> readAppRules(const std::filesystem::path& path);
    void put(std::string app, std::u16string profile);
    void reindex();

    std::vector<AppRule> rules_;
    // Each rule's application, in the case matching ignores, to its place:
    // a file of many rules is read in time linear in its length.
    std::unordered_map<std::string, std::size_t> index_;
};

// A change to a slot's rules made given its profile names (velorctl, the
// rules window), and how it ended: 0, or an exit code (1 store, 2 bad input)
// with a one-line reason; the rules as they are afterwards.
struct RulesOutcome {
    int exitCode = 0;
    std::string reason;
    std::vector<AppRule> rules;
};
using RulesEdit =
    std::function<RulesOutcome(AppRules& rules, const std::vector<std::u16string>& profiles)>;

std::filesystem::path appRulesPath(const ModelDescriptor& model, const std::string& dataFolder);

// The rules in the file; none when there is no file. A file that is not ours
// or is damaged gives the reason (the caller keeps it aside before any save).
Result<AppRules> readAppRules(const std::filesystem::path& path);
// Writes the rules atomically (the folder is made when missing).
bool saveAppRules(const AppRules& rules, const std::filesystem::path& path, std::string* error);

}  // namespace velor
