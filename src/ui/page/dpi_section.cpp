#include "ui/page/dpi_section.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStyle>

#include <algorithm>
#include <climits>

#include "models/dpi_mapping.h"
#include "profile/record_defaults.h"
#include "ui/page/colour_swatch.h"

namespace velor {

void DpiSection::bind(const ControlIndex& c) {
    sliders_ = c.numbered<QSlider, kDpiLevels>("slider_dpi_%1");
    labels_ = c.numbered<QLabel, kDpiLevels>("label_dpi_%1");
    edits_ = c.numbered<QLineEdit, kDpiLevels>("edit_dpi_%1");
    options_ = c.numbered<QAbstractButton, kDpiLevels>("option_dpi_step_%1");
    enables_ = c.numbered<QCheckBox, kDpiLevels>("check_dpi_step_%1");
    colours_ = c.numbered<QAbstractButton, kDpiLevels>("btn_dpi_color_%1");
    apply_ = c.get<QAbstractButton>("btn_apply_dpi");
    reset_ = c.get<QAbstractButton>("btn_reset_dpi");
    for (QLineEdit* edit : edits_)
        if (edit) edit->setProperty("current", false);
    // A level is ticked by a click, Space or a screen reader's toggle action;
    // only the last does not click, so the box's state is what counts. The
    // page's own setChecked follows the record and so changes nothing.
    for (int k = 0; k < kDpiLevels; ++k)
        if (QCheckBox* box = enables_[static_cast<std::size_t>(k)])
            QObject::connect(box, &QAbstractButton::toggled, box,
                             [this, k](bool checked) { onEnable(k, checked); });
    // The sliders span the model's DPI range (one skin serves every model).
    const int lowest = sliderFromDpi(env_.model, env_.model.dpiMin);
    const int highest = sliderFromDpi(env_.model, env_.model.dpiMax);
    for (QSlider* slider : sliders_) {
        if (slider == nullptr) continue;
        const QSignalBlocker quiet(slider);
        slider->setRange(lowest, highest);
    }
}

void DpiSection::refresh(const ProfileRecord& r) {
    for (int i = 0; i < kDpiLevels; ++i) {
        const auto level = static_cast<std::uint32_t>(i);
        showValue(i, r.i32(Field::dpiX, level), true);
        paintSwatch(colours_[level], colourOf(r.get(Field::dpiColour, level)));
        if (enables_[level]) enables_[level]->setChecked(r.get(Field::dpiEnabled, level) == 1);
    }
    showLevel(r.i32(Field::dpiLevel));
    showPending();
}

void DpiSection::showPending() {
    if (apply_ == nullptr) return;
    const bool pending = env_.engine.pending().dpi;
    env_.context.skin.setTextId(apply_, pending ? "apply_pending_text" : "apply_text");
}

void DpiSection::showLevel(int level) {
    if (level >= 0 && level < kDpiLevels) checkQuietly(options_[static_cast<std::size_t>(level)]);
    markCurrentEdit();
}

// The current level's edit box is marked (the theme highlights it). Only the
// boxes whose mark changes meet the style sheet again: that is most of what a
// DPI report from the mouse costs.
void DpiSection::markCurrentEdit() {
    const int current = env_.current().i32(Field::dpiLevel);
    for (int i = 0; i < kDpiLevels; ++i) {
        QLineEdit* edit = edits_[static_cast<std::size_t>(i)];
        if (edit == nullptr || edit->property("current").toBool() == (i == current)) continue;
        edit->setProperty("current", i == current);
        edit->style()->unpolish(edit);
        edit->style()->polish(edit);
    }
}

// A level's value in DPI on its label and edit box, and on its slider unless
// the slider is where it came from.
void DpiSection::showValue(int level, int sliderValue, bool onSlider) {
    const auto i = static_cast<std::size_t>(level);
    const QString dpi = QString::number(dpiFromSlider(env_.model, sliderValue));
    if (onSlider) setQuietly(sliders_[i], sliderValue);
    if (labels_[i]) labels_[i]->setText(dpi);
    if (edits_[i]) edits_[i]->setText(dpi);
}

bool DpiSection::notify(const Notification& n) {
    if (n.type == "click") {
        if (n.control == apply_ && apply_) {
            env_.requestApply();
        } else if (n.control == reset_ && reset_) {
            env_.edit([](ProfileRecord& r) { resetDpi(r); });
            env_.refreshPage();
            env_.requestApply();
        } else if (const int k = indexOf(colours_, n.control); k >= 0) {
            pickColour(env_, n.control, Field::dpiColour, static_cast<std::uint32_t>(k));
        } else {
            return false;
        }
        return true;
    }
    if (n.type == "selectchanged") {
        const int k = indexOf(options_, n.control);
        if (k < 0) return false;
        env_.edit([&](ProfileRecord& r) { r.set(Field::dpiLevel, k); });
        markCurrentEdit();
        showPending();
        env_.requestApply();
        return true;
    }
    if (n.type == "checkclick") return indexOf(enables_, n.control) >= 0;  // taken when toggled
    if (n.type == "valuechanged") {
        const int k = indexOf(sliders_, n.control);
        if (k < 0) return false;
        // A dragged value goes out with the next apply.
        env_.edit(
            [&](ProfileRecord& r) { r.set(Field::dpiX, n.value, static_cast<std::uint32_t>(k)); });
        showValue(k, n.value, false);
        showPending();
        return true;
    }
    const int k = indexOf(edits_, n.control);
    if (k < 0) return false;
    onEdit(k, n, edits_[static_cast<std::size_t>(k)]);
    return true;
}

// A value for a level taken into the cycle.
int DpiSection::usableValue(const ProfileRecord& r, int level) const {
    return usableLevelValue(env_.model, r, level);
}

void DpiSection::onEnable(int level, bool checked) {
    const auto index = static_cast<std::uint32_t>(level);
    bool current = false;
    bool unchanged = false;
    int value = 0;
    env_.edit([&](ProfileRecord& r) {
        unchanged = (r.get(Field::dpiEnabled, index) == 1) == checked;
        current = r.i32(Field::dpiLevel) == level;
        if (unchanged || current) return;
        r.set(Field::dpiEnabled, checked ? 1 : 0, index);
        value = usableValue(r, level);
        if (checked) r.set(Field::dpiX, value, index);
    });
    if (unchanged) return;
    // The current level always takes part in the cycle.
    if (current) {
        enables_[index]->setChecked(true);
        return;
    }
    if (checked) showValue(level, value, true);
    showPending();
    env_.requestApply();
}

void DpiSection::onEdit(int level, const Notification& n, QLineEdit* edit) {
    const auto index = static_cast<std::uint32_t>(level);
    if (n.type == "textchanged") {
        QString digits = edit->text();
        digits.removeIf([](QChar c) { return c < '0' || c > '9'; });
        if (digits != edit->text()) {
            edit->setText(digits);
            edit->setCursorPosition(static_cast<int>(digits.size()));
            edit->setModified(true);  // still the user's typing
        }
    } else if (n.type == "killfocus" || n.type == "return") {
        // Leaving a box the user did not type into changes nothing (a level
        // never enabled keeps its 0).
        if (!edit->isModified()) return;
        // Stored at once, clamped to the model's range; sent with the next apply.
        bool ok = false;
        const long long typed = edit->text().toLongLong(&ok);
        const int clamped =
            static_cast<int>(std::clamp<long long>(ok ? typed : 0, INT_MIN, INT_MAX));
        const int value = sliderFromDpi(env_.model, clamped);
        env_.edit([&](ProfileRecord& r) { r.set(Field::dpiX, value, index); });
        showValue(level, value, true);
        markCurrentEdit();
        showPending();
    } else if (n.type == "setfocus") {
        // Only a click into a box selects its level: Tab, or the window coming
        // back to the front, leaves the mouse alone.
        if (n.value != Qt::MouseFocusReason) return;
        bool changed = false;
        env_.edit([&](ProfileRecord& r) {
            // Focusing a disabled level's box does not select the level.
            if (r.get(Field::dpiEnabled, index) == 1 && r.i32(Field::dpiLevel) != level) {
                r.set(Field::dpiLevel, level);
                changed = true;
            }
        });
        if (!changed) return;
        showLevel(level);
        showPending();
        env_.requestApply();
    }
}

}  // namespace velor
