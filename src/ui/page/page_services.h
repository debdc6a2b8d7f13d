// What a device page is given from outside: its model, where its files are,
// the keyboard layout, the clock of its link, its library, and how it asks,
// tells and picks files (message windows and file dialogs unless a test says
// otherwise).
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "device/ble_gatt_link.h"
#include "device/feature_device.h"
#include "models/model_descriptor.h"
#include "platform/front_application.h"
#include "util/clock.h"
#include "util/debug_sink.h"

namespace velor {

class KeyboardLayout;

struct PageServices {
    const ModelDescriptor* model = nullptr;
    QString skinFolder;
    std::function<std::string()> dataFolder;
    const KeyboardLayout* keyboard = nullptr;
    Clock* clock = nullptr;  // the link's waits
    DebugSink debug;
    // The slot's feature-device library; null leaves the wired path closed.
    std::function<std::unique_ptr<FeatureDevice>()> openLibrary;
    // The slot's Bluetooth link (slots with Bluetooth), and whether its mouse
    // is among the HID devices at page start; none leaves Bluetooth down.
    std::function<std::unique_ptr<BleGattLink>()> openBle;
    std::function<bool()> blePresent;
    // Questions and notices (message windows by default); a notice may carry
    // a detail (which file, what went wrong) in its text's %1, or under it.
    std::function<bool(const QString& messageId)> ask;
    std::function<void(const QString& messageId, const QString& detail)> tell;
    // A notice that stays up while the page waits (for its stores' lock); an
    // empty id takes it down.
    std::function<void(const QString& messageId, const QString& detail)> showWaiting;
    // A file to import from (save = false) or export to; empty to cancel.
    std::function<QString(bool save)> chooseFile;
    // The applications with a window open, for the rules window, and why
    // profiles cannot follow the application in front here (empty when they can).
    std::function<std::vector<FrontApplication>()> runningApplications;
    std::function<std::string()> frontUnavailable;
    // Runs the rules window of a profile (the real window unless a test says otherwise).
    std::function<void(const std::u16string& profile)> editAppRules;
};

}  // namespace velor
