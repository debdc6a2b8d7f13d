// velorctl frames: a full upload through the program's own device link to a
// simulated mouse on one link, in virtual time, and every frame the mouse
// took, in order.
#include <memory>
#include <vector>

#include "cli/command.h"
#include "cli/headless_link.h"
#include "device/device_link.h"
#include "devport/in_process_library.h"
#include "profile/record_defaults.h"
#include "protocol/upload_plan.h"
#include "sim/sim_backend.h"
#include "sim/sim_bluetooth.h"
#include "store/profile_file.h"
#include "util/virtual_clock.h"

namespace velor::cli {

namespace {

constexpr OptionSpec kOptions[] = {
    {"slot", true}, {"link", true}, {"profile", true}, {"defaults", false}};

void printHex(std::ostream& out, std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (const std::uint8_t b : bytes) out << kDigits[b >> 4] << kDigits[b & 0x0F];
    out << '\n';
}

}  // namespace

int runFrames(std::span<const std::string_view> args, const Io& io) {
    const auto options = Options::parse(args, kOptions);
    if (!options) return io.fail(options.error());
    const auto found = slotOption(*options);
    if (!found) return io.fail(found.error());
    const ModelDescriptor& model = **found;
    if (options->has("profile") == options->has("defaults"))
        return io.fail("give either --profile FILE or --defaults");
    const std::string link(options->value("link").value_or(""));
    const bool known = link == "wired" || link == "24g" || (link == "4k" && model.has4k) ||
                       (link == "ble" && model.hasBle);
    if (!known)
        return io.fail("slot " + std::to_string(model.slot) + " has no link '" + link +
                       "' (wired, 24g" + (model.has4k ? ", 4k" : "") +
                       (model.hasBle ? ", ble" : "") + ")");

    Result<ProfileRecord> record = newRecord(model.record, u"Profile1");
    if (const auto path = options->value("profile")) record = readProfileFile(model, *path);
    if (!record) return io.fail(record.error());

    sim::SimBackend backend;
    std::vector<std::vector<std::uint8_t>> frames;
    backend.setTraceSink([&](std::string_view, int, std::span<const std::uint8_t> frame) {
        frames.emplace_back(frame.begin(), frame.end());
    });
    VirtualClock clock;
    NoWindow window;
    NoView view;
    sim::SimBluetooth bluetooth(backend);
    std::unique_ptr<BleGattLink> ble;
    if (link == "ble") {
        backend.plugBleMouse(model);
        ble = bluetooth.linkFor(*model.bleHidVid, *model.bleHidPid);
    }
    DeviceLink device({model, clock, window, view, [](std::string_view) {}, ble.get()});
    if (link == "wired") {
        backend.plugWiredMouse(model);
        device.open(std::make_unique<InProcessLibrary>(backend));
    } else if (link == "24g") {
        backend.plugReceiver(model);
        device.open(nullptr);
        device.setReceiver(
            std::make_shared<AcknowledgedReceiver>(
                openInterface(backend, sim::kVendorId, sim::kReceiver24Pid, 0x000B),
                openInterface(backend, sim::kVendorId, sim::kReceiver24Pid, 0x000A), device),
            nullptr);
        device.setWirelessOnline(true);
    } else if (link == "ble") {
        device.open(nullptr);
        device.bleConnect();
    } else {
        backend.plug4kReceiver(model);
        device.open(nullptr);
        device.setReceiver4k(openInterface(backend, sim::kVendorId, sim::kReceiver4kPid, 0xFF00),
                             nullptr);
        device.setWireless4kOnline(true);
    }
    for (const PlannedReport& p : planUpload(*record, ReportGroups::all()))
        device.send(p.report.bytes());
    device.close();
    backend.setTraceSink({});
    for (const auto& frame : frames) printHex(io.out, frame);
    return kExitOk;
}

}  // namespace velor::cli
