#include "platform/termination_requests.h"

#include <windows.h>

#include <atomic>

namespace velor {

namespace {

// The console calls the routine on a thread of its own; one install at a time.
std::atomic<TerminationRequests::Handler*> current{nullptr};
std::atomic<bool> requested{false};

BOOL WINAPI onConsoleEvent(DWORD event) {
    TerminationRequests::Handler* handler = current.load();
    // A second request while the first is being answered: the default ends us.
    if (handler == nullptr || requested.exchange(true)) return FALSE;
    (*handler)(static_cast<int>(event));
    return TRUE;
}

class WindowsTerminationRequests final : public TerminationRequests {
  public:
    explicit WindowsTerminationRequests(Handler handler) : handler_(std::move(handler)) {
        requested = false;
        current = &handler_;
        SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    }
    ~WindowsTerminationRequests() override {
        SetConsoleCtrlHandler(onConsoleEvent, FALSE);
        current = nullptr;
    }

  private:
    Handler handler_;
};

}  // namespace

std::unique_ptr<TerminationRequests> TerminationRequests::install(Handler handler) {
    return std::make_unique<WindowsTerminationRequests>(std::move(handler));
}

}  // namespace velor
