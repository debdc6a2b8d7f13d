#include "ui/app_rules_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "util/utf16.h"

namespace velor {

CAppRulesWnd::CAppRulesWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder,
                           Services services)
    : SkinnedDialog(parent, texts, skinFolder), services_(std::move(services)) {}

void CAppRulesWnd::initWindow() {
    // Enter in the name field adds it, and presses the focused button.
    enterKeys_ = std::make_unique<FocusedButtonDefault>(*this);
    const QString profile = QString::fromStdU16String(services_.profile);
    if (auto* hint = skin().find<QLabel>("app_rules_hint"))
        hint->setText(skin().texts().get("app_rules_hint_text").arg(profile));
    if (auto* unavailable = skin().find<QLabel>("app_rules_unavailable");
        unavailable && !services_.unavailable.empty()) {
        unavailable->setText(skin()
                                 .texts()
                                 .get("app_rules_unavailable_text")
                                 .arg(QString::fromStdString(services_.unavailable))
                                 .arg(services_.slot)
                                 .arg(profile));
        unavailable->setVisible(true);
    }
    if (auto* list = skin().find<QListWidget>("list_running"))
        for (const FrontApplication& app : services_.running) {
            // The program name is what a rule is best given; a class does without.
            const QString name =
                QString::fromStdString(app.executable.empty() ? app.windowClass : app.executable);
            auto* row = new QListWidgetItem(
                app.executable.empty() || app.windowClass.empty()
                    ? name
                    : QStringLiteral("%1 (%2)").arg(QString::fromStdString(app.windowClass), name),
                list);
            row->setData(Qt::UserRole, name);
        }
    if (auto* edit = skin().find<QLineEdit>("edit_app"))
        edit->setPlaceholderText(skin().texts().get("app_rules_app_text"));
    change({});
}

bool CAppRulesWnd::change(const RulesEdit& edit) {
    const RulesOutcome outcome = services_.edit(
        edit ? edit : [](AppRules&, const std::vector<std::u16string>&) { return RulesOutcome{}; });
    if (outcome.exitCode != 0 && services_.tell)
        services_.tell(QString::fromStdString(outcome.reason));
    showRules(outcome.rules);
    return outcome.exitCode == 0;
}

void CAppRulesWnd::showRules(const std::vector<AppRule>& rules) {
    auto* list = skin().find<QListWidget>("list_rules");
    if (!list) return;
    list->clear();
    for (const AppRule& r : rules)
        if (r.profile == services_.profile)
            new QListWidgetItem(QString::fromStdString(r.app), list);
    if (list->count() > 0) list->setCurrentRow(0);
}

void CAppRulesWnd::addTyped() {
    auto* edit = skin().find<QLineEdit>("edit_app");
    if (!edit || edit->text().trimmed().isEmpty()) return;
    const std::string app = edit->text().trimmed().toStdString();
    const std::u16string profile = services_.profile;
    const bool added = change([app, profile](AppRules& rules, const std::vector<std::u16string>&) {
        if (auto refused = rules.add(app, profile)) return RulesOutcome{2, *refused, {}};
        return RulesOutcome{};
    });
    // A refused name stays in the field, to be mended.
    if (added) edit->clear();
}

void CAppRulesWnd::onNotify(const Notification& n) {
    auto* edit = skin().find<QLineEdit>("edit_app");
    if (n.type == "itemselect" && n.sender == "list_running" && edit) {
        if (auto* list = skin().find<QListWidget>("list_running"); list && list->currentItem())
            edit->setText(list->currentItem()->data(Qt::UserRole).toString());
        return;
    }
    if ((n.type == "return" && n.sender == "edit_app") ||
        (n.type == "click" && n.sender == "btn_add_rule"))
        return addTyped();
    if (n.type != "click") return;
    if (n.sender == "btn_ok" || n.sender == "btn_exit") return closeWith(1);
    if (n.sender == "btn_remove_rule") {
        auto* list = skin().find<QListWidget>("list_rules");
        if (!list || !list->currentItem()) return;
        const std::string app = list->currentItem()->text().toStdString();
        const std::u16string profile = services_.profile;
        change([app, profile](AppRules& rules, const std::vector<std::u16string>&) {
            rules.remove(app, profile);
            return RulesOutcome{};
        });
    }
}

}  // namespace velor
