#include "device/worker_thread.h"
#include "platform/thread_name.h"

namespace velor {

WorkerThread::WorkerThread(Handler handler) : handler_(std::move(handler)) {
    thread_ = std::thread([this] {
        nameThisThread("page-worker");
        run();
    });
}

WorkerThread::~WorkerThread() {
    quit();
}

void WorkerThread::post(std::uint32_t message) {
    {
        const std::lock_guard guard(mutex_);
        if (quitting_) return;
        queue_.push_back(message);
    }
    changed_.notify_all();
}

void WorkerThread::quit() {
    {
        const std::lock_guard guard(mutex_);
        quitting_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool WorkerThread::idle() const {
    const std::lock_guard guard(mutex_);
    return queue_.empty() && !running_;
}

void WorkerThread::waitIdle() const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && !running_; });
}

void WorkerThread::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quitting_ || !queue_.empty(); });
        if (queue_.empty()) return;  // quitting, nothing left
        const std::uint32_t message = queue_.front();
        queue_.pop_front();
        running_ = true;
        lock.unlock();
        handler_(message);
        lock.lock();
        running_ = false;
        changed_.notify_all();
    }
}

}  // namespace velor
