#include "platform/termination_requests.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/thread_name.h"

namespace velor {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The handler may only write to the pipe: everything else happens on the
// thread that reads it. One install at a time, so these are the process's.
std::atomic<int> requestPipe{-1};
std::atomic<bool> requested[NSIG];

void onSignal(int number) {
    const int saved = errno;
    if (requested[number].exchange(true)) {
        // Asked again while the first is still being answered: end now (the
        // signal is delivered as this handler returns).
        ::signal(number, SIG_DFL);
        ::raise(number);
        errno = saved;
        return;
    }
    const unsigned char byte = static_cast<unsigned char>(number);
    if (const int fd = requestPipe.load(); fd >= 0) (void)!::write(fd, &byte, 1);
    errno = saved;
}

class LinuxTerminationRequests final : public TerminationRequests {
  public:
    LinuxTerminationRequests(Handler handler, int readEnd, int writeEnd)
        : handler_(std::move(handler)), read_(readEnd), write_(writeEnd) {
        for (auto& r : requested) r = false;
        requestPipe = write_;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int number : kSignals) ::sigaction(number, &action, nullptr);
        thread_ = std::thread([this] { run(); });
    }

    ~LinuxTerminationRequests() override {
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        for (int number : kSignals) ::sigaction(number, &action, nullptr);
        requestPipe = -1;
        // Zero is no signal: it only ends the reader.
        const unsigned char stop = 0;
        (void)!::write(write_, &stop, 1);
        thread_.join();
        ::close(read_);
        ::close(write_);
    }

  private:
    void run() {
        nameThisThread("velor-signals");
        for (;;) {
            unsigned char number = 0;
            const ssize_t got = ::read(read_, &number, 1);
            if (got < 0 && errno == EINTR) continue;
            if (got != 1 || number == 0) return;
            handler_(number);
        }
    }

    Handler handler_;
    int read_;
    int write_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<TerminationRequests> TerminationRequests::install(Handler handler) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return nullptr;
    // A full pipe drops a request rather than blocking the handler.
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    return std::make_unique<LinuxTerminationRequests>(std::move(handler), ends[0], ends[1]);
}

}  // namespace velor
