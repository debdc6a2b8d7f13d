// What send() costs on top of its mandated pauses: the clock is virtual, so
// the figures are pure CPU time of building, chunking and handing over.
#include <benchmark/benchmark.h>

#include "../tests/support/link_fakes.h"
#include "device/device_link.h"
#include "profile/record_defaults.h"
#include "protocol/report_builders.h"
#include "protocol/upload_plan.h"
#include "sim/sim_backend.h"

namespace velor {
namespace {

class NullLibrary final : public FeatureDevice {
  public:
    void setVidPid(std::uint16_t, std::uint16_t) override {}
    void openDevMonitor(const VelorPoster*, std::uint32_t, std::uint32_t) override {}
    int openFeatureDevice() override { return 1; }
    int setFeature(std::span<const std::uint8_t> r) override {
        benchmark::DoNotOptimize(r.data());
        return static_cast<int>(r.size());
    }
    void closeFeatureDevice() override {}
    void closeDevMonitor() override {}
};

class AckingReceiver final : public HidDevice {
  public:
    int sendFeatureReport(std::span<const std::uint8_t> r) override {
        benchmark::DoNotOptimize(r.data());
        return static_cast<int>(r.size());
    }
    int write(std::span<const std::uint8_t>) override { return -1; }
    int readTimeout(std::span<std::uint8_t>, int) override { return 0; }
    bool setNonBlocking(bool) override { return true; }
};

ProfileRecord macroRecord() {
    ProfileRecord r = newRecord(descriptorFor(10)->record, u"Bench");
    ButtonSlot slot = r.button(4);
    slot.set(SlotField::function, 17);
    slot.set(SlotField::macroActionCount, 46);
    for (int i = 0; i < 46; ++i)
        slot.setAction(i,
                       {static_cast<std::uint8_t>(4 + i % 20), static_cast<std::uint8_t>(1 + i % 2),
                        static_cast<std::uint16_t>(i * 40)});
    return r;
}

struct Rig {
    VirtualClock clock;
    testing::RecordingPoster poster;
    testing::RecordingView view;
    DeviceLink link{{*descriptorFor(10), clock, poster, view, [](std::string_view) {}}};
};

void BM_WiredReport(benchmark::State& state) {
    Rig rig;
    rig.link.open(std::make_unique<NullLibrary>());
    const Report dpi = buildDpi(newRecord(descriptorFor(10)->record, u"Bench"));
    for (auto _ : state) benchmark::DoNotOptimize(rig.link.send(dpi.bytes()));
}
BENCHMARK(BM_WiredReport);

void BM_WiredMacro(benchmark::State& state) {
    Rig rig;
    rig.link.open(std::make_unique<NullLibrary>());
    const Report macro = buildMacro(macroRecord(), 5);
    for (auto _ : state) benchmark::DoNotOptimize(rig.link.send(macro.bytes()));
}
BENCHMARK(BM_WiredMacro);

// Acknowledged after the first copy, as a listening mouse does.
void BM_WirelessReport(benchmark::State& state) {
    Rig rig;
    rig.link.open(nullptr);
    rig.link.setReceiver(std::make_shared<AckingReceiver>(), nullptr);
    rig.link.setWirelessOnline(true);
    rig.clock.onSleep = [&](Millis) { rig.link.setStopResend(true); };
    const Report dpi = buildDpi(newRecord(descriptorFor(10)->record, u"Bench"));
    for (auto _ : state) benchmark::DoNotOptimize(rig.link.send(dpi.bytes()));
}
BENCHMARK(BM_WirelessReport);

void BM_WirelessMacro(benchmark::State& state) {
    Rig rig;
    rig.link.open(nullptr);
    rig.link.setReceiver(std::make_shared<AckingReceiver>(), nullptr);
    rig.link.setWirelessOnline(true);
    rig.clock.onSleep = [&](Millis) { rig.link.setStopResend(true); };
    const Report macro = buildMacro(macroRecord(), 5);
    for (auto _ : state) benchmark::DoNotOptimize(rig.link.send(macro.bytes()));
}
BENCHMARK(BM_WirelessMacro);

// Building every report of a full upload with one 46-action macro.
void BM_PlanFullUpload(benchmark::State& state) {
    const ProfileRecord r = macroRecord();
    for (auto _ : state) benchmark::DoNotOptimize(planUpload(r, ReportGroups::all()));
}
BENCHMARK(BM_PlanFullUpload);

}  // namespace
}  // namespace velor

BENCHMARK_MAIN();
