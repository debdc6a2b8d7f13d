// The named pipes: velorctl's request and the program's answer, the "show"
// request of a second copy, command lines into a pipe, who may open them, and
// the program's own server of such requests within its limits.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, whose types it uses
#include <aclapi.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/command_pipe.h"
#include "platform/control_client.h"
#include "platform/instance_notify.h"
#include "platform/local_server.h"
#include "platform/windows/user_only_pipe.h"
#include "platform/windows/win32_text.h"
#include "util/virtual_clock.h"
#include "windows_test_support.h"

namespace velor {
namespace {

using namespace std::string_literals;

// The program's end as its local server makes it (this user alone): takes one
// client, reads until `complete` says the request is whole, then answers
// `reply` (or, with hang, not until the test ends).
class OneClientServer {
  public:
    OneClientServer(const std::string& name, std::size_t requestSize, std::string reply,
                    bool hang = false)
        : pipe_(win32::createUserOnlyPipe(win32::widen(name), true)),
          release_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        thread_ = std::thread([=, this] { serve(requestSize, reply, hang); });
    }
    ~OneClientServer() {
        ::SetEvent(release_);
        thread_.join();
        ::CloseHandle(pipe_);
        ::CloseHandle(release_);
    }
    bool ok() const { return pipe_ != INVALID_HANDLE_VALUE; }
    std::string received() {
        thread_.join();
        thread_ = std::thread([] {});
        return received_;
    }

  private:
    bool io(bool write, void* data, DWORD size, DWORD* moved) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        BOOL started = write ? ::WriteFile(pipe_, data, size, nullptr, &overlapped)
                             : ::ReadFile(pipe_, data, size, nullptr, &overlapped);
        const bool done = (started || ::GetLastError() == ERROR_IO_PENDING) &&
                          ::GetOverlappedResult(pipe_, &overlapped, moved, TRUE);
        ::CloseHandle(overlapped.hEvent);
        return done;
    }
    void serve(std::size_t requestSize, std::string reply, bool hang) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        DWORD moved = 0;
        if (!::ConnectNamedPipe(pipe_, &overlapped) && ::GetLastError() == ERROR_IO_PENDING)
            ::GetOverlappedResult(pipe_, &overlapped, &moved, TRUE);
        ::CloseHandle(overlapped.hEvent);
        char buffer[256];
        while (received_.size() < requestSize && io(false, buffer, sizeof buffer, &moved))
            received_.append(buffer, moved);
        if (hang) ::WaitForSingleObject(release_, INFINITE);
        if (!reply.empty()) io(true, reply.data(), static_cast<DWORD>(reply.size()), &moved);
        ::FlushFileBuffers(pipe_);
        ::DisconnectNamedPipe(pipe_);
    }

    HANDLE pipe_;
    HANDLE release_;
    std::string received_;
    std::thread thread_;
};

// velorctl's "reports 3": two arguments, each with its length, little-endian.
const std::string kRequest =
    "\x02\0\0\0"s
    "\x07\0\0\0reports"s
    "\x01\0\0\0"
    "3"s;
// Exit code 4, output "ok\n", errors "no\n".
const std::string kAnswer =
    "\x04\0\0\0"s
    "\x03\0\0\0ok\n"s
    "\x03\0\0\0no\n"s;

