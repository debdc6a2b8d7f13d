// The settings page of one model slot: a shell that owns the device link, the
// apply engine, the profiles and macros, and hands each control to the section
// that owns it. One implementation for every slot; everything that differs
// comes from the model descriptor. Its controls are built from the skin when
// its mouse first shows up, not before.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "apply/apply_engine.h"
#include "device/device_link.h"
#include "protocol/status_report.h"
#include "skin/message_dispatcher.h"
#include "store/app_rules.h"
#include "store/macro_store.h"
#include "store/profile_list.h"
#include "ui/device_page.h"
#include "ui/page/control_index.h"
#include "ui/page/page_env.h"
#include "ui/page/page_services.h"

namespace velor {

class ButtonSection;
class DpiSection;
class LightingSection;
class NoticeBoard;
class PageRules;
class PageSection;
class PollingSection;
class PowerSection;
class ProfileSection;
class SectionToggles;
class StatusSection;
class StoreKeeper;

class CMS_Page final : public DevicePage, public LinkView {
  public:
    using Services = PageServices;

    explicit CMS_Page(Services services);
    ~CMS_Page() override;

    void init(PageContext& context) override;
    void build() override;
    void load() override;
    bool connected() const override { return link_ && link_->connected(); }
    void onDeviceCode(std::uint32_t code) override;
    void postToWorker(std::uint32_t message, std::uintptr_t, std::intptr_t) override;
    void onMenuItem(const QString& item) override;
    void onTimer(int id) override;
    void refreshTexts() override;
    void setWindowShown(bool shown) override;
    void windowPainted() override;
    void storeNow() override;
    void notify(const Notification& n) override;

    // LinkView: what the device link shows.
    void showWiredIcon(bool shown) override;
    void showSleepLabel(bool shown) override;
    void showChargingText() override;
    void clearPowerLabel() override;
    void startChargingAnimation(bool resetCounter) override;
    void stopChargingAnimation() override;
    void showFeatureSections() override;
    void onStatusReport(std::uint16_t eventWord, std::uint16_t value) override;
    void onLinkUp() override;
    void linksChanged() override;
    // A status report the 4K receiver handed over.
    void on4kStatus(std::uint16_t eventWord, std::uint16_t value);

    void setReceiver(std::shared_ptr<HidDevice> command, std::shared_ptr<HidDevice> report,
                     bool fourK) override;
    void onReceiverReport(std::uint16_t eventWord, std::uint16_t value, bool sameModel,
                          bool fourK) override;
    void withdrawReceiver(bool fourK) override;
    void onBlePresence(bool connected) override;
    void onBleStatus(std::uint16_t eventWord, std::uint16_t value) override;
    // LinkView: a Bluetooth status report of this slot's model.
    void onBleReport(std::uint16_t eventWord, std::uint16_t value) override;
    void showBleIcon(bool shown) override;

    // What velorctl asks through the running program (ms_page_outside.cpp).
    struct OutsideState {
        bool wired, wireless, wireless4k, ble;
        std::optional<int> battery;
        bool charging;
    };
    OutsideState outsideState() const;
    // A profile file imported as the window imports it, all or nothing; when
    // refused, why, and whether for a store that could not be written (else
    // for the file).
    struct ImportRefusal {
        bool notStored;
        std::string reason;
    };
    std::optional<ImportRefusal> importForOutside(const std::filesystem::path& file);
    bool selectForOutside(int index);
    void setForOutside(Field field, int value);
    // Sends the current profile (whole, or what changed) and calls done once
    // the worker is through: taken when the mouse took every report, and why
    // the profiles could not be stored (empty when they were).
    void applyForOutside(bool whole,
                         std::function<void(bool taken, const std::string& notStored)> done);
    // The profiles are loaded (they wait while another program holds them).
    bool storesLoaded() const;
    // While they wait: who holds them.
    std::string storesAwaited() const;
    // The stored profile of that name made current as the user's choice.
    bool useProfileForOutside(std::u16string_view name);
    RulesOutcome editRulesForOutside(const RulesEdit& edit);

    // Application rules: what this application in front asks of the slot
    // (ms_page_outside.cpp); true when the current profile changed.
    bool followFront(std::string_view windowClass, std::string_view executable) override;
    const AppRules& appRules() const;
    // The rules window of a profile (ms_page_outside.cpp).
    void runAppRules(const std::u16string& profile);
    std::optional<TrayView> trayView(bool withProfiles) const override;
    void chooseProfile(std::u16string_view name) override;

    // For tests and the receiver monitor.
    bool built() const { return root_ != nullptr; }
    DeviceLink& link() { return *link_; }
    ProfileList& profiles() { return profiles_; }
    MacroList& macros() { return macros_; }
    ApplyEngine& engine() { return *engine_; }
    QWidget* control(const QString& suffix) const { return controls_.get(suffix); }

  private:
    void refresh();
    void handleStatus(std::uint16_t eventWord, std::uint16_t value, Receiver via);
    // A field the mouse changed itself: shown, not sent back, and stored.
    void takeOver(Field field, bool changed);
    void saveReported();
    void useDefaultDialogs();
    void onStoresLoaded(bool waited);

    Services services_;
    PageContext* context_ = nullptr;
    std::unique_ptr<NoticeBoard> notices_;  // the default notices, made when first told
    QWidget* root_ = nullptr;
    bool skinDamageTold_ = false;
    bool storesStarted_ = false;
    // Values the mouse reported are stored at most once a second.
    std::optional<Millis> lastReportedSave_;
    bool reportedSaveDue_ = false;
    ControlIndex controls_;
    MessageDispatcher fromWorker_;  // the worker's requests, run on the UI thread
    ProfileList profiles_;
    MacroList macros_;
    std::unique_ptr<BleGattLink> ble_;  // before the link, which uses it
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<ApplyEngine> engine_;
    std::unique_ptr<PageEnv> env_;
    std::unique_ptr<StoreKeeper> store_;
    std::unique_ptr<PageRules> rules_;  // holds the stores' lock while the page lives

    std::unique_ptr<ProfileSection> profileSection_;
    std::unique_ptr<ButtonSection> buttons_;
    std::unique_ptr<DpiSection> dpi_;
    std::unique_ptr<LightingSection> lighting_;
    std::unique_ptr<PollingSection> polling_;
    std::unique_ptr<PowerSection> power_;
    std::unique_ptr<StatusSection> status_;
    std::unique_ptr<SectionToggles> toggles_;
    std::vector<PageSection*> sections_;  // all of the above, in notification order
};

}  // namespace velor
