// The device commands without the program: velorctl finds the mice itself
// (cable, 2.4 GHz and 4K receivers; Bluetooth only through the program),
// works on the slot's stores under their lock, and sends through the same
// device link and apply engine the window uses.
#pragma once

#include <memory>
#include <string>

#include "cli/mice_host.h"
#include "hid/hid_backend.h"
#include "store/macro_store.h"
#include "store/profile_list.h"
#include "util/clock.h"
#include "util/debug_sink.h"

namespace velor::cli {

class StandaloneHost final : public MiceHost {
  public:
    struct Setup {
        HidBackend& hid;
        std::string dataFolder;  // ends with a separator
        Clock& clock;            // the link's pacing
        int listenMs;            // how long a receiver is listened to for its mouse
        DebugSink debug;
    };
    explicit StandaloneHost(Setup setup);
    ~StandaloneHost() override;

    std::vector<MouseState> devices() override;
    void currentProfile(int slot, Done done) override;
    void applyProfile(int slot, const std::optional<std::filesystem::path>& file,
                      std::optional<int> index, Done done) override;
    void applySetting(int slot, Setting setting, Done done) override;
    void useProfile(int slot, const std::u16string& name, Done done) override;
    void editRules(int slot, const RulesEdit& edit,
                   std::function<void(RulesOutcome)> done) override;

    struct Found;

  private:
    // What a command changes in the loaded stores; a refusal ends it.
    using Change = std::function<std::optional<Outcome>(ProfileList&, MacroList&)>;
    void scan();
    Outcome upload(int slot, bool whole, const Change& change);
    std::optional<Outcome> chosenByHand(int slot);

    Setup s_;
    std::vector<std::unique_ptr<Found>> found_;
    bool scanned_ = false;
};

}  // namespace velor::cli
