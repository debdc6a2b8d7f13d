// Status reports from any mouse, through any receiver, to every slot: the
// decoding the page acts on, and the words the library hands over.
#include "device/device_link.h"
#include "protocol/status_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velor;
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        const auto word = static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
        const auto value = static_cast<std::uint16_t>(data[at + 2] | data[at + 3] << 8);
        for (int slot = 1; slot <= 10; ++slot)
            for (const Receiver via : {Receiver::TwoPointFour, Receiver::FourK, Receiver::Cable}) {
                const StatusReport r = decodeStatus(*descriptorFor(slot), word, value, via);
                if (r.kind == StatusKind::DpiLevel && (r.dpiLevel < 0 || r.dpiLevel > 7))
                    __builtin_trap();
                if (r.kind == StatusKind::PollingRate && (r.pollingRate < 0 || r.pollingRate > 6))
                    __builtin_trap();
            }
        deviceCodeFromMessageA(word, value);
    }
    return 0;
}
