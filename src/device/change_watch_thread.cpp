#include "device/change_watch_thread.h"

#include "platform/thread_name.h"

namespace velor {

ChangeWatchThread::ChangeWatchThread(std::unique_ptr<HidChangeWatch> watch, MessagePoster& poster,
                                     std::uint32_t message)
    : watch_(std::move(watch)), thread_([this, &poster, message] {
          nameThisThread("device-watch");
          while (watch_->waitForChange()) poster.post(message, 0, 0);
      }) {}

ChangeWatchThread::~ChangeWatchThread() {
    watch_->stop();
    thread_.join();
}

}  // namespace velor
