// TEMPORARY stand-in, to be deleted when the SetupAPI backend arrives: lets
// the Windows build link before it exists. No devices can be reached.
#include "hid/system_hid_backend.h"

namespace velor {

std::unique_ptr<HidBackend> makeSystemHidBackend() {
    return nullptr;
}

}  // namespace velor
