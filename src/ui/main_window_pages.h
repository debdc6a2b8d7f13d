// The main window's pages as the receiver monitors see them.
#pragma once

#include "device/receiver_monitor.h"
#include "ui/main_window.h"

namespace velor {

class CMainWnd::PagesForMonitors final : public ReceiverPages {
  public:
    explicit PagesForMonitors(CMainWnd& window) : w_(window) {}
    void bindReceiver(int slot, std::shared_ptr<HidDevice> command,
                      std::shared_ptr<HidDevice> report, bool fourK) override {
        w_.page(slot).setReceiver(std::move(command), std::move(report), fourK);
    }
    void receiverReport(int slot, std::uint16_t word, std::uint16_t value, bool sameModel,
                        bool fourK) override {
        w_.page(slot).onReceiverReport(word, value, sameModel, fourK);
    }
    void withdrawReceiver(int slot, bool fourK) override { w_.page(slot).withdrawReceiver(fourK); }

  private:
    CMainWnd& w_;
};

}  // namespace velor
