// The controls of one page's skin by name without the page's prefix, read in
// one walk when the skin is built, so that sections find them once.
#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

#include <array>

namespace velor {

class ControlIndex {
  public:
    ControlIndex() = default;
    // Every widget under root (root included) whose name starts with prefix.
    ControlIndex(QWidget* root, const QString& prefix);

    QWidget* get(const QString& suffix) const { return byName_.value(suffix, nullptr); }
    template <typename T>
    T* get(const QString& suffix) const {
        return qobject_cast<T*>(get(suffix));
    }
    // The controls pattern % 1, pattern % 2, ... pattern % N ("slider_dpi_%1").
    template <typename T, std::size_t N>
    std::array<T*, N> numbered(const QString& pattern) const {
        std::array<T*, N> controls{};
        for (std::size_t i = 0; i < N; ++i) controls[i] = get<T>(pattern.arg(i + 1));
        return controls;
    }
    std::size_t size() const { return static_cast<std::size_t>(byName_.size()); }

  private:
    QHash<QString, QWidget*> byName_;
};

// Index (0-based) of control among controls; -1 when it is none of them.
template <typename T, std::size_t N>
int indexOf(const std::array<T*, N>& controls, const QObject* control) {
    for (std::size_t i = 0; i < N; ++i)
        if (control != nullptr && controls[i] == control) return static_cast<int>(i);
    return -1;
}

}  // namespace velor
