// The main window's side of Bluetooth: mice connecting and going to their
// pages, and what keeps a paired mouse away told on the empty page, once.
#include <QLabel>

#include "models/model_descriptor.h"
#include "ui/main_window.h"

namespace velor {

namespace {

// What the Bluetooth watch posts (outside every slot's range): wParam the
// vendor and product ids, lParam whether the mouse is connected; or the
// problem and the product it concerns.
constexpr std::uint32_t kBlePresenceMessage = 0x1412;
constexpr std::uint32_t kBleProblemMessage = 0x1413;

const char* problemText(BleProblem problem) {
    switch (problem) {
        case BleProblem::AdapterOff:
            return "ble_adapter_off_text";
        case BleProblem::NotConnected:
            return "ble_not_connected_text";
        case BleProblem::NoPermission:
            return "ble_no_permission_text";
        case BleProblem::Unsupported:
            return "ble_unsupported_text";
    }
    return "";
}

}  // namespace

void CMainWnd::startBluetooth() {
    if (!services_.bluetooth) return;
    messages_.on(kBlePresenceMessage, [this](std::uintptr_t ids, std::intptr_t connected) {
        const ModelDescriptor* model = descriptorForBle(static_cast<std::uint16_t>(ids >> 16),
                                                        static_cast<std::uint16_t>(ids & 0xFFFF));
        if (model == nullptr) return;
        // The mouse is here: whatever kept it away is over.
        if (connected != 0 && notice_.startsWith("ble_")) showNotice({});
        page(model->slot).onBlePresence(connected != 0);
    });
    messages_.on(kBleProblemMessage, [this](std::uintptr_t problem, std::intptr_t) {
        const auto p = static_cast<int>(problem);
        // Each problem is told once; a mouse arriving takes the notice away.
        if (toldBleProblems_[static_cast<std::size_t>(p)]) return;
        toldBleProblems_[static_cast<std::size_t>(p)] = true;
        services_.debug(std::string("Bluetooth: ") + problemText(static_cast<BleProblem>(p)));
        // Missing access to the USB devices is the more pressing notice.
        if (notice_ != QLatin1String("access_missing_text"))
            showNotice(problemText(static_cast<BleProblem>(p)));
    });
    services_.bluetooth->watch(BluetoothMice::Events{
        [this](std::uint16_t vendor, std::uint16_t product, bool connected) {
            messages_.post(kBlePresenceMessage,
                           static_cast<std::uintptr_t>(vendor) << 16 | product, connected ? 1 : 0);
        },
        [this](BleProblem problem, std::uint16_t product) {
            messages_.post(kBleProblemMessage, static_cast<std::uintptr_t>(problem), product);
        }});
}

}  // namespace velor