TEST(WindowsControlClient, RequestAndAnswerCrossThePipeAsOnTheSocket) {
    const std::string name = testing::uniquePipeName("control");
    OneClientServer server(name, kRequest.size(), kAnswer);
    ASSERT_TRUE(server.ok());
    const auto answer = askRunningProgram(name, {"reports", "3"}, Millis{60'000});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->exitCode, 4);
    EXPECT_EQ(answer->out, "ok\n");
    EXPECT_EQ(answer->err, "no\n");
    EXPECT_EQ(server.received(), kRequest);
}

TEST(WindowsControlClient, NobodyListeningHungOrGoneAreToldApart) {
    EXPECT_FALSE(askRunningProgram(testing::uniquePipeName("none"), {"reports"}, Millis{1000}));
    const std::string hung = testing::uniquePipeName("hung");
    {
        OneClientServer server(hung, kRequest.size(), {}, /*hang=*/true);
        const auto late = askRunningProgram(hung, {"reports", "3"}, Millis{200});
        ASSERT_TRUE(late);
        EXPECT_EQ(late->exitCode, 1);
        EXPECT_TRUE(late->err.starts_with("velorctl: the program did not answer within 200 ms"))
            << late->err;
    }
    const std::string gone = testing::uniquePipeName("gone");
    OneClientServer server(gone, kRequest.size(), "\x04\0"s);  // half an exit code, then closed
    const auto cut = askRunningProgram(gone, {"reports", "3"}, Millis{60'000});
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->exitCode, 1);
    EXPECT_EQ(cut->err, "velorctl: the program stopped before it answered\n");
}

TEST(WindowsInstanceNotify, ASecondCopyWritesShowToTheFirstsPipe) {
    const std::string name = testing::uniquePipeName("instance");
    OneClientServer server(name, 5, {});
    VirtualClock clock;
    ASSERT_TRUE(notifyFirstInstance(name, clock));
    EXPECT_EQ(server.received(), "show\n");
    std::string why;
    const std::string none = testing::uniquePipeName("none");
    EXPECT_FALSE(notifyFirstInstance(none, clock, &why));
    EXPECT_EQ(why, "nobody listens at " + none);
}

// The SID of the user this test runs as, read from its own token.
std::vector<std::uint8_t> ourUser() {
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<std::uint8_t> buffer(size);
    ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    ::CloseHandle(token);
    return buffer;
}

TEST(WindowsCommandPipe, LinesArriveAndOnlyThisUserMayOpenThePipe) {
    const std::string name = testing::uniquePipeName("commands");
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::string> lines;
    std::string error;
    auto pipe = CommandPipe::open(
        name,
        [&](const std::string& line) {
            const std::lock_guard lock(mutex);
            lines.push_back(line);
            arrived.notify_all();
        },
        &error);
    ASSERT_TRUE(pipe) << error;

    HANDLE client = ::CreateFileW(win32::widen(name).c_str(), GENERIC_WRITE | READ_CONTROL, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    // One rule only: this user, with every right (what the local server grants).
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetSecurityInfo(client, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &dacl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr);
    ASSERT_EQ(dacl->AceCount, 1);
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(::GetAce(dacl, 0, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(ace->Mask, static_cast<DWORD>(FILE_ALL_ACCESS));
    auto user = ourUser();
    EXPECT_TRUE(::EqualSid(&ace->SidStart, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid));
    ::LocalFree(descriptor);

    const std::string written = "apply 3\r\nsleep 1\npart";
    DWORD n = 0;
    ASSERT_TRUE(
        ::WriteFile(client, written.data(), static_cast<DWORD>(written.size()), &n, nullptr));
    std::unique_lock lock(mutex);
    arrived.wait(lock, [&] { return lines.size() >= 2; });
    EXPECT_EQ(lines, (std::vector<std::string>{"apply 3", "sleep 1"}));
    lock.unlock();
    ::CloseHandle(client);
}

// The program's server end: a request answered once it has come whole, the
// answer whenever the program has it; one client beyond the limit told it is
// busy, one that never finishes its request hung up on, and an answer after
// the server went harmless.
TEST(WindowsLocalServer, AnswersWholeRequestsWithinItsLimits) {
    const std::string name = testing::uniquePipeName("server");
    std::mutex mutex;
    std::condition_variable held;
    std::vector<LocalServer::Answer> answers;
    LocalServer::Handlers handlers;
    handlers.judge = [](std::string_view bytes) {
        bool bad = false;
        const auto request = decodeRequest(bytes, &bad);
        return bad       ? LocalServer::Received::malformed
               : request ? LocalServer::Received::whole
                         : LocalServer::Received::partial;
    };
    handlers.onRequest = [&](std::string bytes, LocalServer::Received, LocalServer::Answer answer) {
        bool bad = false;
        const std::string what = decodeRequest(bytes, &bad)->args.at(0);
        if (what != "hold") return answer(encodeAnswer({0, what + "\n", ""}));
        const std::lock_guard lock(mutex);
        answers.push_back(std::move(answer));
        held.notify_all();
    };
    handlers.busy = encodeAnswer({1, "", "busy\n"});
    std::string error;
    auto server = LocalServer::listen(name, handlers, {1, Millis(300)}, &error);
    ASSERT_TRUE(server) << error;

    const auto echo = askRunningProgram(name, {"echo"}, Millis(5000));
    ASSERT_TRUE(echo.has_value());
    EXPECT_EQ(echo->out, "echo\n");

    std::optional<ControlAnswer> late;
    std::thread holder([&] { late = askRunningProgram(name, {"hold"}, Millis(10000)); });
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(held.wait_for(lock, std::chrono::seconds(5), [&] { return !answers.empty(); }));
    }
    const auto crowded = askRunningProgram(name, {"echo"}, Millis(5000));
    ASSERT_TRUE(crowded.has_value());
    EXPECT_EQ(crowded->exitCode, 1);
    EXPECT_EQ(crowded->err, "busy\n");
    answers.front()(encodeAnswer({0, "late\n", ""}));
    holder.join();
    ASSERT_TRUE(late.has_value());
    EXPECT_EQ(late->out, "late\n");

    // Three bytes of a request, and no more: hung up on once its time is up.
    const auto stalled = win32::connectToOwnPipe(win32::widen(name), 1000);
    ASSERT_TRUE(stalled.has_value());
    const std::string part = encodeRequest({"echo"}).substr(0, 3);
    DWORD n = 0;
    OVERLAPPED overlapped{};
    overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(::WriteFile(*stalled, part.data(), 3, nullptr, &overlapped) ||
                ::GetLastError() == ERROR_IO_PENDING);
    ASSERT_TRUE(::GetOverlappedResult(*stalled, &overlapped, &n, TRUE));
    char byte = 0;
    ::ResetEvent(overlapped.hEvent);
    const bool reading = ::ReadFile(*stalled, &byte, 1, nullptr, &overlapped) ||
                         ::GetLastError() == ERROR_IO_PENDING;
    EXPECT_TRUE(!reading || ::WaitForSingleObject(overlapped.hEvent, 5000) == WAIT_OBJECT_0);
    EXPECT_FALSE(::GetOverlappedResult(*stalled, &overlapped, &n, FALSE));  // closed, nothing read
    ::CloseHandle(overlapped.hEvent);
    ::CloseHandle(*stalled);

    std::thread kept([&] { askRunningProgram(name, {"hold"}, Millis(3000)); });
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(
            held.wait_for(lock, std::chrono::seconds(5), [&] { return answers.size() == 2; }));
    }
    server.reset();
    answers.back()(encodeAnswer({0, "nobody\n", ""}));
    kept.join();
}

}  // namespace
}  // namespace velor
