#include "platform/command_pipe.h"

#include <windows.h>

#include <thread>

#include "platform/windows/user_only_pipe.h"
#include "platform/windows/win32_text.h"

namespace velor {

namespace {

// A named pipe server taking one writer at a time; the pipe name is the
// "path". The pipe goes with its last handle, so nothing is left behind.
class NamedCommandPipe final : public CommandPipe {
  public:
    NamedCommandPipe(std::wstring name, HANDLE first, HANDLE stop, HANDLE io, OnLine onLine)
        : name_(std::move(name)),
          pipe_(first),
          stop_(stop),
          io_(io),
          onLine_(std::move(onLine)),
          thread_([this] { run(); }) {}

    ~NamedCommandPipe() override {
        ::SetEvent(stop_);
        thread_.join();
        if (pipe_ != INVALID_HANDLE_VALUE) ::CloseHandle(pipe_);
        ::CloseHandle(stop_);
        ::CloseHandle(io_);
    }

  private:
    // Waits for the overlapped operation or the stop; false on stop.
    bool wait(OVERLAPPED& overlapped) {
        const HANDLE events[2] = {io_, stop_};
        if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0) return true;
        ::CancelIo(pipe_);
        DWORD ignored = 0;
        ::GetOverlappedResult(pipe_, &overlapped, &ignored, TRUE);
        return false;
    }

    // Lines of one writer until it closes its end; false on stop.
    bool serveWriter(std::string& pending) {
        char buffer[512];
        for (;;) {
            OVERLAPPED overlapped{};
            overlapped.hEvent = io_;
            DWORD n = 0;
            if (!::ReadFile(pipe_, buffer, sizeof buffer, nullptr, &overlapped) &&
                ::GetLastError() != ERROR_IO_PENDING)
                return true;
            if (!wait(overlapped)) return false;
            if (!::GetOverlappedResult(pipe_, &overlapped, &n, FALSE)) return true;
            pending.append(buffer, n);
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                onLine_(line);
            }
        }
    }

    void run() {
        std::string pending;
        for (;;) {
            OVERLAPPED overlapped{};
            overlapped.hEvent = io_;
            bool connected = ::ConnectNamedPipe(pipe_, &overlapped) != 0;
            const DWORD why = connected ? ERROR_SUCCESS : ::GetLastError();
            if (why == ERROR_PIPE_CONNECTED) connected = true;
            if (why == ERROR_IO_PENDING) {
                if (!wait(overlapped)) return;
                DWORD ignored = 0;
                connected = ::GetOverlappedResult(pipe_, &overlapped, &ignored, FALSE) != 0;
            }
            if (connected && !serveWriter(pending)) return;
            ::DisconnectNamedPipe(pipe_);
            if (!connected && ::WaitForSingleObject(stop_, 100) == WAIT_OBJECT_0) return;
        }
    }

    std::wstring name_;
    HANDLE pipe_;
    HANDLE stop_;
    HANDLE io_;
    OnLine onLine_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<CommandPipe> CommandPipe::open(const std::string& path, OnLine onLine,
                                               std::string* error) {
    HANDLE pipe = win32::claimUserOnlyPipe(path, error);
    if (pipe == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE io = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop == nullptr || io == nullptr) {
        if (error)
            *error = "cannot make events for the pipe " + path + ": " + win32::lastErrorText();
        ::CloseHandle(pipe);
        if (stop != nullptr) ::CloseHandle(stop);
        if (io != nullptr) ::CloseHandle(io);
        return nullptr;
    }
    return std::make_unique<NamedCommandPipe>(win32::widen(path), pipe, stop, io,
                                              std::move(onLine));
}

}  // namespace velor
