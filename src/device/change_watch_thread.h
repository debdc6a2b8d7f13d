// A watch for devices coming and going, waited on by a thread of its own
// that posts one message to its owner for each change: how a window hears
// of devices without sleeping in a system call on its own thread, on every
// system alike. The thread sleeps in the wait, so an idle program stays
// asleep.
#pragma once

#include <cstdint>
#include <memory>
#include <thread>

#include "hid/hid_backend.h"
#include "platform/message_poster.h"

namespace velor {

class ChangeWatchThread {
  public:
    // Posts (message, 0, 0) to poster for each change until destroyed.
    ChangeWatchThread(std::unique_ptr<HidChangeWatch> watch, MessagePoster& poster,
                      std::uint32_t message);
    // Stops the wait and joins: nothing is posted once this returns.
    ~ChangeWatchThread();
    ChangeWatchThread(const ChangeWatchThread&) = delete;
    ChangeWatchThread& operator=(const ChangeWatchThread&) = delete;

  private:
    std::unique_ptr<HidChangeWatch> watch_;
    std::thread thread_;
};

}  // namespace velor
