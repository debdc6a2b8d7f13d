// The simulated mice that stand in for real ones when VELOR_SIMULATE asks:
// the backend with its devices, its trace file (VELOR_SIM_TRACE) and its
// control pipe (VELOR_SIM_CONTROL).
#pragma once

#include <memory>
#include <string>

#include "platform/command_pipe.h"
#include "sim/sim_backend.h"
#include "sim/sim_bluetooth.h"
#include "util/debug_sink.h"

namespace velor {

class Simulation {
  public:
    // devices as VELOR_SIMULATE gives them; trace and control may be empty.
    Simulation(const std::string& devices, const std::string& trace, const std::string& control,
               const DebugSink& debug);
    ~Simulation();  // the control pipe stops before the devices go

    sim::SimBackend& backend() { return *backend_; }
    BluetoothMice& bluetooth() { return *bluetooth_; }

  private:
    std::unique_ptr<sim::SimBackend> backend_;
    std::unique_ptr<sim::SimBluetooth> bluetooth_;
    std::unique_ptr<CommandPipe> control_;
};

}  // namespace velor
