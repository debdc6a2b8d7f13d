#include "device/receiver_monitor.h"

#include <algorithm>
#include <cctype>

#include "hid/interface_key.h"
#include "platform/thread_name.h"

namespace velor {

namespace {

constexpr std::uint8_t kStatusReportId = 3;
constexpr std::intptr_t kReadFailed = -1;

// Model codes of the 2.4 GHz receiver for slots 1..10.
constexpr std::uint8_t kCodes24[] = {0x10, 0x20, 0x21, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36};

// What a reader thread hands over: five report bytes, its position and the
// enumeration it belongs to, packed into one message parameter.
std::uintptr_t pack(const std::array<std::uint8_t, 5>& bytes, std::size_t position,
                    std::uint32_t generation) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) v |= std::uint64_t{bytes[i]} << (8 * i);
    v |= std::uint64_t{position & 0xFF} << 40;
    v |= std::uint64_t{generation & 0xFFFF} << 48;
    return static_cast<std::uintptr_t>(v);
}

// Interface keys are compared without regard to case.
bool sameKey(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Five report bytes, a position and a generation travel in one parameter.
static_assert(sizeof(std::uintptr_t) >= 8, "report packing needs 64-bit message parameters");

}  // namespace

std::optional<int> slotOfModelCode(std::uint8_t code, bool fourK) {
    for (int slot = 1; slot <= 10; ++slot) {
        if (kCodes24[slot - 1] != code) continue;
        // The 4K receiver serves only slots 3, 4, 6 and 8.
        if (fourK && slot != 3 && slot != 4 && slot != 6 && slot != 8) return std::nullopt;
        return slot;
    }
    return std::nullopt;
}

ReceiverMonitor::ReceiverMonitor(const ReceiverKind& kind, HidBackend& hid, MessagePoster& ui,
                                 std::uint32_t message, ReceiverPages& pages,
                                 std::function<void()> requestRestart, DebugSink debug)
    : kind_(kind),
      hid_(hid),
      ui_(ui),
      message_(message),
      pages_(pages),
      requestRestart_(std::move(requestRestart)),
      debug_(debug ? std::move(debug) : defaultDebugSink()) {}

ReceiverMonitor::~ReceiverMonitor() {
    stopReaders();
}

void ReceiverMonitor::stopReaders() {
    for (auto& stop : stops_) *stop = true;
    // A reader sleeps in its read until it is woken here.
    for (std::size_t i = 0; i < readers_.size(); ++i) reports_[i].handle->cancelReads();
    for (std::thread& t : readers_)
        if (t.joinable()) t.join();
    readers_.clear();
    stops_.clear();
}

std::vector<std::string> ReceiverMonitor::presentPaths() {
    std::vector<std::string> paths;
    for (const HidDeviceInfo& info : hid_.enumerate(0x1D57, kind_.productId))
        paths.push_back(info.path);
    return paths;
}

void ReceiverMonitor::restart() {
    stopReaders();
    ++generation_;
    commands_.clear();
    reports_.clear();
    positions_.clear();
    paths_.clear();
    for (const HidDeviceInfo& info : hid_.enumerate(0x1D57, kind_.productId)) {
        paths_.push_back(info.path);
        const bool command =
            info.usagePage == kind_.commandUsagePage && info.usage == kind_.commandUsage;
        const bool report =
            info.usagePage == kind_.reportUsagePage && info.usage == kind_.reportUsage;
        if (!command && !report) continue;
        std::shared_ptr<HidDevice> handle = hid_.open(info.path);
        if (!handle) continue;  // an interface that cannot be opened is skipped
        (command ? commands_ : reports_)
            .push_back({std::move(handle), info.path, hidInterfaceKey(info.path)});
        debug_(std::string(command ? "handle = " : "OSD handle = ") + info.path);
    }
    positions_.resize(reports_.size());
    for (std::size_t i = 0; i < reports_.size() && i < kind_.readerLimit; ++i) {
        auto stop = std::make_shared<std::atomic<bool>>(false);
        stops_.push_back(stop);
        readers_.emplace_back(
            [this, i, device = reports_[i].handle, stop] { read(i, device, stop); });
    }
}

// Reader threads only read and hand over; they sleep in the read until a
// report comes or they are told to stop, so an idle receiver costs nothing.
void ReceiverMonitor::read(std::size_t position, std::shared_ptr<HidDevice> device,
                           std::shared_ptr<std::atomic<bool>> stop) {
    nameThisThread(kind_.fourK ? "receiver4k-read" : "receiver-read");
    const std::uint32_t generation = generation_;
    std::array<std::uint8_t, 100> buffer{};
    while (!*stop) {
        const int n = device->readTimeout(buffer, -1);
        if (n < 0) {
            // The receiver is gone: told once, and the restart that follows
            // brings new readers.
            ui_.post(message_, pack({}, position, generation), kReadFailed);
            return;
        }
        if (n == 0) continue;
        std::array<std::uint8_t, 5> bytes{};  // a shorter report reads as zeros
        std::copy_n(buffer.begin(), std::min<std::size_t>(5, static_cast<std::size_t>(n)),
                    bytes.begin());
        ui_.post(message_, pack(bytes, position, generation), 0);
    }
}

void ReceiverMonitor::onPosted(std::uintptr_t wParam, std::intptr_t lParam) {
    const auto v = static_cast<std::uint64_t>(wParam);
    if (((v >> 48) & 0xFFFF) != (generation_ & 0xFFFF)) return;  // from before a restart
    const std::size_t position = (v >> 40) & 0xFF;
    if (position >= positions_.size()) return;
    if (lParam == kReadFailed) {
        // The receiver is gone: its slot's presence goes at once, and the
        // monitor looks again in case it comes back under the same path.
        if (const auto slot = positions_[position].slot)
            pages_.withdrawReceiver(*slot, kind_.fourK);
        if (requestRestart_) requestRestart_();
        return;
    }
    std::array<std::uint8_t, 5> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
    handle(position, bytes);
}

void ReceiverMonitor::handle(std::size_t position, const std::array<std::uint8_t, 5>& bytes) {
    Position& p = positions_[position];
    const Entry& report = reports_[position];
    for (const Entry& command : commands_) {
        if (command.key.empty() || !sameKey(command.key, report.key)) continue;
        if (!p.latched) {
            // The first report names the model behind this receiver.
            p.latched = true;
            p.slot = slotOfModelCode(bytes[1], kind_.fourK);
            if (p.slot) pages_.bindReceiver(*p.slot, command.handle, report.handle, kind_.fourK);
        }
        break;
    }
    if (!p.slot || bytes[0] != kStatusReportId) return;
    const auto word = static_cast<std::uint16_t>(bytes[1] | bytes[2] << 8);
    const auto value = static_cast<std::uint16_t>(bytes[3] | bytes[4] << 8);
    const bool sameModel = bytes[1] == kCodes24[*p.slot - 1];
    pages_.receiverReport(*p.slot, word, value, sameModel, kind_.fourK);
}

}  // namespace velor
