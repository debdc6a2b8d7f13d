#include "hid/windows/windows_hid_device.h"

// windows.h first: the device headers build on its types.
#include <windows.h>

// mingw-w64 declares the HID class functions without C linkage.
extern "C" {
#include <hidsdi.h>
}

#include <mutex>
#include <vector>

#include "hid/windows/report_buffers.h"

namespace velor {

namespace {

// How long a write may take before it counts as failed: a receiver takes an
// output report within a few milliseconds, one that does not is stuck or gone.
constexpr DWORD kWriteWaitMs = 1000;

class WindowsHidDevice final : public HidDevice {
  public:
    WindowsHidDevice(UniqueHandle handle, ReportLengths lengths, UniqueHandle readDone,
                     UniqueHandle writeDone, UniqueHandle cancelled)
        : handle_(std::move(handle)),
          lengths_(lengths),
          readDone_(std::move(readDone)),
          writeDone_(std::move(writeDone)),
          cancelled_(std::move(cancelled)),
          readBuffer_(lengths.input) {}

    // A read may still be pending: Windows writes into readBuffer_ until the
    // cancelled request has finished, so wait for it before the buffer goes.
    ~WindowsHidDevice() override {
        if (readPending_) {
            CancelIoEx(handle_.get(), &readOverlapped_);
            DWORD ignored = 0;
            GetOverlappedResult(handle_.get(), &readOverlapped_, &ignored, TRUE);
        }
    }

    int sendFeatureReport(std::span<const std::uint8_t> report) override {
        if (report.empty()) return -1;
        const std::lock_guard guard(sendLock_);
        const auto padded = paddedReport(report, lengths_.feature, featureScratch_);
        // HidD_SetFeature takes a non-const buffer but only reads it.
        const BOOLEAN sent =
            HidD_SetFeature(handle_.get(), const_cast<std::uint8_t*>(padded.data()),
                            static_cast<ULONG>(padded.size()));
        return sent ? static_cast<int>(report.size()) : -1;
    }

    int write(std::span<const std::uint8_t> report) override {
        if (report.empty()) return -1;
        const std::lock_guard guard(sendLock_);
        const auto padded = paddedReport(report, lengths_.output, writeScratch_);
        OVERLAPPED overlapped{};
        overlapped.hEvent = writeDone_.get();
        ResetEvent(writeDone_.get());
        if (!WriteFile(handle_.get(), padded.data(), static_cast<DWORD>(padded.size()), nullptr,
                       &overlapped) &&
            GetLastError() != ERROR_IO_PENDING)
            return -1;
        DWORD written = 0;
        if (WaitForSingleObject(writeDone_.get(), kWriteWaitMs) != WAIT_OBJECT_0) {
            // The buffer and the OVERLAPPED live on this stack: the request
            // must be over before they go.
            CancelIoEx(handle_.get(), &overlapped);
            GetOverlappedResult(handle_.get(), &overlapped, &written, TRUE);
            return -1;
        }
        if (!GetOverlappedResult(handle_.get(), &overlapped, &written, FALSE)) return -1;
        // The padding is ours: the caller sent its report when all of it went.
        return written >= report.size() ? static_cast<int>(report.size()) : -1;
    }

    int readTimeout(std::span<std::uint8_t> buffer, int timeoutMs) override {
        const std::lock_guard guard(readLock_);
        if (WaitForSingleObject(cancelled_.get(), 0) == WAIT_OBJECT_0) return 0;
        if (readBuffer_.empty()) return -1;  // the collection has no input reports
        if (!readPending_) {
            readOverlapped_ = OVERLAPPED{};
            readOverlapped_.hEvent = readDone_.get();
            ResetEvent(readDone_.get());
            if (!ReadFile(handle_.get(), readBuffer_.data(), static_cast<DWORD>(readBuffer_.size()),
                          nullptr, &readOverlapped_) &&
                GetLastError() != ERROR_IO_PENDING)
                return -1;
            readPending_ = true;
        }
        // A read that times out stays pending: the report it brings later is
        // the next call's, not lost.
        const HANDLE events[] = {readDone_.get(), cancelled_.get()};
        const DWORD wait = WaitForMultipleObjects(
            2, events, FALSE, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
        if (wait == WAIT_TIMEOUT || wait == WAIT_OBJECT_0 + 1) return 0;
        if (wait != WAIT_OBJECT_0) return -1;
        DWORD received = 0;
        const BOOL done = GetOverlappedResult(handle_.get(), &readOverlapped_, &received, TRUE);
        readPending_ = false;
        if (!done) return -1;  // unplugged, or the handle broke
        return static_cast<int>(copyInputReport({readBuffer_.data(), received}, buffer));
    }

    void cancelReads() override { SetEvent(cancelled_.get()); }

    // Reads always say how long they wait.
    bool setNonBlocking(bool) override { return true; }

  private:
    UniqueHandle handle_;
    const ReportLengths lengths_;
    UniqueHandle readDone_;
    UniqueHandle writeDone_;
    UniqueHandle cancelled_;  // manual reset: once set, every later read returns at once

    std::mutex sendLock_;  // feature and output reports share the scratch buffers
    std::vector<std::uint8_t> featureScratch_;
    std::vector<std::uint8_t> writeScratch_;

    std::mutex readLock_;
    std::vector<std::uint8_t> readBuffer_;
    OVERLAPPED readOverlapped_{};
    bool readPending_ = false;
};

}  // namespace

std::unique_ptr<HidDevice> makeWindowsHidDevice(UniqueHandle handle, ReportLengths lengths) {
    UniqueHandle readDone = makeEvent(true);
    UniqueHandle writeDone = makeEvent(true);
    UniqueHandle cancelled = makeEvent(true);
    if (!handle.valid() || !readDone.valid() || !writeDone.valid() || !cancelled.valid())
        return nullptr;
    return std::make_unique<WindowsHidDevice>(std::move(handle), lengths, std::move(readDone),
                                              std::move(writeDone), std::move(cancelled));
}

}  // namespace velor
