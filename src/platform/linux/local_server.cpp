#include "platform/local_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/thread_name.h"

namespace velor {

namespace {

using Clock = std::chrono::steady_clock;

// Descriptors below the process's limit that a client is never given (a
// quarter of them under a limit below 256).
constexpr rlim_t kSpareDescriptors = 64;

// What the answers handed in from other threads meet: kept alive by them, so
// that an answer after the server went finds it gone and does nothing.
struct AnswerBox {
    std::mutex mutex;
    std::map<std::uint64_t, std::string> answers;
    int wake = -1;  // the thread's wake-up pipe; -1 once the server went
};

void wakeUp(int fd) {
    const char byte = 1;
    (void)::write(fd, &byte, 1);
}

class SocketServer final : public LocalServer {
  public:
    SocketServer(std::string path, int listener, int wakeRead, int wakeWrite, Handlers handlers,
                 Limits limits)
        : path_(std::move(path)),
          listener_(listener),
          wakeRead_(wakeRead),
          handlers_(std::move(handlers)),
          limits_(limits),
          box_(std::make_shared<AnswerBox>()) {
        box_->wake = wakeWrite;
        reserve_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        thread_ = std::thread([this] {
            nameThisThread("local-server");
            run();
        });
    }

    ~SocketServer() override {
        stop_ = true;
        {
            const std::lock_guard lock(box_->mutex);
            wakeUp(box_->wake);
        }
        thread_.join();
        {
            const std::lock_guard lock(box_->mutex);
            ::close(box_->wake);
            box_->wake = -1;
        }
        for (const Connection& c : connections_) ::close(c.fd);
        ::close(listener_);
        ::close(wakeRead_);
        if (reserve_ >= 0) ::close(reserve_);
        ::unlink(path_.c_str());
    }

  private:
    // draining: the answer is out and our end shut for writing; what the
    // client still sends is read until it closes, or until a newcomer needs
    // the place.
    enum class State { reading, answering, writing, draining, closed };

    struct Connection {
        std::uint64_t id;
        int fd;
        State state;
        Clock::time_point deadline;
        std::string in, out;
        std::size_t sent = 0;
        // The client shut its sending side (nc -N, socat): nothing more is
        // read, while the answer still goes out.
        bool peerDone = false;
    };

    void run() {
        std::vector<pollfd> fds;
        while (!stop_) {
            takeAnswers();
            fds.clear();
            fds.push_back({wakeRead_, POLLIN, 0});
            const bool accepting = Clock::now() >= acceptPausedUntil_;
            fds.push_back({listener_, static_cast<short>(accepting ? POLLIN : 0), 0});
            for (const Connection& c : connections_)
                fds.push_back({c.fd,
                               static_cast<short>((c.peerDone ? 0 : POLLIN) |
                                                  (c.state == State::writing ? POLLOUT : 0)),
                               0});
            if (::poll(fds.data(), fds.size(), timeoutMs(accepting)) < 0 && errno != EINTR) return;
            if (fds[0].revents != 0) drainWakeUps();
            const Clock::time_point now = Clock::now();
            for (std::size_t i = 2; i < fds.size(); ++i) {
                Connection& c = connections_[i - 2];
                const short events = fds[i].revents;
                if (events & (POLLIN | POLLHUP | POLLERR)) receive(c, events & (POLLHUP | POLLERR));
                if (c.state == State::writing && (events & POLLOUT)) send(c);
                const bool waits = c.state == State::reading || c.state == State::draining;
                if (waits && now >= c.deadline) c.state = State::closed;
            }
            std::erase_if(connections_, [](const Connection& c) {
                if (c.state == State::closed) ::close(c.fd);
                return c.state == State::closed;
            });
            // After the closes above, so that places freed this turn count.
            if (fds[1].revents != 0) acceptAll();
        }
    }

    int timeoutMs(bool accepting) const {
        Clock::time_point next = accepting ? Clock::time_point::max() : acceptPausedUntil_;
        for (const Connection& c : connections_)
            if (c.state == State::reading || c.state == State::draining)
                next = std::min(next, c.deadline);
        if (next == Clock::time_point::max()) return -1;
        const auto left = std::chrono::ceil<Millis>(next - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
    }

    void drainWakeUps() {
        char bytes[64];
        while (::read(wakeRead_, bytes, sizeof bytes) > 0) {
        }
    }

    void takeAnswers() {
        const std::lock_guard lock(box_->mutex);
        for (auto& [id, answer] : box_->answers) {
            const auto it = std::ranges::find(connections_, id, &Connection::id);
            if (it == connections_.end() || it->state != State::answering) continue;
            it->out = std::move(answer);
            it->state = State::writing;
        }
        box_->answers.clear();
    }

    // Every client waiting is taken at once: those beyond the bound are
    // answered and closed on the spot, so that a crowd holds no descriptor.
    void acceptAll() {
        if (reserve_ < 0) reserve_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        const rlim_t limit = descriptorLimit();
        for (;;) {
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                admit(fd, limit);
                continue;
            }
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            if ((errno == EMFILE || errno == ENFILE) && reserve_ >= 0) {
                const Room room = makeRoom();
                if (room == Room::made) continue;
                if (room == Room::notNeeded) return;
            }
            // No descriptor to be had (or another error): look again in a while
            // rather than spin on a queue that stays readable.
            acceptPausedUntil_ = Clock::now() + std::chrono::seconds(1);
            return;
        }
    }

