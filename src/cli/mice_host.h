// What the device commands of velorctl need from wherever they run: the
// running program (its pages, links and stores) or velorctl on its own.
// Answers may come later (the program applies on its worker threads), always
// through the callback, once.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "profile/profile_record.h"
#include "store/app_rules.h"

namespace velor::cli {

struct MouseState {
    int slot = 0;
    std::vector<std::string> links;  // "wired", "24g", "4k", "ble"
    std::optional<int> battery;      // percent, once the mouse said
    bool charging = false;
};

struct ProfileRef {
    int index = 0;
    std::string name;
    std::optional<ProfileRecord> record;  // its settings, where the host has them
};

// How a command ended: 0, or 1 (device or store) or 2 (bad input) with a
// one-line reason.
struct Outcome {
    int exitCode = 0;
    std::string reason;
    std::optional<ProfileRef> profile;  // the profile now current, when known
};

// One setting of the current profile.
struct Setting {
    enum class Kind { DpiLevel, PollingHz };
    Kind kind;
    int value;  // the level 1..8, or the rate in Hz
};

class MiceHost {
  public:
    using Done = std::function<void(Outcome)>;

    virtual ~MiceHost() = default;
    virtual std::vector<MouseState> devices() = 0;
    // The current profile of a connected mouse's slot.
    virtual void currentProfile(int slot, Done done) = 0;
    // Makes a profile current and sends it whole: a file imported first as a
    // new profile, or a stored one by index.
    virtual void applyProfile(int slot, const std::optional<std::filesystem::path>& file,
                              std::optional<int> index, Done done) = 0;
    // Changes one setting of the current profile, applies and stores it.
    virtual void applySetting(int slot, Setting setting, Done done) = 0;
    // Makes the stored profile of that name current (the user's choice, which
    // application rules go back to) and sends it whole.
    virtual void useProfile(int slot, const std::u16string& name, Done done) = 0;

    // Changes a slot's application rules: stored when edit changed them,
    // answered with the rules as they then are. A refusal is edit's outcome.
    // No mouse is needed.
    virtual void editRules(int slot, const RulesEdit& edit,
                           std::function<void(RulesOutcome)> done) = 0;
};

// The device commands (devices, status, apply, set) run against a host; the
// answer comes through done. False when args name no device command.
bool runDeviceCommand(const std::vector<std::string>& args, MiceHost& host,
                      std::function<void(int exitCode, std::string out, std::string err)> done);

// Makes the file paths of a device command line whole against the folder
// velorctl runs in, before the command travels to the running program (or
// is carried out here): hosts take only full paths.
void resolveFilesHere(std::vector<std::string>& args);

// The reason a command about an absent mouse gives.
std::string noMouseConnected(int slot);

// The polling-rate index a slot offers for a rate in Hz, and the field it goes
// to; nothing when the slot has no such rate.
struct PollingChoice {
    bool highRateField;  // the second setting of the slots that have two
    int index;
};
std::optional<PollingChoice> pollingChoice(int slot, int hz);

}  // namespace velor::cli
