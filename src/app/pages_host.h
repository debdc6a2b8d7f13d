// velorctl's device commands carried out by the running program, on its
// pages: their links, stores and apply engines.
#pragma once

#include "cli/mice_host.h"

namespace velor {

class CMainWnd;

class PagesHost final : public cli::MiceHost {
  public:
    explicit PagesHost(CMainWnd& window) : window_(window) {}

    std::vector<cli::MouseState> devices() override;
    void currentProfile(int slot, Done done) override;
    void applyProfile(int slot, const std::optional<std::filesystem::path>& file,
                      std::optional<int> index, Done done) override;
    void applySetting(int slot, cli::Setting setting, Done done) override;
    void useProfile(int slot, const std::u16string& name, Done done) override;
    void editRules(int slot, const RulesEdit& edit,
                   std::function<void(RulesOutcome)> done) override;

  private:
    CMainWnd& window_;
};

}  // namespace velor
