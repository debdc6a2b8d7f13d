// A page's worker: one thread with its own message queue. Requests run one
// after another in the order posted; quit() lets the queued ones finish and
// ends the thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace velor {

class WorkerThread {
  public:
    using Handler = std::function<void(std::uint32_t message)>;

    explicit WorkerThread(Handler handler);
    ~WorkerThread();  // quit() and wait
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    void post(std::uint32_t message);
    // Waits without a time limit for the queued messages and the thread to end.
    void quit();
    // True while no message is queued or running (for tests).
    bool idle() const;
    // Blocks until idle (for tests).
    void waitIdle() const;

  private:
    void run();

    Handler handler_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<std::uint32_t> queue_;
    bool running_ = false;
    bool quitting_ = false;
    std::thread thread_;
};

}  // namespace velor
