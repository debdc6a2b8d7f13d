#include "ui/page/polling_section.h"

#include <QCheckBox>

namespace velor {

namespace {

constexpr int kFourRates = 4;
constexpr int kHighestFourRate = kFourRates - 1;

void setShown(QWidget* w, bool shown) {
    if (w) w->setVisible(shown);
}

}  // namespace

void PollingSection::bind(const ControlIndex& c) {
    rates_ = c.numbered<QAbstractButton, kRates>("btn_prate_%1");
    highRates_ = c.numbered<QAbstractButton, kRates>("btn_prate_hs_%1");
    caption_ = c.get("label_prate");
    section_ = c.get<QCheckBox>("check_prate");
    fourRateSet_ = c.get("ver_prate");
    sevenRateSet_ = c.get("ver_prate_hs");
    // Only the four-rate slots name the rate in a caption.
    if (env_.model.pollingOptions != PollingOptions::FourRates) setShown(caption_, false);
}

void PollingSection::refresh(const ProfileRecord& r) {
    offerByLink();
    showRate(Field::pollingRate, env_.current().i32(Field::pollingRate));
    if (env_.model.pollingOptions == PollingOptions::TwoSettings)
        showRate(Field::pollingRateHs, r.i32(Field::pollingRateHs));
}

void PollingSection::showRate(Field field, int rate) {
    const auto& options = field == Field::pollingRateHs ? highRates_ : rates_;
    if (rate < 0 || rate >= static_cast<int>(kRates)) return;
    checkQuietly(options[static_cast<std::size_t>(rate)]);
    if (field == Field::pollingRate && env_.model.pollingOptions == PollingOptions::FourRates &&
        rate < kFourRates)
        env_.context.skin.setTextId(caption_, QStringLiteral("prate_%1_text").arg(rate + 1));
}

bool PollingSection::fourRateLinkUp() const {
    return env_.link.wiredState() == 1 || env_.link.wirelessOnline();
}

void PollingSection::offerByLink() {
    const PollingOptions options = env_.model.pollingOptions;
    // The rates above 1000 Hz exist only through the 4K receiver.
    const bool upperRates = options == PollingOptions::SevenRates && !fourRateLinkUp();
    for (std::size_t k = kFourRates; k < kRates; ++k) setShown(rates_[k], upperRates);
    if (options == PollingOptions::SevenRates && fourRateLinkUp()) {
        bool clamped = false;
        env_.edit([&](ProfileRecord& r) {
            if (r.i32(Field::pollingRate) <= kHighestFourRate) return;
            r.set(Field::pollingRate, kHighestFourRate);
            clamped = true;
        });
        if (clamped) checkQuietly(rates_[kHighestFourRate]);
    }
    if (options == PollingOptions::TwoSettings) {
        // The four-rate set on the cable and the 2.4 GHz receiver, the
        // seven-rate one on the 4K receiver, neither without a link.
        const bool open = section_ == nullptr || section_->isChecked();
        setShown(fourRateSet_, open && fourRateLinkUp());
        setShown(sevenRateSet_, open && !fourRateLinkUp() && env_.link.wireless4kOnline());
    } else {
        setShown(sevenRateSet_, false);
    }
}

bool PollingSection::notify(const Notification& n) {
    if (n.type == "checkclick" && n.control == section_ && section_ &&
        env_.model.pollingOptions == PollingOptions::TwoSettings) {
        offerByLink();
        return true;
    }
    if (n.type != "selectchanged") return false;
    Field field = Field::pollingRate;
    int k = indexOf(rates_, n.control);
    if (k < 0 && (k = indexOf(highRates_, n.control)) >= 0) field = Field::pollingRateHs;
    if (k < 0) return false;
    env_.edit([&](ProfileRecord& r) { r.set(field, k); });
    showRate(field, k);
    env_.requestApply();
    return true;
}

}  // namespace velor
