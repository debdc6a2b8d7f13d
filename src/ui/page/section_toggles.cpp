#include "ui/page/section_toggles.h"

#include <QCheckBox>
#include <QScrollArea>
#include <QScrollBar>

namespace velor {

namespace {

constexpr int kScrollDelayMs = 10;

// Each check box, the section it shows, and whether opening it scrolls.
struct ToggleName {
    const char* check;
    const char* section;
    bool scrolls;
};
constexpr ToggleName kToggleNames[] = {
    {"check_button", "hor_button", false},
    {"check_profile", "ver_profile", false},
    {"check_power", "ver_power", false},
    {"check_dpi", "ver_dpi", false},
    {"check_light", "ver_light", false},
    {"check_prate", "ver_prate", false},
    {"check_mouse_attribute", "ver_mouse_attribute", true},
    {"check_power_setting", "ver_power_setting", true},
    {"check_lift_of_distance", "hor_lift_of_distance", true},
    {"check_key_debounce", "hor_key_debounce", true},
    {"check_ripple_control", "hor_ripple_control", true},
    {"check_angle_snap", "hor_angle_snap", true},
    {"check_motion_sync", "hor_motion_sync", true},
};
static_assert(std::size(kToggleNames) == 13);

}  // namespace

void SectionToggles::bind(const ControlIndex& c) {
    for (std::size_t i = 0; i < kToggles; ++i)
        toggles_[i] = {c.get<QCheckBox>(kToggleNames[i].check), c.get(kToggleNames[i].section),
                       kToggleNames[i].scrolls};
    wiredOnly_ = {c.get("check_prate"), c.get("check_power"), c.get("ver_power"),
                  c.get("check_key_debounce")};
    settings_ = c.get<QScrollArea>("ver_setting");
    polling_ = c.get<QCheckBox>("check_prate");
    debounce_ = c.get<QCheckBox>("check_key_debounce");
    usbOnly_ = {c.get("ver_prate"), c.get("ver_prate_hs"), c.get("hor_key_debounce")};
    lighting_ = {c.get("check_light"), c.get("ver_light")};
    removedForBle_ = false;
    // The power-settings box holds no control on any slot: a header of nothing.
    for (const char* empty : {"check_power_setting", "ver_power_setting"})
        if (QWidget* w = c.get(empty)) w->setVisible(false);
    keepSettingsWidth();
}

void SectionToggles::keepSettingsWidth() {
    if (settings_ == nullptr || settings_->widget() == nullptr) return;
    const int bar = settings_->verticalScrollBar()->sizeHint().width();
    settings_->setMinimumWidth(settings_->widget()->minimumSizeHint().width() + bar +
                               2 * settings_->frameWidth());
}

bool SectionToggles::notify(const Notification& n) {
    if (n.type != "checkclick" || n.control == nullptr) return false;
    for (const Toggle& t : toggles_) {
        if (n.control != t.check) continue;
        const bool checked = n.value != 0;
        if (t.section) t.section->setVisible(checked);
        if (checked && t.scrolls)
            env_.context.timers.setTimer(env_.timer(page_timer::kScrollSettings), kScrollDelayMs);
        return true;
    }
    return false;
}

void SectionToggles::showWiredSections() {
    for (QWidget* w : wiredOnly_)
        if (w) w->setVisible(true);
}

void SectionToggles::followLinks() {
    if (env_.model.hidesLighting)
        for (QWidget* w : lighting_)
            if (w) w->setVisible(false);
    if (!env_.model.hasBle) return;
    const DeviceLink& link = env_.link;
    const bool usb = link.wiredState() == 1 || link.wirelessOnline() || link.wireless4kOnline();
    const bool removing = !usb && link.bleOnline();
    if (!removing && !removedForBle_) return;
    removedForBle_ = removing;
    for (QCheckBox* check : {polling_, debounce_}) {
        if (check == nullptr) continue;
        check->setChecked(false);
        check->setVisible(!removing);
    }
    for (QWidget* w : usbOnly_)
        if (w) w->setVisible(false);
}

void SectionToggles::onScrollTimer() {
    env_.context.timers.killTimer(env_.timer(page_timer::kScrollSettings));
    // Bring the section just opened into view.
    if (settings_)
        settings_->ensureVisible(0, settings_->widget() ? settings_->widget()->height() : 0);
}

}  // namespace velor
