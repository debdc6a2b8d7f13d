// What every velorctl command shares: its help and the way it reports errors.
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "cli/mice_host.h"
#include "cli/options.h"
#include "cli/velorctl.h"
#include "models/model_descriptor.h"

namespace velor::cli {

struct Io {
    std::ostream& out;
    std::ostream& err;
    bool verbose = false;  // -v: velorctl's own diagnostic lines on stderr

    // Prints the one-line error and gives the bad-input exit code.
    int fail(std::string_view message) const;
};

// "velorctl: <reason>" and a line end, the reason's control characters
// escaped (it may hold names and paths from outside): how every error is told.
std::string errorLine(std::string_view reason);

struct Command {
    std::string_view name;
    std::string_view summary;  // one line for the command list
    std::string_view help;     // full usage text
    int (*run)(std::span<const std::string_view> args, const Io& io);
    // Drives the mice (run through the program when it runs): no run of its own.
    bool device = false;
};

// The descriptor named by --slot, or the error to print.
Result<const ModelDescriptor*> slotOption(const Options& options);

int runReports(std::span<const std::string_view> args, const Io& io);
int runProfile(std::span<const std::string_view> args, const Io& io);
int runProfiles(std::span<const std::string_view> args, const Io& io);
int runFrames(std::span<const std::string_view> args, const Io& io);
// devices, status, apply and set (the command name first): through the
// running program, else on the mice velorctl finds itself.
int runDeviceCommandLine(std::string_view name, std::span<const std::string_view> args,
                         const Io& io);

// rules list|add|remove and profile use (its arguments after "use"), on a host.
using Answer = std::function<void(int exitCode, std::string out, std::string err)>;
void runRules(std::span<const std::string_view> args, MiceHost& host, const Answer& done);
void runProfileUse(std::span<const std::string_view> args, MiceHost& host, const Answer& done);

}  // namespace velor::cli
