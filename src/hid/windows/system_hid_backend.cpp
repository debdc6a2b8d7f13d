#include "hid/system_hid_backend.h"

#include "hid/windows/windows_hid_backend.h"

namespace velor {

std::unique_ptr<HidBackend> makeSystemHidBackend() {
    return makeWindowsHidBackend();
}

}  // namespace velor
