// velorctl frames: a full upload through the program's own device link to a
// simulated mouse on one link, in virtual time, and every frame the mouse
// took, in order.
#include <memory>
#include <vector>

#include "cli/command.h"
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

// Nothing to show, nowhere to post: the link runs without a window.
class NoView final : public LinkView {
  public:
    void showWiredIcon(bool) override {}
    void showSleepLabel(bool) override {}
    void showChargingText() override {}
    void clearPowerLabel() override {}
    void startChargingAnimation(bool) override {}
    void stopChargingAnimation() override {}
    void showFeatureSections() override {}
    void onStatusReport(std::uint16_t, std::uint16_t) override {}
    void onLinkUp() override {}
};

class NoWindow final : public MessagePoster {
  public:
    void post(std::uint32_t, std::uintptr_t, std::intptr_t) override {}
};

// The 2.4 GHz receiver's command interface, reading the mouse's
// acknowledgement after each report as the page would, so nothing repeats.
class AcknowledgedReceiver final : public HidDevice {
  public:
    AcknowledgedReceiver(std::shared_ptr<HidDevice> command, std::shared_ptr<HidDevice> reports,
                         DeviceLink& link)
        : command_(std::move(command)), reports_(std::move(reports)), link_(link) {}
    int sendFeatureReport(std::span<const std::uint8_t> report) override {
        const int sent = command_->sendFeatureReport(report);
        std::array<std::uint8_t, 64> in{};
        while (reports_->readTimeout(in, 0) >= 5)
            if (in[0] == 3 && in[2] == 0x50 && in[3] == 0) link_.setStopResend(true);
        return sent;
    }
    int write(std::span<const std::uint8_t> report) override { return command_->write(report); }
    int readTimeout(std::span<std::uint8_t> buffer, int ms) override {
        return command_->readTimeout(buffer, ms);
    }
    bool setNonBlocking(bool on) override { return command_->setNonBlocking(on); }

  private:
    std::shared_ptr<HidDevice> command_;
    std::shared_ptr<HidDevice> reports_;
    DeviceLink& link_;
};

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
