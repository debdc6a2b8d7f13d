// The HidBackend on hidapi (hidraw). hidapi is not thread-safe as a whole, so
// init, enumerate, open and close run under one lock.
#pragma once

#include <memory>

#include "hid/hid_backend.h"

namespace velor {

// nullptr when hidapi cannot be initialised.
std::unique_ptr<HidBackend> makeHidapiBackend();

}  // namespace velor
