#include "ui/page/lighting_section.h"

#include <QComboBox>

#include "ui/page/colour_swatch.h"

namespace velor {

namespace {

constexpr int kEffectSettleMs = 200;
constexpr int kSliderSettleMs = 2000;

}  // namespace

void LightingSection::bind(const ControlIndex& c) {
    effect_ = c.get<QComboBox>("combo_light");
    // The light-off slots stack these two rows.
    const bool stacked = env_.model.hasLightOff;
    brightnessRow_ = c.get(stacked ? "ver_brightness" : "hor_brightness");
    speedRow_ = c.get(stacked ? "ver_breathspeed" : "hor_breathspeed");
    colourRow_ = c.get("hor_light_color");
    brightness_ = c.get<QAbstractSlider>("slider_brightness");
    speed_ = c.get<QAbstractSlider>("slider_breathspeed");
    colour_ = c.get<QAbstractButton>("btn_light_color");
    if (effect_) {
        // Item texts come from the language; selection follows the record.
        for (int i = 0; i < effect_->count(); ++i)
            effect_->setItemData(i, QStringLiteral("light_mode_%1_text").arg(i), Qt::UserRole);
    }
}

void LightingSection::refresh(const ProfileRecord& r) {
    if (effect_) {
        const QSignalBlocker quiet(effect_);
        effect_->setCurrentIndex(r.i32(Field::lightMode));
    }
    showRows(r.i32(Field::lightMode));
    setQuietly(brightness_, r.i32(Field::brightness));
    setQuietly(speed_, r.i32(Field::breathSpeed));
    paintSwatch(colour_, colourOf(r.get(Field::lightColour)));
}

void LightingSection::refreshTexts(const ProfileRecord&) {
    if (effect_ == nullptr) return;
    for (int i = 0; i < effect_->count(); ++i)
        effect_->setItemText(i, env_.text(effect_->itemData(i, Qt::UserRole).toString()));
}

void LightingSection::showWiredControls() {
    if (effect_) effect_->setVisible(true);
    showRows(env_.current().i32(Field::lightMode));
}

void LightingSection::showEffect(int mode) {
    if (effect_) {
        const QSignalBlocker quiet(effect_);
        effect_->setCurrentIndex(mode);
    }
    showRows(mode);
}

// Steady light: brightness and colour; breathing: speed and colour; the
// moving effects: speed only; the rest: nothing to set.
void LightingSection::showRows(int mode) {
    if (brightnessRow_) brightnessRow_->setVisible(mode == 1);
    if (speedRow_) speedRow_->setVisible(mode >= 2 && mode <= 11);
    if (colourRow_) colourRow_->setVisible(mode == 1 || mode == 2);
}

bool LightingSection::notify(const Notification& n) {
    if (n.control == nullptr) return false;
    if (n.type == "itemselect" && n.control == effect_) {
        env_.edit([&](ProfileRecord& r) { r.set(Field::lightMode, n.value); });
        showRows(n.value);
        env_.context.timers.setTimer(env_.timer(page_timer::kDeferredApply), kEffectSettleMs);
        return true;
    }
    if (n.type == "valuechanged" && (n.control == brightness_ || n.control == speed_)) {
        const Field field = n.control == brightness_ ? Field::brightness : Field::breathSpeed;
        env_.edit([&](ProfileRecord& r) { r.set(field, n.value); });
        // Dragging a slider sends once, after it rests.
        env_.context.timers.setTimer(env_.timer(page_timer::kDeferredApply), kSliderSettleMs);
        return true;
    }
    if (n.type == "click" && n.control == colour_) {
        pickColour(env_, n.control, Field::lightColour, 0);
        return true;
    }
    return false;
}

}  // namespace velor
