#include "hid/system_hid_backend.h"

#include "hid/linux/hidapi_backend.h"

namespace velor {

std::unique_ptr<HidBackend> makeSystemHidBackend() {
    return makeHidapiBackend();
}

}  // namespace velor
