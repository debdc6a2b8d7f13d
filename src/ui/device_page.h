// One model slot's page in the main window, as the main window sees it: it is
// registered under its slot name, receives its library codes, apply requests,
// menu items, timers and notifications, and says whether its mouse is here.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hid/hid_backend.h"
#include "platform/hook_table.h"
#include "skin/notification.h"

namespace velor {

class LanguageTexts;
class MessagePoster;
class SkinWindow;
class TimerHost;

// What a page gets from the main window at initialisation; the window keeps
// it for as long as the pages live.
struct PageContext {
    MessagePoster& mainWindow;  // posts 1290, B + 5 and its own messages
    TimerHost& timers;          // its timers T .. T + 15 on the main window
    const HookTable* hooks;
    LanguageTexts& texts;
    SkinWindow& skin;  // the main window's skin, for the page's controls
    QWidget* window;   // owner of the page's dialogs and menus
};

class DevicePage : public NotifyReceiver {
  public:
    explicit DevicePage(int slot) : slot_(slot) {}
    ~DevicePage() override = default;

    int slot() const { return slot_; }
    QString pageName() const { return QStringLiteral("MS_%1_Page").arg(slot_); }
    QString controlPrefix() const { return QStringLiteral("ms_%1_").arg(slot_); }

    // Finds its controls and opens its device link.
    virtual void init(PageContext&) {}
    // Reads its stores (once) and shows the current profile: when its mouse
    // comes up, else once the window has painted.
    virtual void load() {}
    // Builds its controls from its skin, once; the main window asks when the
    // slot's mouse first shows up, so pages of absent mice cost nothing.
    virtual void build() {}
    // A mouse of this slot is reachable (cable, receiver or Bluetooth).
    virtual bool connected() const { return false; }
    virtual void onDeviceCode(std::uint32_t) {}
    // The apply request re-posted to the page's worker as thread message B.
    virtual void postToWorker(std::uint32_t, std::uintptr_t, std::intptr_t) {}
    virtual void onMenuItem(const QString&) {}
    virtual void onTimer(int) {}
    // Texts the page composes itself, after a language change.
    virtual void refreshTexts() {}
    // The main window went out of sight or came back: animations rest meanwhile.
    virtual void setWindowShown(bool) {}
    // The window has painted for the first time: work put off until then starts.
    virtual void windowPainted() {}
    // The program is ending: what is not stored yet is written now, before
    // anything is torn down.
    virtual void storeNow() {}
    // A wireless receiver found serving this slot, its reports, its removal.
    virtual void setReceiver(std::shared_ptr<HidDevice>, std::shared_ptr<HidDevice>, bool) {}
    virtual void onReceiverReport(std::uint16_t, std::uint16_t, bool, bool) {}
    virtual void withdrawReceiver(bool) {}
    // The slot's Bluetooth mouse connected or went; one of its notifications.
    virtual void onBlePresence(bool) {}
    virtual void onBleStatus(std::uint16_t, std::uint16_t) {}
    // The application now in front, for the slot's application rules; true
    // when the page switched its profile.
    virtual bool followFront(std::string_view /*windowClass*/, std::string_view /*executable*/) {
        return false;
    }
    // What the tray shows of a connected mouse with its profiles loaded.
    struct TrayView {
        std::optional<int> battery;
        bool charging = false;
        std::u16string currentName;
        std::vector<std::u16string> profiles;  // only for the menu
        int current = 0;
    };
    virtual std::optional<TrayView> trayView(bool withProfiles) const {
        (void)withProfiles;
        return std::nullopt;
    }
    // The user chose a profile outside the page (the tray): made current and sent.
    virtual void chooseProfile(std::u16string_view) {}
    void notify(const Notification&) override {}

  private:
    int slot_;
};

}  // namespace velor
