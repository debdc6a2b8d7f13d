#include "hid/windows/windows_hid_backend.h"

// windows.h first: the device headers build on its types.
#include <windows.h>

// mingw-w64 declares the HID class functions without C linkage.
extern "C" {
#include <hidsdi.h>
}
#include <setupapi.h>

#include <optional>
#include <vector>

#include "hid/windows/device_path.h"
#include "hid/windows/win_handle.h"
#include "hid/windows/windows_change_watch.h"
#include "hid/windows/windows_hid_device.h"

namespace velor {

namespace {

constexpr std::uint16_t kOurVendor = 0x1D57;
constexpr ULONG kInputBuffers = 64;

struct Collection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    ReportLengths lengths;
};

std::optional<Collection> describeCollection(HANDLE handle) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!HidD_GetPreparsedData(handle, &preparsed)) return std::nullopt;
    HIDP_CAPS caps{};
    const NTSTATUS status = HidP_GetCaps(preparsed, &caps);
    HidD_FreePreparsedData(preparsed);
    if (status != HIDP_STATUS_SUCCESS) return std::nullopt;
    return Collection{
        caps.UsagePage,
        caps.Usage,
        {caps.InputReportByteLength, caps.OutputReportByteLength, caps.FeatureReportByteLength}};
}

// Every present interface of the HID class, by path.
std::vector<std::wstring> presentHidInterfaces() {
    GUID hidClass;
    HidD_GetHidGuid(&hidClass);
    HDEVINFO set =
        SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return {};
    std::vector<std::wstring> paths;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(interfaceData);
    for (DWORD index = 0;
         SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, index, &interfaceData); ++index) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
        // The detail is a header followed by the path: allocate it as such,
        // aligned for the header.
        std::vector<DWORD> storage((size + sizeof(DWORD) - 1) / sizeof(DWORD));
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, size, nullptr, nullptr))
            paths.emplace_back(detail->DevicePath);
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

class WindowsHidBackend final : public HidBackend {
  public:
    // An interface is asked through a handle with no access rights: that
    // works for every collection, the system's own included, and disturbs no
    // other program's use of it.
    std::vector<HidDeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override {
        std::vector<HidDeviceInfo> found;
        for (const std::wstring& path : presentHidInterfaces()) {
            const UniqueHandle handle = openHidInterface(path, 0);
            if (!handle.valid()) continue;
            HIDD_ATTRIBUTES attributes{};
            attributes.Size = sizeof(attributes);
            if (!HidD_GetAttributes(handle.get(), &attributes)) continue;
            if ((vendorId != 0 && attributes.VendorID != vendorId) ||
                (productId != 0 && attributes.ProductID != productId))
                continue;
            const Collection collection = describeCollection(handle.get()).value_or(Collection{});
            const std::string narrowPath = narrowText(path);
            found.push_back({narrowPath, attributes.VendorID, attributes.ProductID,
                             collection.usagePage, collection.usage,
                             interfaceNumberFromPath(narrowPath)});
        }
        return found;
    }

    std::unique_ptr<HidDevice> open(const std::string& path) override {
        const std::wstring widePath = wideText(path);
        UniqueHandle handle = openHidInterface(widePath, GENERIC_READ | GENERIC_WRITE);
        // Collections the system keeps for itself refuse reading and writing
        // but still take feature reports.
        if (!handle.valid()) handle = openHidInterface(widePath, 0);
        if (!handle.valid()) return nullptr;
        const std::optional<Collection> collection = describeCollection(handle.get());
        if (!collection) return nullptr;
        // Room for a burst of reports while the reader is busy handing one
        // over (Windows keeps 32 by default and drops the oldest beyond).
        HidD_SetNumInputBuffers(handle.get(), kInputBuffers);
        return makeWindowsHidDevice(std::move(handle), collection->lengths);
    }

    bool accessible(const std::string& path) override {
        const std::wstring widePath = wideText(path);
        if (openHidInterface(widePath, GENERIC_READ | GENERIC_WRITE).valid()) return true;
        const bool denied = GetLastError() == ERROR_ACCESS_DENIED;
        const UniqueHandle bare = openHidInterface(widePath, 0);
        // Gone meanwhile: nothing this user could be told to change.
        if (!bare.valid()) return true;
        const std::optional<Collection> collection = describeCollection(bare.get());
        if (collection && systemOwnsCollection(collection->usagePage, collection->usage))
            return true;
        return !denied;
    }

    std::unique_ptr<HidChangeWatch> watchChanges() override {
        return watchHidInterfaceChanges(kOurVendor);
    }
};

}  // namespace

std::unique_ptr<HidBackend> makeWindowsHidBackend() {
    return std::make_unique<WindowsHidBackend>();
}

}  // namespace velor
