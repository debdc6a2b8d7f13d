// The exported entry points of a feature-device library. The same source is
// built once per model slot under that slot's library name.
#include <cstdlib>
#include <memory>
#include <mutex>

#include "devport/dev_port.h"
#include "hid/system_hid_backend.h"
#include "sim/sim_backend.h"

// A Windows DLL exports what is marked dllexport (the build says when); an
// ELF library what stays visible.
#ifdef VELOR_EXPORT_DLLEXPORT
#define VELOR_EXPORT extern "C" __declspec(dllexport)
#else
#define VELOR_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

velor::HidBackend* sharedBackend = nullptr;  // the program's, when it handed one over

velor::HidBackend* backend() {
    if (sharedBackend != nullptr) return sharedBackend;
    // Used alone, the library picks for itself the way the program would.
    static const std::unique_ptr<velor::HidBackend> own =
        []() -> std::unique_ptr<velor::HidBackend> {
        if (const char* devices = std::getenv("VELOR_SIMULATE")) {
            auto sim = std::make_unique<velor::sim::SimBackend>();
            velor::sim::populateFromList(*sim, devices);
            return sim;
        }
        return velor::makeSystemHidBackend();
    }();
    return own.get();
}

velor::DevPort& port() {
    static velor::DevPort instance(backend);
    return instance;
}

}  // namespace

VELOR_EXPORT void Velor_UseHidBackend(void* hidBackend) {
    sharedBackend = static_cast<velor::HidBackend*>(hidBackend);
}

VELOR_EXPORT void Set_VIDPID(int32_t vendorId, int32_t productId) {
    port().setVidPid(static_cast<std::uint16_t>(vendorId), static_cast<std::uint16_t>(productId));
}

VELOR_EXPORT void Open_DevMonitor(void* window, uint32_t messageA, uint32_t messageB) {
    port().openMonitor(static_cast<const VelorPoster*>(window), messageA, messageB);
}

VELOR_EXPORT int32_t Open_FeatureDevice() {
    return port().openFeatureDevice();
}

VELOR_EXPORT int32_t SetFeature(const uint8_t* report, int32_t length) {
    return port().setFeature(report, length);
}

// Resolved by the program but never called: nothing is read back from the mouse.
VELOR_EXPORT int32_t GetFeature(uint8_t*, int32_t) {
    return 0;
}

VELOR_EXPORT void Close_FeatureDevice() {
    port().closeFeatureDevice();
}

VELOR_EXPORT void Close_DevMonitor() {
    port().closeMonitor();
}
