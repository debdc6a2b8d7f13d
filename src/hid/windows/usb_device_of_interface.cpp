#include "hid/windows/usb_device_of_interface.h"

// windows.h first: the device headers build on its types.
#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include "hid/windows/device_path.h"
#include "hid/windows/win_handle.h"

namespace velor {

namespace {

// Collection, USB interface, USB device, hub: the device is found within a
// few steps up, so a tree that never gets there is not followed far.
constexpr int kMostSteps = 4;

DEVINST deviceNodeOfInterface(const std::wstring& path) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) return 0;
    DEVINST node = 0;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(interfaceData);
    SP_DEVINFO_DATA deviceData{};
    deviceData.cbSize = sizeof(deviceData);
    if (SetupDiOpenDeviceInterfaceW(set, path.c_str(), 0, &interfaceData) &&
        (SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, nullptr, &deviceData) ||
         GetLastError() == ERROR_INSUFFICIENT_BUFFER))
        node = deviceData.DevInst;
    SetupDiDestroyDeviceInfoList(set);
    return node;
}

std::string instanceIdOf(DEVINST node) {
    wchar_t id[MAX_DEVICE_ID_LEN + 1]{};
    if (CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return {};
    return narrowText(id);
}

}  // namespace

std::string usbDeviceOfHidInterface(const std::string& path) {
    DEVINST node = deviceNodeOfInterface(wideText(path));
    for (int step = 0; node != 0 && step < kMostSteps; ++step) {
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return {};
        const std::string id = instanceIdOf(parent);
        if (namesUsbDevice(id)) return id;
        node = parent;
    }
    return {};
}

}  // namespace velor
