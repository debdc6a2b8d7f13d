// The Windows HID backend on a system without our devices (wine here): it
// finds none and fails nothing, refuses what is not there, and its change
// watches wake for our vendor and end when told.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h, whose types it uses
#include <dbt.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "hid/interface_key.h"
#include "hid/system_hid_backend.h"
#include "hid/windows/win_handle.h"
#include "hid/windows/windows_change_watch.h"
#include "hid/windows/windows_hid_backend.h"

namespace velor {
namespace {

using namespace std::chrono_literals;

constexpr const char* kMissingPath =
    R"(\\?\hid#vid_1d57&pid_fa60&mi_01&col02#7&2f1c3a&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030})";

TEST(WindowsHidBackend, FindsNoneOfOursAndOpensNothingThatIsNotThere) {
    const std::unique_ptr<HidBackend> backend = makeSystemHidBackend();
    ASSERT_NE(backend, nullptr);
    EXPECT_TRUE(backend->enumerate(0x1D57, 0).empty());
    EXPECT_TRUE(backend->enumerate(0x1D57, 0xFA60).empty());
    EXPECT_EQ(backend->open(kMissingPath), nullptr);
    EXPECT_EQ(backend->open(""), nullptr);
    // A device that is not there is no matter of this user's rights.
    EXPECT_TRUE(backend->accessible(kMissingPath));
    // Nor does it pair with anything; the simulator's paths pair as ever.
    EXPECT_EQ(hidInterfaceKey(kMissingPath), "");
    EXPECT_EQ(hidInterfaceKey("sim:1d57:fa60:0:1"), "sim:1d57:fa60:0");
}

// Every way to get a watch: the backend's, and each source on its own where
// this system has it (wine may lack the cfgmgr32 one).
std::vector<std::pair<const char*, std::unique_ptr<HidChangeWatch>>> everyWatch() {
    std::vector<std::pair<const char*, std::unique_ptr<HidChangeWatch>>> watches;
    watches.emplace_back("backend", makeWindowsHidBackend()->watchChanges());
    watches.emplace_back("window", watchThroughWindow(0x1D57));
    if (auto cm = watchThroughCmNotification(0x1D57))
        watches.emplace_back("cfgmgr32", std::move(cm));
    return watches;
}

// What a wait returns that sleeps while `act` runs on this thread; nullopt
// when it still sleeps 10 s later (then stopped, so the test can end).
std::optional<bool> waitWhile(HidChangeWatch& watch, const std::function<void()>& act) {
    auto waiting = std::async(std::launch::async, [&watch] { return watch.waitForChange(); });
    act();
    if (waiting.wait_for(10s) == std::future_status::ready) return waiting.get();
    watch.stop();
    waiting.wait();
    return std::nullopt;
}

TEST(WindowsHidChangeWatch, StopEndsAWaitAndEveryLaterOne) {
    for (auto& [name, watch] : everyWatch()) {
        SCOPED_TRACE(name);
        ASSERT_NE(watch, nullptr);
        EXPECT_EQ(waitWhile(*watch, [&w = *watch] { w.stop(); }), false);
        EXPECT_EQ(waitWhile(*watch, [] {}), false);
    }
}

// This process's change window: another test running beside this one has
// message-only windows of the same class on the same desktop.
HWND ourChangeWindow() {
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, kChangeWindowClass, nullptr); w != nullptr;
         w = FindWindowExW(HWND_MESSAGE, w, kChangeWindowClass, nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == GetCurrentProcessId()) return w;
    }
    return nullptr;
}

// What the system hands the window when an interface comes or goes.
struct InterfaceBroadcast {
    DEV_BROADCAST_DEVICEINTERFACE_W header{};
    wchar_t rest[260]{};
};

void broadcast(HWND window, WPARAM event, const std::wstring& path) {
    InterfaceBroadcast message;
    message.header.dbcc_size = sizeof(message);
    message.header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(message.header.dbcc_name, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&message));
}

TEST(WindowsHidChangeWatch, TheWindowWakesForOurInterfacesComingAndGoing) {
    const std::unique_ptr<HidChangeWatch> watch = watchThroughWindow(0x1D57);
    ASSERT_NE(watch, nullptr);
    const HWND window = ourChangeWindow();
    ASSERT_NE(window, nullptr);
    for (const WPARAM event : {DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE}) {
        EXPECT_EQ(waitWhile(*watch, [&] { broadcast(window, event, wideText(kMissingPath)); }),
                  true)
            << event;
    }
    // Which paths concern us is WindowsHidPath's table.
}

}  // namespace
}  // namespace velor
