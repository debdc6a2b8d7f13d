// Where a device command runs: in the running program when there is one (so
// the window, the stores and the mice stay in step and no two processes talk
// to one device), else here, on the mice velorctl finds itself.
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "cli/command.h"
#include "cli/standalone_host.h"
#include "hid/system_hid_backend.h"
#include "platform/app_folders.h"
#include "platform/control_client.h"
#include "platform/debug_output.h"
#include "platform/instance_lock.h"
#include "sim/sim_backend.h"

namespace velor::cli {

namespace {

// How long a receiver is listened to for the mouse behind it.
constexpr int kListenMs = 1000;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// How long the running program is given to answer; VELOR_CONTROL_TIMEOUT_MS
// shortens it for tests.
Millis answerTimeout() {
    const std::string text = environment("VELOR_CONTROL_TIMEOUT_MS");
    long long ms = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), ms);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || ms <= 0)
        return kControlAnswerTimeout;
    return Millis(ms);
}

// A host that notes being asked and answers nothing: a command that
// answers without asking it refused its own input.
class InputCheck final : public MiceHost {
  public:
    std::vector<MouseState> devices() override {
        asked = true;
        return {};
    }
    void currentProfile(int, Done) override { asked = true; }
    void applyProfile(int, const std::optional<std::filesystem::path>&, std::optional<int>,
                      Done) override {
        asked = true;
    }
    void applySetting(int, Setting, Done) override { asked = true; }
    void useProfile(int, const std::u16string&, Done) override { asked = true; }
    void editRules(int, const RulesEdit&, std::function<void(RulesOutcome)>) override {
        asked = true;
    }
    bool asked = false;
};

// Bad input is told here, before the running program is asked, so that it
// gets one answer whether the program runs or not (the program would only
// see a request over its bounds as malformed).
std::optional<ControlAnswer> refusedInput(const std::vector<std::string>& argv) {
    InputCheck check;
    std::optional<ControlAnswer> answer;
    runDeviceCommand(argv, check, [&](int exitCode, std::string out, std::string err) {
        answer = ControlAnswer{exitCode, std::move(out), std::move(err)};
    });
    if (answer && !check.asked) return answer;
    if (argv.size() > kMaxRequestArgs)
        return ControlAnswer{
            kExitBadInput,
            {},
            "velorctl: more than " + std::to_string(kMaxRequestArgs) + " arguments\n"};
    for (const std::string& arg : argv)
        if (arg.size() > kMaxRequestArgBytes)
            return ControlAnswer{kExitBadInput,
                                 {},
                                 "velorctl: an argument is longer than " +
                                     std::to_string(kMaxRequestArgBytes) + " bytes\n"};
    return std::nullopt;
}

}  // namespace

int runDeviceCommandLine(std::string_view name, std::span<const std::string_view> args,
                         const Io& io) {
    std::vector<std::string> argv{std::string(name)};
    argv.insert(argv.end(), args.begin(), args.end());
    resolveFilesHere(argv);
    if (const auto refused = refusedInput(argv)) {
        io.out << refused->out;
        io.err << refused->err;
        return refused->exitCode;
    }
    if (const std::string runtime = instanceRuntimeFolder(); !runtime.empty()) {
        if (auto answer = askRunningProgram(controlSocketPath(runtime), argv, answerTimeout())) {
            io.out << answer->out;
            io.err << answer->err;
            return answer->exitCode;
        }
    }
    // On its own: the real mice, or those VELOR_SIMULATE asks for.
    const DebugSink debug = standardLog(io.verbose).debugSink();
    std::unique_ptr<sim::SimBackend> simulated;
    std::unique_ptr<HidBackend> systemHid;
    HidBackend* devices = nullptr;
    if (const std::string simulate = environment("VELOR_SIMULATE"); !simulate.empty()) {
        simulated = std::make_unique<sim::SimBackend>();
        sim::populateFromList(*simulated, simulate);
        std::string error;
        if (const std::string trace = environment("VELOR_SIM_TRACE");
            !trace.empty() && !simulated->traceTo(trace, &error))
            debug(error);
        simulated->startHeartbeat(std::chrono::seconds(2));
        devices = simulated.get();
    } else {
        systemHid = makeSystemHidBackend();
        if (!systemHid) {
            io.err << "velorctl: the USB HID devices cannot be reached\n";
            return kExitDevice;
        }
        devices = systemHid.get();
    }
    // The stores are never put anywhere else than where the user's data goes.
    std::string folderError;
    const std::string dataFolder = GetAppDataFolder(&folderError);
    if (!folderError.empty()) {
        io.err << "velorctl: " << folderError << "\n";
        return kExitDevice;
    }
    StandaloneHost host({*devices, dataFolder, systemClock(), kListenMs, debug});
    int code = kExitDevice;
    runDeviceCommand(argv, host, [&](int exitCode, std::string out, std::string err) {
        code = exitCode;
        io.out << out;
        io.err << err;
    });
    return code;
}

}  // namespace velor::cli
