#include "ui/page/polling_section.h"

namespace velor {

void PollingSection::bind(const ControlIndex& c) {
    rates_ = c.numbered<QAbstractButton, kRates>("btn_prate_%1");
    caption_ = c.get("label_prate");
}

void PollingSection::showRate(int rate) {
    if (rate < 0 || rate >= static_cast<int>(kRates)) return;
    checkQuietly(rates_[static_cast<std::size_t>(rate)]);
    env_.context.skin.setTextId(caption_, QStringLiteral("prate_%1_text").arg(rate + 1));
}

bool PollingSection::notify(const Notification& n) {
    if (n.type != "selectchanged") return false;
    const int k = indexOf(rates_, n.control);
    if (k < 0) return false;
    env_.edit([&](ProfileRecord& r) { r.set(Field::pollingRate, k); });
    env_.context.skin.setTextId(caption_, QStringLiteral("prate_%1_text").arg(k + 1));
    env_.requestApply();
    return true;
}

}  // namespace velor
