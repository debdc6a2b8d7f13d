// The settings page of one model slot: binds the page's controls to the
// current profile, runs the profile list operations, owns the device link
// and the apply engine, and shows what the mouse reports. One implementation
// for every slot; everything that differs comes from the model descriptor.
#pragma once

#include <QMenu>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

#include "apply/apply_engine.h"
#include "device/device_link.h"
#include "hid/hid_backend.h"
#include "skin/message_dispatcher.h"
#include "store/macro_store.h"
#include "store/profile_list.h"
#include "ui/device_page.h"

class QAbstractButton;
class QAbstractSlider;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace velor {

class KeyboardLayout;

class CMS_Page final : public DevicePage, public LinkView {
  public:
    struct Services {
        const ModelDescriptor* model = nullptr;
        QString skinFolder;
        std::function<std::string()> dataFolder;
        const KeyboardLayout* keyboard = nullptr;
        Clock* clock = nullptr;  // the link's waits
        DebugSink debug;
        // The slot's feature-device library; null leaves the wired path closed.
        std::function<std::unique_ptr<FeatureDevice>()> openLibrary;
        // Questions and notices (message windows by default).
        std::function<bool(const QString& messageId)> ask;
        std::function<void(const QString& messageId)> tell;
        // A file to import from (save = false) or export to; empty to cancel.
        std::function<QString(bool save)> chooseFile;
    };

    explicit CMS_Page(Services services);
    ~CMS_Page() override;

    void init(PageContext& context) override;
    void load() override;
    bool connected() const override { return link_ && link_->connected(); }
    void onDeviceCode(std::uint32_t code) override;
    void postToWorker(std::uint32_t message, std::uintptr_t, std::intptr_t) override;
    void onMenuItem(const QString& item) override;
    void onTimer(int id) override;
    void refreshTexts() override;
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

    void setReceiver(std::shared_ptr<HidDevice> command, std::shared_ptr<HidDevice> report,
                     bool fourK) override;
    void onReceiverReport(std::uint16_t eventWord, std::uint16_t value, bool sameModel,
                          bool fourK) override;
    void withdrawReceiver(bool fourK) override;

    // For tests and the receiver monitor.
    DeviceLink& link() { return *link_; }
    ProfileList& profiles() { return profiles_; }
    MacroList& macros() { return macros_; }
    ApplyEngine& engine() { return *engine_; }
    QWidget* control(const QString& suffix) const;

  private:
    template <typename T>
    T* find(const QString& suffix) const {
        return qobject_cast<T*>(control(suffix));
    }
    int timer(int k) const { return static_cast<int>(services_.model->timerBase) + k; }

    void refresh();
    void refreshDpiEdits();
    void showLightingRows();
    void refreshCaption(int button);
    QString caption(int button) const;
    void fillProfileList(bool notify);
    void requestApply();
    void editCurrent(const std::function<void(ProfileRecord&)>& change);
    void onClick(const QString& suffix, QWidget* control);
    void onSelect(const QString& suffix);
    void onCheck(const QString& suffix, bool checked);
    void onValue(const QString& suffix, int value);
    void onDpiEdit(int level, const QString& type, QLineEdit* edit);
    void openButtonMenu(int button, QWidget* anchor);
    void openMacroEditor();
    void pickColour(QWidget* button, Field field, std::uint32_t index);
    void addProfile();
    void renameProfile();
    void deleteProfile();
    void importProfile();
    void exportProfile();
    void updateConnected();
    void setWirelessOnline(bool online);
    void saveStore();

    Services services_;
    PageContext* context_ = nullptr;
    QWidget* root_ = nullptr;
    MessageDispatcher fromWorker_;  // the worker's requests, run on the UI thread
    ProfileList profiles_;
    MacroList macros_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<ApplyEngine> engine_;
    std::unique_ptr<QMenu> menu_;
    int menuButton_ = 0;
    int chargingCounter_ = 0;
};

}  // namespace velor
