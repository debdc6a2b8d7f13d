// Finds a kind of wireless receiver, opens its command and report interfaces,
// reads the report interfaces on threads of their own, and works out from the
// reports which model slot is behind each receiver. Reports reach the UI
// thread as posted messages; binding and handling happen there.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "hid/hid_backend.h"
#include "platform/debug_output.h"
#include "platform/message_poster.h"

namespace velor {

struct ReceiverKind {
    std::uint16_t productId;
    std::uint16_t commandUsagePage, commandUsage;
    std::uint16_t reportUsagePage, reportUsage;
    std::size_t readerLimit;
    bool fourK;  // which model code column names the slot
};

inline constexpr ReceiverKind kReceiver24 = {0xFA60, 0x000B, 0, 0x000A, 0, 10, false};
inline constexpr ReceiverKind kReceiver4k = {0xFA65, 0xFF00, 1, 0x000A, 0, 4, true};

// The slot a receiver's model code names, or nullopt.
std::optional<int> slotOfModelCode(std::uint8_t code, bool fourK);

// What the monitor asks of the pages (UI thread).
class ReceiverPages {
  public:
    virtual ~ReceiverPages() = default;
    virtual void bindReceiver(int slot, std::shared_ptr<HidDevice> command,
                              std::shared_ptr<HidDevice> report, bool fourK) = 0;
    // A report of the slot's receiver; sameModel when byte 1 is the slot's code.
    virtual void receiverReport(int slot, std::uint16_t eventWord, std::uint16_t value,
                                bool sameModel, bool fourK) = 0;
    virtual void withdrawReceiver(int slot, bool fourK) = 0;
};

class ReceiverMonitor {
  public:
    // message: the number under which reader threads post what they read.
    // requestRestart: asks for a restart a little later (a receiver went away
    // and may come back under the same path).
    ReceiverMonitor(const ReceiverKind& kind, HidBackend& hid, MessagePoster& ui,
                    std::uint32_t message, ReceiverPages& pages,
                    std::function<void()> requestRestart, DebugSink debug = {});
    ~ReceiverMonitor();

    // Stops the readers, enumerates again and starts new readers.
    void restart();
    // The interfaces the last restart found.
    const std::vector<std::string>& pathsAtRestart() const { return paths_; }
    // The UI thread's handler of the posted message.
    void onPosted(std::uintptr_t wParam, std::intptr_t lParam);
    // Interfaces currently present (to notice arrivals and removals).
    std::vector<std::string> presentPaths();

  private:
    struct Entry {
        std::shared_ptr<HidDevice> handle;
        std::string path;
        std::string key;
    };
    struct Position {
        bool latched = false;
        std::optional<int> slot;
    };

    void stopReaders();
    void read(std::size_t position, std::shared_ptr<HidDevice> device,
              std::shared_ptr<std::atomic<bool>> stop);
    void handle(std::size_t position, const std::array<std::uint8_t, 5>& bytes);

    const ReceiverKind kind_;
    HidBackend& hid_;
    MessagePoster& ui_;
    const std::uint32_t message_;
    ReceiverPages& pages_;
    std::function<void()> requestRestart_;
    DebugSink debug_;
    std::vector<std::string> paths_;
    std::vector<Entry> commands_;
    std::vector<Entry> reports_;
    std::vector<Position> positions_;
    std::vector<std::thread> readers_;
    std::vector<std::shared_ptr<std::atomic<bool>>> stops_;
    std::uint32_t generation_ = 0;  // reports of an earlier enumeration are dropped
};

}  // namespace velor
