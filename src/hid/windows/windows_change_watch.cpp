#include "hid/windows/windows_change_watch.h"

// windows.h first: the device headers build on its types.
#include <windows.h>

#include <cfgmgr32.h>
#include <dbt.h>
// mingw-w64 declares the HID class functions without C linkage.
extern "C" {
#include <hidsdi.h>
}

#include <future>
#include <thread>

#include "hid/windows/change_events.h"

namespace velor {

namespace {

GUID hidInterfaceClass() {
    GUID guid;
    HidD_GetHidGuid(&guid);
    return guid;
}

// cfgmgr32 has CM_Register_Notification from Windows 8 on; older systems and
// some compatibility layers lack it, so it is looked up, not linked.
using RegisterNotification = CONFIGRET(WINAPI*)(PCM_NOTIFY_FILTER, PVOID, PCM_NOTIFY_CALLBACK,
                                                PHCMNOTIFICATION);
using UnregisterNotification = CONFIGRET(WINAPI*)(HCMNOTIFICATION);

template <typename Function>
Function cfgmgrEntry(const char* name) {
    HMODULE cfgmgr = GetModuleHandleW(L"cfgmgr32.dll");
    if (cfgmgr == nullptr) cfgmgr = LoadLibraryW(L"cfgmgr32.dll");
    if (cfgmgr == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(cfgmgr, name)));
}

class CmNotificationWatch final : public ChangeEvents {
  public:
    using ChangeEvents::ChangeEvents;
    // Unregistering waits for a callback that runs, so none can reach a
    // destroyed watch.
    ~CmNotificationWatch() override {
        if (registration_ != nullptr) unregister_(registration_);
    }

    bool start() {
        const auto registerNotification =
            cfgmgrEntry<RegisterNotification>("CM_Register_Notification");
        unregister_ = cfgmgrEntry<UnregisterNotification>("CM_Unregister_Notification");
        if (!ready() || registerNotification == nullptr || unregister_ == nullptr) return false;
        CM_NOTIFY_FILTER filter{};
        filter.cbSize = sizeof(filter);
        filter.FilterType = CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE;
        filter.u.DeviceInterface.ClassGuid = hidInterfaceClass();
        if (registerNotification(&filter, this, &CmNotificationWatch::onNotification,
                                 &registration_) != CR_SUCCESS) {
            registration_ = nullptr;
            return false;
        }
        return true;
    }

  private:
    static DWORD CALLBACK onNotification(HCMNOTIFICATION, PVOID context, CM_NOTIFY_ACTION action,
                                         PCM_NOTIFY_EVENT_DATA data, DWORD) {
        if ((action == CM_NOTIFY_ACTION_DEVICEINTERFACEARRIVAL ||
             action == CM_NOTIFY_ACTION_DEVICEINTERFACEREMOVAL) &&
            data != nullptr)
            static_cast<CmNotificationWatch*>(context)->notice(
                data->u.DeviceInterface.SymbolicLink);
        return ERROR_SUCCESS;
    }

    UnregisterNotification unregister_ = nullptr;
    HCMNOTIFICATION registration_ = nullptr;
};

// A window needs a thread that pumps its messages: this watch keeps one,
// asleep in GetMessage until the system or the destructor writes.
class WindowWatch final : public ChangeEvents {
  public:
    using ChangeEvents::ChangeEvents;
    ~WindowWatch() override {
        if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (pump_.joinable()) pump_.join();
    }

    bool start() {
        if (!ready()) return false;
        std::promise<HWND> created;
        std::future<HWND> window = created.get_future();
        pump_ = std::thread([this, &created] { pumpMessages(created); });
        window_ = window.get();
        return window_ != nullptr;
    }

  private:
    void pumpMessages(std::promise<HWND>& created) {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &WindowWatch::windowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kChangeWindowClass;
        // A second watch finds the class registered by the first.
        if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            created.set_value(nullptr);
            return;
        }
        HWND window = CreateWindowExW(0, kChangeWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, instance, nullptr);
        if (window == nullptr) {
            created.set_value(nullptr);
            return;
        }
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = hidInterfaceClass();
        HDEVNOTIFY registration =
            RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (registration == nullptr) {
            DestroyWindow(window);
            created.set_value(nullptr);
            return;
        }
        created.set_value(window);  // `created` is gone from here on
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
        UnregisterDeviceNotification(registration);
    }

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* watch = reinterpret_cast<WindowWatch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
            case WM_DEVICECHANGE: {
                const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
                if (watch != nullptr && header != nullptr &&
                    (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) &&
                    header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE)
                    watch->notice(reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header)
                                      ->dbcc_name);
                return TRUE;
            }
            case WM_CLOSE:
                DestroyWindow(window);
                return 0;
            case WM_DESTROY:
                PostQuitMessage(0);
                return 0;
            default:
                return DefWindowProcW(window, message, wParam, lParam);
        }
    }

    std::thread pump_;
    HWND window_ = nullptr;
};

template <typename Watch>
std::unique_ptr<HidChangeWatch> started(std::uint16_t vendorId) {
    auto watch = std::make_unique<Watch>(vendorId);
    if (!watch->start()) return nullptr;
    return watch;
}

}  // namespace

std::unique_ptr<HidChangeWatch> watchThroughCmNotification(std::uint16_t vendorId) {
    return started<CmNotificationWatch>(vendorId);
}

std::unique_ptr<HidChangeWatch> watchThroughWindow(std::uint16_t vendorId) {
    return started<WindowWatch>(vendorId);
}

std::unique_ptr<HidChangeWatch> watchHidInterfaceChanges(std::uint16_t vendorId) {
    if (auto watch = watchThroughCmNotification(vendorId)) return watch;
    return watchThroughWindow(vendorId);
}

}  // namespace velor
