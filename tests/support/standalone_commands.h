// velorctl's device commands carried out by velorctl itself (no program
// running) on simulated mice, in virtual time, with their exit code, output
// and errors.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/standalone_host.h"
#include "cli/velorctl.h"
#include "sim/sim_backend.h"
#include "temp_folder.h"
#include "util/virtual_clock.h"

namespace velor::testing {

struct Answer {
    int code = -1;
    std::string out;
    std::string err;
    bool operator==(const Answer&) const = default;
};

class StandaloneCommandsTest : public ::testing::Test {
  protected:
    Answer run(std::vector<std::string> args) {
        cli::StandaloneHost host({backend, temp.folder(), clock, 2000, {}});
        Answer r;
        EXPECT_TRUE(
            cli::runDeviceCommand(args, host, [&](int code, std::string out, std::string err) {
                r = {code, std::move(out), std::move(err)};
            }));
        return r;
    }
    // Mice behind receivers say their battery often, so a command finds them at once.
    void SetUp() override { backend.startHeartbeat(std::chrono::milliseconds(10)); }

    TempFolder temp;
    sim::SimBackend backend;
    VirtualClock clock;
};

}  // namespace velor::testing
