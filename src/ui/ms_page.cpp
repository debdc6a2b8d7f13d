#include "ui/ms_page.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "keys/key_tables.h"
#include "models/dpi_mapping.h"
#include "platform/mouse_settings.h"
#include "profile/function_table.h"
#include "profile/record_defaults.h"
#include "skin/skin_menu.h"
#include "skin/skin_window.h"
#include "skin/timer_host.h"
#include "store/macro_resync.h"
#include "store/profile_store.h"
#include "store/profile_transfer.h"
#include "ui/dpi_color_window.h"
#include "ui/file_dialogs.h"
#include "ui/macro_window.h"
#include "ui/msg_window.h"
#include "ui/profile_name_window.h"
#include "ui/select_macro_window.h"
#include "ui/shortcut_window.h"
#include "ui/window_messages.h"

namespace velor {

namespace {

// Timers of the page, as offsets from its timer base.
constexpr int kWatchdog = 0;
constexpr int kDeferredApply = 1;
constexpr int kScrollSettings = 2;
constexpr int kCharging = 3;
constexpr int kWatchdogMs = 6000;
constexpr int kChargingMs = 30;

// What the worker asks of the UI thread.
constexpr std::uint32_t kStopWatchdog = 1;
constexpr std::uint32_t kStartWatchdog = 2;
constexpr std::uint32_t kShowRing = 3;
constexpr std::uint32_t kHideRing = 4;

constexpr int kRowHeight = 22;
constexpr int kMenuButtons = 12;     // buttons 13..18 open no menu
constexpr int kLeftClickGuard = 16;  // one of buttons 1..16 keeps left click

// Sections a check box shows or hides, and whether checking it scrolls.
struct Section {
    const char* check;
    const char* container;
    bool scrolls;
};
constexpr Section kSections[] = {
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

// The four sensor option pairs and the field each sets.
struct SensorOption {
    const char* name;
    Field field;
};
constexpr SensorOption kSensorOptions[] = {{"lift_of_distance", Field::liftOffDistance},
                                           {"ripple_control", Field::rippleControl},
                                           {"angle_snap", Field::angleSnap},
                                           {"motion_sync", Field::motionSync}};

QColor colourOf(std::int64_t stored) {
    const auto c = static_cast<std::uint32_t>(stored);
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

std::uint32_t storedColour(QRgb argb) {
    return static_cast<std::uint32_t>(qRed(argb)) | static_cast<std::uint32_t>(qGreen(argb)) << 8 |
           static_cast<std::uint32_t>(qBlue(argb)) << 16;
}

void paintSwatch(QWidget* button, const QColor& colour) {
    if (button) button->setStyleSheet(QStringLiteral("background-color: %1;").arg(colour.name()));
}

// Selects an option without the notification a user's choice would raise.
void checkQuietly(QAbstractButton* option) {
    if (option == nullptr) return;
    const QSignalBlocker quiet(option);
    option->setChecked(true);
}

// "%d" numbers after a prefix such as "btn_key_": 0 when there is none.
int numberAfter(const QString& suffix, const QString& prefix) {
    return suffix.startsWith(prefix) ? suffix.mid(prefix.size()).toInt() : 0;
}

}  // namespace

CMS_Page::CMS_Page(Services services)
    : DevicePage(services.model->slot),
      services_(std::move(services)),
      profiles_(*services_.model) {
    if (!services_.debug) services_.debug = defaultDebugSink();
    if (!services_.clock) services_.clock = &systemClock();
    // Questions, notices and file choices through the usual windows unless
    // the caller decides otherwise.
    if (!services_.ask)
        services_.ask = [this](const QString& id) {
            CMsgWnd box(context_->window, context_->texts, services_.skinFolder,
                        "warning_title_text", id);
            if (!box.create()) return false;
            box.centerOverParent();
            return box.showModal() == 1;
        };
    if (!services_.tell) services_.tell = [this](const QString& id) { services_.ask(id); };
    if (!services_.chooseFile)
        services_.chooseFile = [this](bool save) {
            return chooseFile(context_->window, save,
                              context_->texts.get("file_dialog_profile_text"), "pro");
        };
    fromWorker_.on(kStopWatchdog,
                   [this](auto, auto) { context_->timers.killTimer(timer(kWatchdog)); });
    fromWorker_.on(kStartWatchdog, [this](auto, auto) {
        context_->timers.setTimer(timer(kWatchdog), kWatchdogMs);
    });
    fromWorker_.on(kShowRing, [this](auto, auto) {
        if (QWidget* ring = control("apply_ring")) ring->setVisible(true);
    });
    fromWorker_.on(kHideRing, [this](auto, auto) {
        if (QWidget* ring = control("apply_ring")) ring->setVisible(false);
    });
}

CMS_Page::~CMS_Page() {
    // The worker ends (and stores the profiles) before the list goes away.
    if (link_) link_->close();
}

QWidget* CMS_Page::control(const QString& suffix) const {
    return context_ ? context_->skin.findControl(controlPrefix() + suffix) : nullptr;
}

void CMS_Page::init(PageContext& context) {
    context_ = &context;
    // The page's skin goes into its container of the main window.
    const QString file = QStringLiteral("MS/MS_%1/ms_%1_page.xml").arg(slot());
    if (QWidget* host = context.skin.findControl(QStringLiteral("page_ms_%1").arg(slot()))) {
        QString error;
        root_ = context.skin.loadInto(host, services_.skinFolder, file, &error);
        if (!root_) services_.debug(error.toStdString());
    }
    if (auto* combo = find<QComboBox>("combo_light")) {
        // Item texts come from the language; selection follows the record.
        for (int i = 0; i < combo->count(); ++i)
            combo->setItemData(i, QStringLiteral("light_mode_%1_text").arg(i), Qt::UserRole);
    }
    for (int k = 1; k <= kDpiLevels; ++k)
        if (auto* edit = find<QLineEdit>(QStringLiteral("edit_dpi_%1").arg(k)))
            edit->setProperty("current", false);
    // The receiver's indicator shows once its reports arrive.
    if (QWidget* wireless = control("wireless")) wireless->setVisible(false);

    link_ = std::make_unique<DeviceLink>(DeviceLink::Wiring{
        *services_.model, *services_.clock, context.mainWindow, *this, services_.debug});
    engine_ = std::make_unique<ApplyEngine>(
        profiles_,
        ApplyHooks{[this] { return link_->offline(); },
                   [this](std::span<const std::uint8_t> r) { return link_->send(r); },
                   [this] { fromWorker_.post(kStopWatchdog, 0, 0); },
                   [this] { fromWorker_.post(kStartWatchdog, 0, 0); },
                   [this](bool shown) { fromWorker_.post(shown ? kShowRing : kHideRing, 0, 0); },
                   [this] { saveStore(); }});
    link_->setApplyHandler([this] { engine_->apply(); });
    link_->open(services_.openLibrary ? services_.openLibrary() : nullptr);
}

void CMS_Page::saveStore() {
    std::string error;
    if (!saveProfiles(profiles_, services_.dataFolder(), &error)) services_.debug(error);
}

void CMS_Page::load() {
    const LoadReport report =
        loadProfiles(profiles_, services_.dataFolder(), context_->texts, services_.debug);
    const MacroLoadReport macroReport =
        loadMacros(macros_, *services_.model, services_.dataFolder(), services_.debug);
    engine_->startFromCurrent();
    fillProfileList(false);
    refresh();
    // Told once the window is up, not in the middle of starting.
    if (!report.problems.empty() || !macroReport.problems.empty())
        QTimer::singleShot(0, context_->window, [this] { services_.tell("store_damaged_text"); });
}

void CMS_Page::fillProfileList(bool notify) {
    auto* list = find<QListWidget>("list_profile");
    if (list == nullptr) return;
    const std::vector<std::u16string> names = [&] {
        const std::lock_guard guard(profiles_.lock());
        return profiles_.names();
    }();
    {
        const QSignalBlocker quiet(list);
        list->clear();
        for (const std::u16string& name : names) {
            auto* row = new QListWidgetItem(QString::fromStdU16String(name), list);
            row->setSizeHint(QSize(0, kRowHeight));
        }
    }
    if (notify) {
        list->setCurrentRow(profiles_.currentIndex());  // raises the selection
    } else {
        const QSignalBlocker quiet(list);
        list->setCurrentRow(profiles_.currentIndex());
    }
}

void CMS_Page::editCurrent(const std::function<void(ProfileRecord&)>& change) {
    const std::lock_guard guard(profiles_.lock());
    change(profiles_.current());
}

void CMS_Page::requestApply() {
    link_->requestApply();
}

void CMS_Page::onDeviceCode(std::uint32_t code) {
    link_->onDeviceCode(code);
}

void CMS_Page::postToWorker(std::uint32_t message, std::uintptr_t, std::intptr_t) {
    link_->postToWorker(message);
}

// --- Refresh -------------------------------------------------------------

void CMS_Page::refresh() {
    if (profiles_.size() == 0) return;  // nothing to show before the stores are read
    const ProfileRecord r = [&] {
        const std::lock_guard guard(profiles_.lock());
        return profiles_.current();
    }();
    if (link_->wiredState() == 1) showFeatureSections();

    for (std::uint32_t i = 0; i < kDpiLevels; ++i) {
        const int k = static_cast<int>(i) + 1;
        const int value = r.i32(Field::dpiX, i);
        const QString dpi = QString::number(dpiFromSlider(*services_.model, value));
        if (auto* slider = find<QSlider>(QStringLiteral("slider_dpi_%1").arg(k))) {
            const QSignalBlocker quiet(slider);
            slider->setValue(value);
        }
        if (auto* label = find<QLabel>(QStringLiteral("label_dpi_%1").arg(k))) label->setText(dpi);
        if (auto* edit = find<QLineEdit>(QStringLiteral("edit_dpi_%1").arg(k))) edit->setText(dpi);
        paintSwatch(control(QStringLiteral("btn_dpi_color_%1").arg(k)),
                    colourOf(r.get(Field::dpiColour, i)));
        if (auto* box = find<QCheckBox>(QStringLiteral("check_dpi_step_%1").arg(k)))
            box->setChecked(r.get(Field::dpiEnabled, i) == 1);
    }
    checkQuietly(find<QAbstractButton>(
        QStringLiteral("option_dpi_step_%1").arg(r.i32(Field::dpiLevel) + 1)));
    refreshDpiEdits();

    if (auto* combo = find<QComboBox>("combo_light")) {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(r.i32(Field::lightMode));
    }
    showLightingRows();
    for (const auto& [suffix, field] : {std::pair{"slider_brightness", Field::brightness},
                                        std::pair{"slider_breathspeed", Field::breathSpeed},
                                        std::pair{"slider_sleep_timer", Field::sleepTimer},
                                        std::pair{"slider_key_debounce", Field::keyDebounce}}) {
        if (auto* slider = find<QAbstractSlider>(suffix)) {
            const QSignalBlocker quiet(slider);
            slider->setValue(r.i32(field));
        }
    }
    paintSwatch(control("btn_light_color"), colourOf(r.get(Field::lightColour)));

    const int rate = r.i32(Field::pollingRate);
    checkQuietly(find<QAbstractButton>(QStringLiteral("btn_prate_%1").arg(rate + 1)));
    if (rate >= 0 && rate <= 3)
        context_->skin.setTextId(control("label_prate"),
                                 QStringLiteral("prate_%1_text").arg(rate + 1));

    for (const SensorOption& o : kSensorOptions) {
        const QString name = QStringLiteral("option_%1_%2").arg(o.name).arg(r.i32(o.field) + 1);
        checkQuietly(find<QAbstractButton>(name));
    }
    if (auto* move = find<QCheckBox>("check_movemode"))
        move->setChecked(r.get(Field::moveMode) != 0);
    refreshTexts();
}

// The current level's edit box is marked (the theme highlights it).
void CMS_Page::refreshDpiEdits() {
    if (profiles_.size() == 0) return;
    const int current = [&] {
        const std::lock_guard guard(profiles_.lock());
        return profiles_.current().i32(Field::dpiLevel) + 1;
    }();
    for (int k = 1; k <= kDpiLevels; ++k) {
        if (auto* edit = find<QLineEdit>(QStringLiteral("edit_dpi_%1").arg(k))) {
            edit->setProperty("current", k == current);
            edit->style()->unpolish(edit);
            edit->style()->polish(edit);
        }
    }
}

void CMS_Page::showLightingRows() {
    if (profiles_.size() == 0) return;
    const int mode = [&] {
        const std::lock_guard guard(profiles_.lock());
        return profiles_.current().i32(Field::lightMode);
    }();
    // Steady light: brightness and colour; breathing: speed and colour;
    // the moving effects: speed only; the rest: nothing to set.
    const bool brightness = mode == 1;
    const bool speed = mode >= 2 && mode <= 11;
    const bool colour = mode == 1 || mode == 2;
    if (QWidget* row = control("hor_brightness")) row->setVisible(brightness);
    if (QWidget* row = control("hor_breathspeed")) row->setVisible(speed);
    if (QWidget* row = control("hor_light_color")) row->setVisible(colour);
}

// Called with the list's lock held.
QString CMS_Page::caption(int button) const {
    const ConstButtonSlot slot = profiles_.current().button(button - 1);
    const LanguageTexts& texts = context_->texts;
    switch (slot.function()) {
        case function::kKeyboard: {
            static constexpr const char* kModifiers[] = {"keyboard_ctrl_text",
                                                         "keyboard_shift_text", "keyboard_alt_text",
                                                         "keyboard_win_text"};
            QString text;
            for (int bit = 0; bit < 4; ++bit)
                if (slot.modifiers() & (1 << bit)) text += texts.get(kModifiers[bit]) + "+";
            static const UsKeyboardLayout us;
            const KeyboardLayout& layout = services_.keyboard ? *services_.keyboard : us;
            return text + QString::fromStdU16String(
                              KeyNameOfUsage(slot.keyCode(), layout, texts, services_.debug));
        }
        case function::kMacro:
            return texts.get("assign_macro_text") +
                   QString::fromStdU16String(slot.macroName().value_or(u""));
        default: {
            const FunctionInfo* f = functionInfo(slot.function());
            return f && !f->captionId.empty()
                       ? texts.get(QString::fromLatin1(f->captionId.data(),
                                                       static_cast<qsizetype>(f->captionId.size())))
                       : QString();
        }
    }
}

void CMS_Page::refreshCaption(int button) {
    const std::lock_guard guard(profiles_.lock());
    if (auto* b = find<QAbstractButton>(QStringLiteral("btn_key_%1").arg(button)))
        b->setText(caption(button));
}

void CMS_Page::refreshTexts() {
    if (!context_ || profiles_.size() == 0) return;
    for (int k = 1; k <= kButtonCount; ++k) refreshCaption(k);
    if (auto* combo = find<QComboBox>("combo_light"))
        for (int i = 0; i < combo->count(); ++i)
            combo->setItemText(i, context_->texts.get(combo->itemData(i, Qt::UserRole).toString()));
    const ProfileRecord r = [&] {
        const std::lock_guard guard(profiles_.lock());
        return profiles_.current();
    }();
    if (auto* label = find<QLabel>("label_sleep_timer"))
        label->setText(QStringLiteral("%1%2 %3")
                           .arg(context_->texts.get("sleep_timer_3_text"))
                           .arg(r.i32(Field::sleepTimer))
                           .arg(context_->texts.get("sleep_timer_2_text")));
    if (auto* label = find<QLabel>("label_key_debounce"))
        label->setText(QStringLiteral("%1 MS").arg(r.i32(Field::keyDebounce) * 2));
}

// --- Notifications ---------------------------------------------------------

void CMS_Page::notify(const Notification& n) {
    if (profiles_.size() == 0 || !n.sender.startsWith(controlPrefix())) return;
    const QString suffix = n.sender.mid(controlPrefix().size());
    if (n.type == "click") {
        onClick(suffix, n.control);
    } else if (n.type == "selectchanged") {
        onSelect(suffix);
    } else if (n.type == "checkclick") {
        onCheck(suffix, n.value != 0);
    } else if (n.type == "valuechanged") {
        onValue(suffix, n.value);
    } else if (n.type == "itemselect" && suffix == "combo_light") {
        editCurrent([&](ProfileRecord& r) { r.set(Field::lightMode, n.value); });
        showLightingRows();
        context_->timers.setTimer(timer(kDeferredApply), 200);
    } else if (n.type == "itemselect" && suffix == "list_profile" && n.value >= 0) {
        profiles_.select(n.value);
        refresh();
        engine_->markAllForUpload();
        requestApply();
    } else if (const int level = numberAfter(suffix, "edit_dpi_");
               level >= 1 && level <= kDpiLevels) {
        onDpiEdit(level, n.type, qobject_cast<QLineEdit*>(n.control));
    }
}

void CMS_Page::onClick(const QString& suffix, QWidget* control) {
    if (suffix == "profile_add_btn") return addProfile();
    if (suffix == "profile_delete_btn") return deleteProfile();
    if (suffix == "profile_rename_btn") return renameProfile();
    if (suffix == "profile_import_btn") return importProfile();
    if (suffix == "profile_export_btn") return exportProfile();
    if (suffix == "apply_btn" || suffix == "btn_apply_dpi") return requestApply();
    if (suffix == "btn_reset_dpi") {
        editCurrent([](ProfileRecord& r) { resetDpi(r); });
        refresh();
        return requestApply();
    }
    if (suffix == "profile_reset_btn" || suffix == "btn_reset") {
        if (!services_.ask("restore_text")) return;
        profiles_.restoreCurrent();
        refresh();
        engine_->markAllForUpload();
        return requestApply();
    }
    if (suffix == "btn_mouse_attribute") {
        if (!openMouseSettings() && services_.tell) services_.tell("no_mouse_settings_text");
        return;
    }
    if (suffix == "btn_light_color") return pickColour(control, Field::lightColour, 0);
    if (const int k = numberAfter(suffix, "btn_dpi_color_"); k >= 1 && k <= kDpiLevels)
        return pickColour(control, Field::dpiColour, static_cast<std::uint32_t>(k - 1));
    if (const int k = numberAfter(suffix, "btn_key_"); k >= 1 && k <= kMenuButtons)
        return openButtonMenu(k, control);
    if (suffix == "btn_macro") return openMacroEditor();
}

void CMS_Page::openMacroEditor() {
    static const UsKeyboardLayout us;
    CMacroWnd editor(context_->window, context_->texts,
                     {slot(),
                      services_.skinFolder,
                      &macros_,
                      [this] {
                          std::string error;
                          const bool saved =
                              saveMacros(macros_, *services_.model, services_.dataFolder(), &error);
                          if (!saved) services_.debug(error);
                          return saved;
                      },
                      services_.keyboard ? services_.keyboard : &us,
                      context_->hooks,
                      &systemClock(),
                      services_.debug,
                      services_.ask,
                      {},
                      services_.dataFolder});
    if (!editor.create()) return;
    editor.centerOverParent();
    editor.showModal();
    // The profiles' copies follow the edited macros; the mouse gets them.
    if (resyncMacroSlots(profiles_, macros_)) {
        refreshTexts();
        requestApply();
    }
}

void CMS_Page::onSelect(const QString& suffix) {
    if (const int k = numberAfter(suffix, "option_dpi_step_"); k >= 1 && k <= kDpiLevels) {
        editCurrent([&](ProfileRecord& r) { r.set(Field::dpiLevel, k - 1); });
        refreshDpiEdits();
        return requestApply();
    }
    if (const int k = numberAfter(suffix, "btn_prate_"); k >= 1 && k <= 4) {
        editCurrent([&](ProfileRecord& r) { r.set(Field::pollingRate, k - 1); });
        if (k <= 4)
            context_->skin.setTextId(control("label_prate"),
                                     QStringLiteral("prate_%1_text").arg(k));
        return requestApply();
    }
    for (const SensorOption& o : kSensorOptions) {
        const QString prefix = QStringLiteral("option_%1_").arg(o.name);
        if (const int k = numberAfter(suffix, prefix); k == 1 || k == 2) {
            editCurrent([&](ProfileRecord& r) { r.set(o.field, k - 1); });
            return requestApply();
        }
    }
}

void CMS_Page::onCheck(const QString& suffix, bool checked) {
    for (const Section& s : kSections) {
        if (suffix != s.check) continue;
        if (QWidget* section = control(s.container)) section->setVisible(checked);
        if (checked && s.scrolls) context_->timers.setTimer(timer(kScrollSettings), 10);
        return;
    }
    if (suffix == "check_movemode") {
        editCurrent([&](ProfileRecord& r) { r.set(Field::moveMode, checked ? 1 : 0); });
        return requestApply();
    }
    if (const int k = numberAfter(suffix, "check_dpi_step_"); k >= 1 && k <= kDpiLevels) {
        const auto level = static_cast<std::uint32_t>(k - 1);
        bool current = false;
        editCurrent([&](ProfileRecord& r) {
            current = r.i32(Field::dpiLevel) == k - 1;
            if (!current) r.set(Field::dpiEnabled, checked ? 1 : 0, level);
        });
        // The current level always takes part in the cycle.
        if (current) {
            if (auto* box = find<QCheckBox>(suffix)) box->setChecked(true);
            return;
        }
        return requestApply();
    }
}

void CMS_Page::onValue(const QString& suffix, int value) {
    const std::pair<const char*, Field> deferred[] = {{"slider_brightness", Field::brightness},
                                                      {"slider_breathspeed", Field::breathSpeed},
                                                      {"slider_sleep_timer", Field::sleepTimer},
                                                      {"slider_key_debounce", Field::keyDebounce}};
    for (const auto& [name, field] : deferred) {
        if (suffix != name) continue;
        editCurrent([&](ProfileRecord& r) { r.set(field, value); });
        refreshTexts();
        // Dragging a slider sends once, after it rests.
        context_->timers.setTimer(timer(kDeferredApply), 2000);
        return;
    }
    if (const int k = numberAfter(suffix, "slider_dpi_"); k >= 1 && k <= kDpiLevels) {
        editCurrent([&](ProfileRecord& r) {
            r.set(Field::dpiX, value, static_cast<std::uint32_t>(k - 1));
        });
        const QString dpi = QString::number(dpiFromSlider(*services_.model, value));
        if (auto* label = find<QLabel>(QStringLiteral("label_dpi_%1").arg(k))) label->setText(dpi);
        if (auto* edit = find<QLineEdit>(QStringLiteral("edit_dpi_%1").arg(k))) edit->setText(dpi);
    }
}

void CMS_Page::onDpiEdit(int level, const QString& type, QLineEdit* edit) {
    if (edit == nullptr) return;
    const auto index = static_cast<std::uint32_t>(level - 1);
    if (type == "textchanged") {
        QString digits = edit->text();
        digits.removeIf([](QChar c) { return c < '0' || c > '9'; });
        if (digits != edit->text()) {
            edit->setText(digits);
            edit->setCursorPosition(static_cast<int>(digits.size()));
        }
    } else if (type == "killfocus" || type == "return") {
        bool ok = false;
        const long long typed = edit->text().toLongLong(&ok);
        const int clamped =
            static_cast<int>(std::clamp<long long>(ok ? typed : 0, INT32_MIN, INT32_MAX));
        const int value = sliderFromDpi(*services_.model, clamped);
        editCurrent([&](ProfileRecord& r) { r.set(Field::dpiX, value, index); });
        const QString dpi = QString::number(dpiFromSlider(*services_.model, value));
        if (auto* slider = find<QSlider>(QStringLiteral("slider_dpi_%1").arg(level))) {
            const QSignalBlocker quiet(slider);
            slider->setValue(value);
        }
        if (auto* label = find<QLabel>(QStringLiteral("label_dpi_%1").arg(level)))
            label->setText(dpi);
        edit->setText(dpi);
        refreshDpiEdits();
    } else if (type == "setfocus") {
        bool changed = false;
        editCurrent([&](ProfileRecord& r) {
            // Focusing a disabled level's box does not select the level.
            if (r.get(Field::dpiEnabled, index) == 1 && r.i32(Field::dpiLevel) != level - 1) {
                r.set(Field::dpiLevel, level - 1);
                changed = true;
            }
        });
        if (!changed) return;
        checkQuietly(find<QAbstractButton>(QStringLiteral("option_dpi_step_%1").arg(level)));
        refreshDpiEdits();
        requestApply();
    }
}

// --- Buttons -------------------------------------------------------------------

void CMS_Page::openButtonMenu(int button, QWidget* anchor) {
    menuButton_ = button;
    menu_ = std::make_unique<QMenu>(context_->window);
    const QString file =
        services_.skinFolder + QStringLiteral("MS/MS_%1/ms_%1_menu.xml").arg(slot());
    fillMenu(*menu_, file, context_->texts, [this](const QString& item) {
        if (auto* window = dynamic_cast<MessageDispatcher*>(&context_->mainWindow))
            window->postMenuCommand(kMenuCommandMessage, item);
        else
            onMenuItem(item);
    });
    if (anchor) menu_->popup(anchor->mapToGlobal(QPoint(anchor->width(), 0)));
}

void CMS_Page::onMenuItem(const QString& item) {
    if (profiles_.size() == 0 || menuButton_ < 1 || menuButton_ > kMenuButtons) return;
    const int k = menuButton_ - 1;
    const std::string suffix = item.mid(controlPrefix().size()).toStdString();
    const FunctionInfo* f = functionByMenuItem(suffix);
    const std::uint8_t code = f ? f->code : function::kLeftClick;

    // One of buttons 1..16 must keep left click.
    bool keepsLeftClick = false;
    {
        const std::lock_guard guard(profiles_.lock());
        for (int b = 0; b < kLeftClickGuard; ++b) {
            const int function = b == k ? code : profiles_.current().button(b).function();
            keepsLeftClick |= function == function::kLeftClick;
        }
    }
    if (!keepsLeftClick) return services_.tell("one_click_text");

    if (code == function::kKeyboard) {
        ShortcutRecord record;
        record.hooks = context_->hooks;
        editCurrent([&](ProfileRecord& r) {
            ButtonSlot slot = r.button(k);
            if (slot.function() != function::kKeyboard) slot.set(SlotField::keyCode, 0);
            for (int bit = 0; bit < 4; ++bit)
                record.flags[static_cast<std::size_t>(bit)] = (slot.modifiers() >> bit) & 1;
            record.key = slot.keyCode();
        });
        static const UsKeyboardLayout us;
        CShortcutWnd window(context_->window, context_->texts, services_.skinFolder,
                            services_.keyboard ? *services_.keyboard : us, record, services_.debug);
        if (!window.create()) return;
        window.centerOverParent();
        if (window.showModal() != 1) return;
        const ShortcutRecord& chosen = window.record();
        std::uint8_t modifiers = 0;
        for (int bit = 0; bit < 4; ++bit)
            if (chosen.flags[static_cast<std::size_t>(bit)])
                modifiers |= static_cast<std::uint8_t>(1 << bit);
        editCurrent([&](ProfileRecord& r) {
            ButtonSlot slot = r.button(k);
            slot.set(SlotField::keyCode, chosen.key);
            slot.set(SlotField::modifiers, modifiers);
            if (modifiers != 0 || chosen.key != 0)
                slot.set(SlotField::function, function::kKeyboard);
        });
    } else if (code == function::kMacro) {
        CSelectMacroWnd picker(context_->window, context_->texts, services_.skinFolder, slot(),
                               macros_);
        editCurrent([&](ProfileRecord& r) {
            const ConstButtonSlot slot = r.button(k);
            const bool plays = slot.function() == function::kMacro;
            picker.macroIndex = plays ? slot.macroIndex() : -1;
            picker.repeatMode = plays ? slot.macroRepeatMode() : 0;
            picker.repeatCount = plays ? std::max(1, slot.macroLoopTimes()) : 1;
        });
        if (!picker.create()) return;
        picker.centerOverParent();
        if (picker.showModal() != 1 || picker.macroIndex < 0 ||
            picker.macroIndex >= static_cast<int>(macros_.records.size()))
            return;
        const MacroRecord& macro = macros_.records[static_cast<std::size_t>(picker.macroIndex)];
        editCurrent([&](ProfileRecord& r) {
            ButtonSlot slot = r.button(k);
            slot.set(SlotField::macroRepeatMode, picker.repeatMode);
            slot.set(SlotField::macroLoopTimes, picker.repeatCount);
            slot.set(SlotField::macroIndex, picker.macroIndex);
            copyMacroIntoSlot(macro, slot);
            slot.set(SlotField::function, function::kMacro);
        });
    } else {
        editCurrent([&](ProfileRecord& r) { r.button(k).set(SlotField::function, code); });
    }
    requestApply();
    refreshCaption(menuButton_);
}

void CMS_Page::pickColour(QWidget* button, Field field, std::uint32_t index) {
    CDpiColorWnd window(context_->window, context_->texts, services_.skinFolder);
    std::int64_t stored = 0;
    editCurrent([&](ProfileRecord& r) { stored = r.get(field, index); });
    window.setColor(colourOf(stored).rgb() | 0xFF000000u);
    if (button && context_->window)
        window.setTopLeft(
            QPoint(context_->window->x() + button->mapTo(context_->window, QPoint()).x() - 200,
                   context_->window->y() +
                       button->mapTo(context_->window, QPoint(0, button->height())).y()));
    if (window.showModal() != 1) return;
    editCurrent([&](ProfileRecord& r) { r.set(field, storedColour(window.color()), index); });
    paintSwatch(button, QColor::fromRgb(window.color()));
    requestApply();
}

// --- Profile list ---------------------------------------------------------------

void CMS_Page::addProfile() {
    CProfileNameWnd dialog(context_->window, context_->texts, services_.skinFolder, slot(),
                           "profile_name_1_text", profiles_);
    if (!dialog.create()) return;
    dialog.centerOverParent();
    if (dialog.showModal() != 1 || !profiles_.add(dialog.acceptedName())) return;
    fillProfileList(true);
}

void CMS_Page::renameProfile() {
    CProfileNameWnd dialog(context_->window, context_->texts, services_.skinFolder, slot(),
                           "profile_name_2_text", profiles_);
    if (!dialog.create()) return;
    dialog.centerOverParent();
    if (dialog.showModal() != 1 || !profiles_.renameCurrent(dialog.acceptedName())) return;
    if (auto* list = find<QListWidget>("list_profile"))
        if (QListWidgetItem* row = list->item(profiles_.currentIndex()))
            row->setText(QString::fromStdU16String(dialog.acceptedName()));
    saveStore();
}

void CMS_Page::deleteProfile() {
    if (profiles_.size() < 2) return services_.tell("one_profile_text");
    if (!services_.ask("delete_profile_text")) return;
    profiles_.removeCurrent();
    fillProfileList(true);
}

void CMS_Page::importProfile() {
    const QString file = services_.chooseFile(false);
    if (file.isEmpty()) return;
    const auto imported = velor::importProfile(profiles_, macros_, file.toStdString());
    if (!imported) {
        services_.debug(imported.error());
        return services_.tell("import_failed_text");
    }
    // Without the saved macros the imported buttons would lose them at the
    // next start; the user is told.
    if (imported->macrosCreated > 0) {
        std::string error;
        if (!saveMacros(macros_, *services_.model, services_.dataFolder(), &error)) {
            services_.debug(error);
            services_.tell("macros_not_saved_text");
        }
    }
    fillProfileList(false);
    refresh();
    engine_->markAllForUpload();
    requestApply();
}

void CMS_Page::exportProfile() {
    const QString file = services_.chooseFile(true);
    if (file.isEmpty()) return;
    std::string error;
    if (!velor::exportProfile(profiles_, file.toStdString(), &error)) {
        services_.debug(error);
        services_.tell("export_failed_text");
    }
}

// --- Timers and status ----------------------------------------------------------

void CMS_Page::onTimer(int id) {
    const int k = id - static_cast<int>(services_.model->timerBase);
    if (k == kWatchdog) {
        context_->timers.killTimer(id);
        if (link_->wirelessOnline()) setWirelessOnline(false);
    } else if (k == kDeferredApply) {
        context_->timers.killTimer(id);
        requestApply();
    } else if (k == kScrollSettings) {
        context_->timers.killTimer(id);
        // Bring the section just opened into view.
        if (auto* area = find<QScrollArea>("ver_setting"))
            area->ensureVisible(0, area->widget() ? area->widget()->height() : 0);
    } else if (k == kCharging) {
        if (auto* bar = find<QProgressBar>("progress_power")) bar->setValue(chargingCounter_);
        chargingCounter_ += 2;
        if (chargingCounter_ > 100) chargingCounter_ = 0;
    }
}

void CMS_Page::setWirelessOnline(bool online) {
    if (QWidget* icon = control("wireless")) icon->setVisible(online);
    link_->setWirelessOnline(online);
}

void CMS_Page::onStatusReport(std::uint16_t eventWord, std::uint16_t value) {
    if (profiles_.size() == 0 || (eventWord & 0xFF) != services_.model->receiverCode) return;
    const int type = eventWord >> 8;
    const int low = value & 0xFF;
    const int high = value >> 8;
    const auto accept = [this] { engine_->acceptDeviceChange(); };
    switch (type) {
        case 0x10:  // DPI level changed with the mouse's button
            if (value < 1 || value > kDpiLevels) return;
            editCurrent([&](ProfileRecord& r) { r.set(Field::dpiLevel, value - 1); });
            checkQuietly(find<QAbstractButton>(QStringLiteral("option_dpi_step_%1").arg(value)));
            refreshDpiEdits();
            context_->mainWindow.post(kDpiLevelReportedMessage,
                                      static_cast<std::uintptr_t>(slot() - 1),
                                      profiles_.current().i32(Field::dpiX, value - 1u));
            return accept();
        case 0x20: {  // polling rate
            if (value < 1 || value > 8) return;
            // Some models report only the exact rate codes; others count too.
            const bool exact = services_.model->pollingEvent == PollingEvent::ExactCodes;
            if (exact && value != 1 && value != 2 && value != 4 && value != 8) return;
            const int rate = value == 1 ? 3 : value == 2 ? 2 : value == 4 ? 1 : 0;
            editCurrent([&](ProfileRecord& r) { r.set(Field::pollingRate, rate); });
            checkQuietly(find<QAbstractButton>(QStringLiteral("btn_prate_%1").arg(rate + 1)));
            context_->skin.setTextId(control("label_prate"),
                                     QStringLiteral("prate_%1_text").arg(rate + 1));
            return accept();
        }
        case 0x40: {  // power
            context_->timers.setTimer(timer(kWatchdog), kWatchdogMs);
            auto* bar = find<QProgressBar>("progress_power");
            auto* label = find<QLabel>("label_power");
            const auto showLevel = [&](int percent) {
                if (bar) bar->setValue(percent);
                if (label) {
                    label->setProperty("textId", QVariant());
                    label->setText(QStringLiteral("%1%").arg(percent));
                }
            };
            const bool wired = link_->wiredState() == 1;
            if (low == 2 && wired) {
                if (link_->wirelessOnline()) setWirelessOnline(false);
                showLevel(100);
                stopChargingAnimation();
                return;
            }
            if (!link_->wirelessOnline()) setWirelessOnline(true);
            link_->setOffline(false);
            showSleepLabel(false);
            if (low == 2) {
                stopChargingAnimation();
                showLevel(100);
            } else if (low == 3) {
                startChargingAnimation(false);
                showChargingText();
            } else {
                stopChargingAnimation();
                if (high >= 1 && high <= 100) showLevel(high);
            }
            return;
        }
        case 0x50:  // acknowledgement
            link_->setStopResend(low == 0);
            return;
        case 0x70:  // lighting effect
            if (value > 7) return;
            editCurrent([&](ProfileRecord& r) { r.set(Field::lightMode, value); });
            return accept();
        case 0x80:
            if (value >= 1 && value <= 5) accept();
            return;
        default:
            return;
    }
}

// --- Receiver ------------------------------------------------------------------

void CMS_Page::setReceiver(std::shared_ptr<HidDevice> command, std::shared_ptr<HidDevice> report,
                           bool fourK) {
    if (!fourK) link_->setReceiver(std::move(command), std::move(report));
}

void CMS_Page::onReceiverReport(std::uint16_t eventWord, std::uint16_t value, bool sameModel,
                                bool fourK) {
    if (fourK) return;  // this slot has no 4K path
    if (sameModel) {
        // Reports keep the wireless presence alive.
        context_->timers.setTimer(timer(kWatchdog), kWatchdogMs);
        if (!link_->wirelessOnline()) setWirelessOnline(true);
    }
    onStatusReport(eventWord, value);
}

void CMS_Page::withdrawReceiver(bool fourK) {
    if (!fourK && link_->wirelessOnline()) setWirelessOnline(false);
}

// --- LinkView -------------------------------------------------------------------

void CMS_Page::showWiredIcon(bool shown) {
    if (QWidget* icon = control("wired")) icon->setVisible(shown);
}

void CMS_Page::showSleepLabel(bool shown) {
    if (QWidget* label = control("sleep_label")) label->setVisible(shown);
}

void CMS_Page::showChargingText() {
    context_->skin.setTextId(control("label_power"), "charging_text");
}

void CMS_Page::clearPowerLabel() {
    if (auto* label = find<QLabel>("label_power")) {
        label->setProperty("textId", QVariant());
        label->clear();
    }
}

void CMS_Page::startChargingAnimation(bool resetCounter) {
    if (resetCounter) chargingCounter_ = 0;
    context_->timers.setTimer(timer(kCharging), kChargingMs);
}

void CMS_Page::stopChargingAnimation() {
    context_->timers.killTimer(timer(kCharging));
}

void CMS_Page::showFeatureSections() {
    for (const char* name :
         {"combo_light", "check_prate", "check_power", "ver_power", "check_key_debounce"})
        if (QWidget* w = control(name)) w->setVisible(true);
    showLightingRows();
}

}  // namespace velor
