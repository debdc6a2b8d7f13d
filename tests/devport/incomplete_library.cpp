// A feature-device library that lacks entry points: the program must not use it.
#include <cstdint>

extern "C" {
__attribute__((visibility("default"))) void Set_VIDPID(int32_t, int32_t) {}
__attribute__((visibility("default"))) void Open_DevMonitor(void*, uint32_t, uint32_t) {}
__attribute__((visibility("default"))) int32_t Open_FeatureDevice() {
    return 1;
}
__attribute__((visibility("default"))) void Close_FeatureDevice() {}
__attribute__((visibility("default"))) void Close_DevMonitor() {}
}
