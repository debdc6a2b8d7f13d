#include "hid/linux/hidraw_input.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace velor {

HidrawInput::HidrawInput(std::string path)
    : path_(std::move(path)), cancel_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

HidrawInput::~HidrawInput() {
    if (input_ >= 0) ::close(input_);
    if (cancel_ >= 0) ::close(cancel_);
}

int HidrawInput::readTimeout(std::span<std::uint8_t> buffer, int timeoutMs) {
    if (input_ < 0) input_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (input_ < 0 || cancel_ < 0) return -1;
    pollfd waits[2] = {{input_, POLLIN, 0}, {cancel_, POLLIN, 0}};
    int ready = 0;
    do {
        ready = ::poll(waits, 2, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return -1;
    if ((waits[1].revents & POLLIN) != 0) return 0;  // told to stop
    if ((waits[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return -1;
    if ((waits[0].revents & POLLIN) == 0) return 0;
    const ssize_t n = ::read(input_, buffer.data(), buffer.size());
    return hidrawReadResult(n, n < 0 ? errno : 0);
}

int hidrawReadResult(long bytesRead, int error) {
    // Another reader of the node may have taken the report since poll woke us.
    if (bytesRead < 0) return error == EAGAIN ? 0 : -1;
    return static_cast<int>(bytesRead);
}

void HidrawInput::cancel() {
    const std::uint64_t one = 1;
    if (cancel_ >= 0) {
        [[maybe_unused]] const auto n = ::write(cancel_, &one, sizeof one);
    }
}

}  // namespace velor
