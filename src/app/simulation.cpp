#include "app/simulation.h"

#include <chrono>

#include "sim/sim_control.h"

namespace velor {

namespace {

// How often a simulated mouse behind a receiver reports its battery: well
// within the page's six-second watchdog.
constexpr std::chrono::seconds kHeartbeat{2};

}  // namespace

Simulation::Simulation(const std::string& devices, const std::string& trace,
                       const std::string& control, const DebugSink& debug)
    : backend_(std::make_unique<sim::SimBackend>()),
      bluetooth_(std::make_unique<sim::SimBluetooth>(*backend_)) {
    sim::populateFromList(*backend_, devices);
    std::string error;
    if (!trace.empty() && !backend_->traceTo(trace, &error)) debug(error);
    backend_->startHeartbeat(kHeartbeat);
    if (control.empty()) return;
    control_ = CommandPipe::open(
        control,
        [this, debug](const std::string& line) {
            if (const std::string why = sim::runSimCommand(*backend_, line); !why.empty())
                debug("sim control: " + why);
        },
        &error);
    if (!control_) debug(error);
}

Simulation::~Simulation() {
    control_.reset();
    bluetooth_.reset();
}

}  // namespace velor
