#include "platform/local_server.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <list>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/thread_name.h"
#include "platform/windows/user_only_pipe.h"
#include "platform/windows/win32_text.h"

namespace velor {

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kBusyWriteMs = 100;

// One connection's answer, handed in from any thread; kept alive by the
// answer function, so that an answer after the connection went is harmless.
struct AnswerSlot {
    AnswerSlot() : ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~AnswerSlot() {
        if (ready != nullptr) ::CloseHandle(ready);
    }
    std::mutex mutex;
    std::optional<std::string> answer;
    HANDLE ready;
};

// Named pipe instances, one per connection: a thread waits for the next
// client while a thread of each connection reads its request, waits for the
// answer and writes it.
class PipeServer final : public LocalServer {
  public:
    PipeServer(std::wstring name, HANDLE first, HANDLE stop, Handlers handlers, Limits limits)
        : name_(std::move(name)),
          waiting_(first),
          stop_(stop),
          handlers_(std::move(handlers)),
          limits_(limits),
          listener_([this] {
              nameThisThread("local-server");
              listen();
          }) {}

    ~PipeServer() override {
        ::SetEvent(stop_);
        listener_.join();
        for (Worker& w : workers_) w.thread.join();
        if (waiting_ != INVALID_HANDLE_VALUE) ::CloseHandle(waiting_);
        ::CloseHandle(stop_);
    }

  private:
    struct Worker {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    // Waits for the overlapped operation, the stop or the time; false unless
    // the operation completed (it is cancelled then).
    bool wait(HANDLE pipe, OVERLAPPED& overlapped, DWORD millis, DWORD* moved) {
        const HANDLE events[2] = {overlapped.hEvent, stop_};
        if (::WaitForMultipleObjects(2, events, FALSE, millis) == WAIT_OBJECT_0)
            return ::GetOverlappedResult(pipe, &overlapped, moved, FALSE) != 0;
        ::CancelIo(pipe);
        ::GetOverlappedResult(pipe, &overlapped, moved, TRUE);
        return false;
    }

    bool io(HANDLE pipe, bool write, char* data, DWORD size, DWORD millis, DWORD* moved) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (overlapped.hEvent == nullptr) return false;
        const BOOL started = write ? ::WriteFile(pipe, data, size, nullptr, &overlapped)
                                   : ::ReadFile(pipe, data, size, nullptr, &overlapped);
        const bool done = (started || ::GetLastError() == ERROR_IO_PENDING) &&
                          wait(pipe, overlapped, millis, moved);
        ::CloseHandle(overlapped.hEvent);
        return done;
    }

    void listen() {
        HANDLE connected = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        while (connected != nullptr) {
            if (waiting_ == INVALID_HANDLE_VALUE) {
                // No instance could be made (out of handles, say): again soon.
                if (::WaitForSingleObject(stop_, 1000) == WAIT_OBJECT_0) break;
                waiting_ = win32::createUserOnlyPipe(name_, false);
                continue;
            }
            OVERLAPPED overlapped{};
            overlapped.hEvent = connected;
            ::ResetEvent(connected);
            DWORD ignored = 0;
            bool ok = ::ConnectNamedPipe(waiting_, &overlapped) != 0;
            const DWORD why = ok ? ERROR_SUCCESS : ::GetLastError();
            if (why == ERROR_PIPE_CONNECTED) ok = true;
            if (why == ERROR_IO_PENDING) {
                ok = wait(waiting_, overlapped, INFINITE, &ignored);
                if (::WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) break;
            }
            HANDLE client = waiting_;
            waiting_ = win32::createUserOnlyPipe(name_, false);
            if (ok) {
                start(client);
            } else {
                ::CloseHandle(client);
                if (::WaitForSingleObject(stop_, 100) == WAIT_OBJECT_0) break;
            }
        }
        if (connected != nullptr) ::CloseHandle(connected);
    }

    void start(HANDLE client) {
        workers_.remove_if([](Worker& w) {
            if (!w.done) return false;
            w.thread.join();
            return true;
        });
        // Beyond the bound a client costs no thread: the busy answer fits the
        // pipe's buffer, and a client that does not take it is not waited for.
        if (open_ >= limits_.connections) return refuse(client);
        ++open_;
        Worker& w = workers_.emplace_back();
        w.thread = std::thread([this, client, &w] {
            serve(client);
            --open_;
            w.done = true;
        });
    }

    void serve(HANDLE client) {
        const Clock::time_point deadline = Clock::now() + limits_.request;
        std::string in;
        char buffer[4096];
        Received r = Received::partial;
        while (r == Received::partial) {
            const auto left = std::chrono::ceil<Millis>(deadline - Clock::now()).count();
            DWORD n = 0;
            // Out of time, stopped, or the client went: hung up on.
            if (left <= 0 ||
                !io(client, false, buffer, sizeof buffer, static_cast<DWORD>(left), &n))
                return finish(client, {});
            in.append(buffer, n);
            r = handlers_.judge(in);
        }
        auto slot = std::make_shared<AnswerSlot>();
        handlers_.onRequest(std::move(in), r, [slot](std::string answer) {
            const std::lock_guard lock(slot->mutex);
            if (slot->answer) return;
            slot->answer = std::move(answer);
            ::SetEvent(slot->ready);
        });
        const HANDLE events[2] = {slot->ready, stop_};
        if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0)
            return finish(client, {});
        std::string answer;
        {
            const std::lock_guard lock(slot->mutex);
            answer = std::move(*slot->answer);
        }
        finish(client, answer);
    }

    // Neither flushed nor disconnected, which would wait for the client or
    // discard the answer: closing our end leaves it to be read.
    void refuse(HANDLE client) {
        std::string answer = handlers_.busy;
        DWORD n = 0;
        if (!answer.empty())
            io(client, true, answer.data(), static_cast<DWORD>(answer.size()), kBusyWriteMs, &n);
        ::CloseHandle(client);
    }

    void finish(HANDLE client, std::string answer) {
        DWORD n = 0;
        if (!answer.empty() &&
            io(client, true, answer.data(), static_cast<DWORD>(answer.size()), INFINITE, &n))
            ::FlushFileBuffers(client);
        ::DisconnectNamedPipe(client);
        ::CloseHandle(client);
    }

    const std::wstring name_;
    HANDLE waiting_;  // the instance the next client reaches
    const HANDLE stop_;
    const Handlers handlers_;
    const Limits limits_;
    std::atomic<int> open_{0};
    std::list<Worker> workers_;
    std::thread listener_;
};

}  // namespace

std::unique_ptr<LocalServer> LocalServer::listen(const std::string& path, Handlers handlers,
                                                 Limits limits, std::string* error) {
    HANDLE first = win32::claimUserOnlyPipe(path, error);
    if (first == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop == nullptr) {
        if (error) *error = "cannot make an event for " + path + ": " + win32::lastErrorText();
        ::CloseHandle(first);
        return nullptr;
    }
    return std::make_unique<PipeServer>(win32::widen(path), first, stop, std::move(handlers),
                                        limits);
}

}  // namespace velor
