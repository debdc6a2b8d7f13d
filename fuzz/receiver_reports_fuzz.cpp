// What a receiver's reader threads hand over, as any five report bytes at any
// position: the binding of a slot by its model code and the reports that
// reach the page.
#include "device/receiver_monitor.h"
#include "sim/sim_backend.h"

namespace {

class NoWindow final : public velor::MessagePoster {
  public:
    void post(std::uint32_t, std::uintptr_t, std::intptr_t) override {}
};

class Pages final : public velor::ReceiverPages {
  public:
    void bindReceiver(int slot, std::shared_ptr<velor::HidDevice>,
                      std::shared_ptr<velor::HidDevice>, bool) override {
        if (slot < 1 || slot > 10) __builtin_trap();
    }
    void receiverReport(int slot, std::uint16_t, std::uint16_t, bool, bool) override {
        if (slot < 1 || slot > 10) __builtin_trap();
    }
    void withdrawReceiver(int, bool) override {}
};

// One monitor over a 2.4 GHz and a 4K receiver, started once.
struct Monitors {
    velor::sim::SimBackend backend;
    NoWindow window;
    Pages pages;
    velor::ReceiverMonitor normal{velor::kReceiver24,     backend, window, 1, pages, {},
                                  [](std::string_view) {}};
    velor::ReceiverMonitor fourK{velor::kReceiver4k,     backend, window, 2, pages, {},
                                 [](std::string_view) {}};
    Monitors() {
        backend.plugReceiver(*velor::descriptorFor(10));
        backend.plug4kReceiver(*velor::descriptorFor(3));
        normal.restart();
        fourK.restart();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Monitors monitors;
    for (std::size_t at = 0; at + 7 <= size; at += 7) {
        std::uint64_t packed = 0;
        for (std::size_t i = 0; i < 5; ++i) packed |= std::uint64_t{data[at + i]} << (8 * i);
        packed |= std::uint64_t{data[at + 5] & 0x03u} << 40;  // the position
        packed |= std::uint64_t{1} << 48;                     // the first restart
        const bool failed = (data[at + 6] & 0x80) != 0;
        (data[at + 6] & 1 ? monitors.fourK : monitors.normal)
            .onPosted(static_cast<std::uintptr_t>(packed), failed ? -1 : 0);
    }
    return 0;
}