    static rlim_t descriptorLimit() {
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return RLIM_INFINITY;
        return limit.rlim_cur;
    }

    enum class Room { made, notNeeded, none };

    // Out of descriptors, the spare one makes room for the client waiting
    // first: it is told the program is busy rather than left in the queue.
    Room makeRoom() {
        ::close(reserve_);
        const int waiting = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        const bool empty = waiting < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        if (waiting >= 0) refuse(waiting);
        reserve_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (waiting < 0) return empty ? Room::notNeeded : Room::none;
        return Room::made;
    }

    void admit(int fd, rlim_t limit) {
        if (connections_.size() >= static_cast<std::size_t>(limits_.connections)) {
            // A client already answered gives its place up first.
            const auto drained =
                std::ranges::find(connections_, State::draining, &Connection::state);
            if (drained != connections_.end()) {
                ::close(drained->fd);
                connections_.erase(drained);
            }
        }
        // The descriptors near the limit are the rest of the program's (its
        // display connection, the stores): a client would starve it.
        const bool spareLeft =
            limit == RLIM_INFINITY ||
            static_cast<rlim_t>(fd) + std::min(kSpareDescriptors, limit / 4) < limit;
        if (connections_.size() >= static_cast<std::size_t>(limits_.connections) || !spareLeft)
            return refuse(fd);
        connections_.push_back(
            {nextId_++, fd, State::reading, Clock::now() + limits_.request, {}, {}});
    }

    // The busy answer is short enough for the socket's buffer: written once,
    // without waiting, and the connection closed at once. What the client had
    // sent is read first, so that the close does not reset the connection.
    void refuse(int fd) {
        if (!handlers_.busy.empty())
            (void)::send(fd, handlers_.busy.data(), handlers_.busy.size(),
                         MSG_NOSIGNAL | MSG_DONTWAIT);
        char buffer[512];
        (void)::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        ::close(fd);
    }

    // Reads what has come; bytes after the request are read and dropped, so
    // that closing never discards the answer on its way. hungUp: the client
    // is gone both ways, and an answer has nowhere to go.
    void receive(Connection& c, bool hungUp) {
        char buffer[4096];
        bool ended = false, failed = false;
        for (;;) {
            const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                if (c.state == State::reading) c.in.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            ended = n == 0;
            failed = n < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
            break;
        }
        // A client may send its request and go at once (a second copy's
        // "show"): the request still counts.
        if (c.state == State::reading && !c.in.empty()) {
            const Received r = handlers_.judge(c.in);
            if (r != Received::partial) {
                c.state = State::answering;
                handlers_.onRequest(std::move(c.in), r,
                                    [box = box_, id = c.id](std::string answer) {
                                        const std::lock_guard lock(box->mutex);
                                        if (box->wake < 0) return;
                                        box->answers[id] = std::move(answer);
                                        wakeUp(box->wake);
                                    });
                c.in.clear();
            }
        }
        if (failed || hungUp) {
            c.state = State::closed;
        } else if (ended) {
            // Only its sending side closed: a request still being read was
            // cut off, one being answered still gets its answer.
            c.peerDone = true;
            if (c.state == State::reading || c.state == State::draining) c.state = State::closed;
        }
    }

    void send(Connection& c) {
        while (c.sent < c.out.size()) {
            const ssize_t n =
                ::send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
            if (n > 0) {
                c.sent += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;
            } else {
                c.state = State::closed;
                return;
            }
        }
        ::shutdown(c.fd, SHUT_WR);
        c.state = c.peerDone ? State::closed : State::draining;
        c.deadline = Clock::now() + limits_.request;
    }

    const std::string path_;
    const int listener_;
    const int wakeRead_;
    const Handlers handlers_;
    const Limits limits_;
    std::shared_ptr<AnswerBox> box_;
    int reserve_ = -1;
    std::atomic<bool> stop_{false};
    std::vector<Connection> connections_;
    std::uint64_t nextId_ = 1;
    Clock::time_point acceptPausedUntil_{};
    std::thread thread_;
};

}  // namespace

std::unique_ptr<LocalServer> LocalServer::listen(const std::string& path, Handlers handlers,
                                                 Limits limits, std::string* error) {
    const auto fail = [&](const char* what, int fd = -1) -> std::unique_ptr<LocalServer> {
        if (error) *error = std::string(what) + " " + path + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return nullptr;
    };
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return fail("cannot listen at");
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return fail("cannot make a socket for");
    // The caller holds the instance lock: a socket still there was left by a
    // copy that died.
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return fail("cannot bind", fd);
    // Before anyone can connect: this user alone.
    if (::chmod(path.c_str(), 0700) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        const int why = errno;
        ::unlink(path.c_str());
        errno = why;
        return fail("cannot listen at", fd);
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        const int why = errno;
        ::unlink(path.c_str());
        errno = why;
        return fail("cannot make a wake-up pipe for", fd);
    }
    return std::make_unique<SocketServer>(path, fd, wake[0], wake[1], std::move(handlers), limits);
}

}  // namespace velor
