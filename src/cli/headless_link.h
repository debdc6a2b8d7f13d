// The device link without a window: nothing to show, nowhere to post, and a
// 2.4 GHz receiver that reads the mouse's acknowledgement after each report
// as the page's receiver monitor would, so nothing is sent twice.
#pragma once

#include <array>
#include <memory>

#include "device/device_link.h"
#include "device/link_view.h"
#include "hid/hid_backend.h"
#include "platform/message_poster.h"

namespace velor::cli {

class NoView final : public LinkView {
  public:
    void showWiredIcon(bool) override {}
    void showSleepLabel(bool) override {}
    void showChargingText() override {}
    void clearPowerLabel() override {}
    void startChargingAnimation(bool) override {}
    void stopChargingAnimation() override {}
    void showFeatureSections() override {}
    void onStatusReport(std::uint16_t, std::uint16_t) override {}
    void onLinkUp() override {}
};

class NoWindow final : public MessagePoster {
  public:
    void post(std::uint32_t, std::uintptr_t, std::intptr_t) override {}
};

class AcknowledgedReceiver final : public HidDevice {
  public:
    // How long a report may take to be acknowledged before it is sent again.
    AcknowledgedReceiver(std::shared_ptr<HidDevice> command, std::shared_ptr<HidDevice> reports,
                         DeviceLink& link, int ackWaitMs = 0)
        : command_(std::move(command)), reports_(std::move(reports)), link_(link),
          ackWaitMs_(ackWaitMs) {}
    int sendFeatureReport(std::span<const std::uint8_t> report) override {
        const int sent = command_->sendFeatureReport(report);
        std::array<std::uint8_t, 64> in{};
        int wait = ackWaitMs_;
        while (reports_->readTimeout(in, wait) >= 5) {
            if (in[0] == 3 && in[2] == 0x50 && in[3] == 0) {
                link_.setStopResend(true);
                break;
            }
            wait = 0;
        }
        return sent;
    }
    int write(std::span<const std::uint8_t> report) override { return command_->write(report); }
    int readTimeout(std::span<std::uint8_t> buffer, int ms) override {
        return command_->readTimeout(buffer, ms);
    }
    bool setNonBlocking(bool on) override { return command_->setNonBlocking(on); }

  private:
    std::shared_ptr<HidDevice> command_;
    std::shared_ptr<HidDevice> reports_;
    DeviceLink& link_;
    int ackWaitMs_;
};

}  // namespace velor::cli
