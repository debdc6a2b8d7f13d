#include "platform/command_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace velor {

namespace {

class FifoPipe final : public CommandPipe {
  public:
    FifoPipe(std::string path, bool made, int fifo, int stopRead, int stopWrite, OnLine onLine)
        : path_(std::move(path)),
          made_(made),
          fifo_(fifo),
          stopRead_(stopRead),
          stopWrite_(stopWrite),
          onLine_(std::move(onLine)),
          thread_([this] { run(); }) {}

    ~FifoPipe() override {
        const char stop = 1;
        (void)::write(stopWrite_, &stop, 1);
        thread_.join();
        ::close(fifo_);
        ::close(stopRead_);
        ::close(stopWrite_);
        if (made_) ::unlink(path_.c_str());
    }

  private:
    void run() {
        std::string pending;
        char buffer[512];
        for (;;) {
            pollfd fds[2] = {{fifo_, POLLIN, 0}, {stopRead_, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents != 0) return;
            const ssize_t n = ::read(fifo_, buffer, sizeof buffer);
            if (n <= 0) continue;
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                onLine_(line);
            }
        }
    }

    std::string path_;
    bool made_;
    int fifo_;
    int stopRead_;
    int stopWrite_;
    OnLine onLine_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<CommandPipe> CommandPipe::open(const std::string& path, OnLine onLine,
                                               std::string* error) {
    const auto fail = [&](const std::string& what) {
        if (error) *error = what + " " + path + ": " + std::strerror(errno);
        return nullptr;
    };
    bool made = false;
    if (::mkfifo(path.c_str(), 0600) == 0) {
        made = true;
    } else if (errno != EEXIST) {
        return fail("cannot make the pipe");
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISFIFO(st.st_mode)) {
        errno = EEXIST;
        return fail("not a pipe:");
    }
    // Open for writing too, so that the pipe never reads as ended when a
    // writer closes it, and opening does not wait for a writer.
    const int fifo = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fifo < 0) return fail("cannot open the pipe");
    int stop[2];
    if (::pipe2(stop, O_CLOEXEC) != 0) {
        ::close(fifo);
        return fail("cannot make a stop pipe for");
    }
    return std::make_unique<FifoPipe>(path, made, fifo, stop[0], stop[1], std::move(onLine));
}

}  // namespace velor
