#include "ui/page/profile_section.h"

#include <QListWidget>
#include <QStyledItemDelegate>

#include "store/profile_transfer.h"
#include "ui/page/page_rules.h"
#include "ui/profile_name_window.h"
#include "util/utf8_path.h"

namespace velor {

namespace {

constexpr int kRowHeight = 22;

// Every row has the same height, told once by the delegate rather than on
// each of thousands of items.
class FixedRowHeight final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {0, kRowHeight};
    }
};

}  // namespace

void ProfileSection::bind(const ControlIndex& c) {
    list_ = c.get<QListWidget>("list_profile");
    add_ = c.get<QAbstractButton>("profile_add_btn");
    delete_ = c.get<QAbstractButton>("profile_delete_btn");
    rename_ = c.get<QAbstractButton>("profile_rename_btn");
    import_ = c.get<QAbstractButton>("profile_import_btn");
    export_ = c.get<QAbstractButton>("profile_export_btn");
    apps_ = c.get<QAbstractButton>("profile_apps_btn");
    restore_ = {c.get<QAbstractButton>("profile_reset_btn"), c.get<QAbstractButton>("btn_reset")};
    if (list_) {
        list_->setItemDelegate(new FixedRowHeight(list_));
        list_->setUniformItemSizes(true);
    }
}

std::unordered_map<std::u16string, QStringList> ProfileSection::applicationsByProfile() const {
    std::unordered_map<std::u16string, QStringList> apps;
    if (rules_ == nullptr) return apps;
    for (const AppRule& r : rules_->rules().all()) apps[r.profile] << QString::fromStdString(r.app);
    return apps;
}

void ProfileSection::fill(bool notify) {
    if (list_ == nullptr) return;
    const std::vector<std::u16string> names = [&] {
        const std::lock_guard guard(env_.profiles.lock());
        return env_.profiles.names();
    }();
    QStringList labels;
    labels.reserve(static_cast<qsizetype>(names.size()));
    for (const std::u16string& name : names) labels << QString::fromStdU16String(name);
    {
        const QSignalBlocker quiet(list_);
        list_->clear();
        list_->addItems(labels);  // one insertion: ten thousand rows fill as fast as ten
        // "Used with xmessage, firefox" on the row of each profile a rule names.
        const auto apps = applicationsByProfile();
        for (qsizetype i = 0; i < labels.size(); ++i)
            if (const auto found = apps.find(names[static_cast<std::size_t>(i)]);
                found != apps.end())
                list_->item(static_cast<int>(i))
                    ->setToolTip(env_.text("profile_apps_tip_text").arg(found->second.join(", ")));
    }
    if (notify) {
        list_->setCurrentRow(env_.profiles.currentIndex());  // raises the selection
    } else {
        const QSignalBlocker quiet(list_);
        list_->setCurrentRow(env_.profiles.currentIndex());
    }
}

bool ProfileSection::notify(const Notification& n) {
    if (n.control == nullptr) return false;
    if (n.type == "itemselect" && n.control == list_) {
        if (n.value >= 0) select(n.value);
        return true;
    }
    if (n.type != "click") return false;
    if (n.control == add_) {
        add();
    } else if (n.control == delete_) {
        remove();
    } else if (n.control == rename_) {
        rename();
    } else if (n.control == import_) {
        importFile();
    } else if (n.control == export_) {
        exportFile();
    } else if (n.control == apps_) {
        if (env_.services.editAppRules)
            env_.services.editAppRules(env_.current().name().value_or(u""));
    } else if (indexOf(restore_, n.control) >= 0) {
        restoreDefaults();
    } else {
        return false;
    }
    return true;
}

void ProfileSection::switchedTo() {
    env_.refreshPage();
    env_.engine.markAllForUpload();
    env_.requestApply();
}

void ProfileSection::select(int index) {
    env_.profiles.select(index);
    if (rules_) rules_->onUserChoice();
    switchedTo();
}

void ProfileSection::add() {
    if (env_.profiles.full())
        return env_.services.tell("profiles_full_text", QString::number(env_.profiles.capacity()));
    CProfileNameWnd dialog(env_.context.window, env_.context.texts, env_.services.skinFolder,
                           env_.model.slot, "profile_name_1_text", env_.profiles);
    if (!dialog.create()) return;
    dialog.centerOverParent();
    if (dialog.showModal() != 1 || !env_.profiles.add(dialog.acceptedName())) return;
    fill(true);
}

void ProfileSection::rename() {
    CProfileNameWnd dialog(env_.context.window, env_.context.texts, env_.services.skinFolder,
                           env_.model.slot, "profile_name_2_text", env_.profiles);
    if (!dialog.create()) return;
    dialog.centerOverParent();
    const std::u16string before = env_.current().name().value_or(u"");
    if (dialog.showModal() != 1 || !env_.profiles.renameCurrent(dialog.acceptedName())) return;
    if (rules_) rules_->onRenamed(before, dialog.acceptedName());
    if (list_)
        if (QListWidgetItem* row = list_->item(env_.profiles.currentIndex()))
            row->setText(QString::fromStdU16String(dialog.acceptedName()));
    env_.requestSave();
}

void ProfileSection::remove() {
    if (env_.profiles.size() < 2) return env_.services.tell("one_profile_text", {});
    if (!env_.services.ask("delete_profile_text")) return;
    const std::u16string gone = env_.current().name().value_or(u"");
    env_.profiles.removeCurrent();
    if (rules_) rules_->onDeleted(gone);
    fill(true);
}

void ProfileSection::importFile() {
    if (env_.profiles.full())
        return env_.services.tell("profiles_full_text", QString::number(env_.profiles.capacity()));
    const QString file = env_.services.chooseFile(false);
    if (file.isEmpty()) return;
    const auto imported =
        importProfile(env_.profiles, env_.macros, pathFromUtf8(file.toStdString()));
    if (!imported) {
        env_.services.debug(imported.error());
        return env_.services.tell(imported.error().find(kMacroTooLong) != std::string::npos
                                      ? "macro_too_long_text"
                                      : "import_failed_text",
                                  {});
    }
    // Macros that cannot be stored now are kept for a later save; the user
    // is told.
    if (imported->macrosCreated > 0) env_.saveMacros();
    fill(false);
    if (rules_) rules_->onUserChoice();  // the imported profile is the one chosen
    switchedTo();
    // Taken as it is; what the window cannot show as it is, is said once.
    if (!imported->notes.empty()) {
        QStringList lines;
        for (const std::string& line : imported->notes) lines.append(QString::fromStdString(line));
        env_.services.tell("import_outside_text", lines.join('\n'));
    }
}

void ProfileSection::exportFile() {
    const QString file = env_.services.chooseFile(true);
    if (file.isEmpty()) return;
    std::string error;
    if (!exportProfile(env_.profiles, pathFromUtf8(file.toStdString()), &error)) {
        env_.services.debug(error);
        env_.services.tell("export_failed_text", {});
    }
}

void ProfileSection::restoreDefaults() {
    if (!env_.services.ask("restore_text")) return;
    env_.profiles.restoreCurrent();
    switchedTo();
}

}  // namespace velor
