#include "ui/page/control_index.h"

namespace velor {

ControlIndex::ControlIndex(QWidget* root, const QString& prefix) {
    if (root == nullptr) return;
    const auto add = [&](QWidget* w) {
        const QString name = w->objectName();
        // The first of two equal names wins, as a search of the tree would find it.
        if (name.startsWith(prefix)) byName_.insert(name.mid(prefix.size()), w);
    };
    add(root);
    const QList<QWidget*> all = root->findChildren<QWidget*>();
    // findChildren lists depth first; insert from the back so the first wins.
    for (auto it = all.crbegin(); it != all.crend(); ++it) add(*it);
}

}  // namespace velor
