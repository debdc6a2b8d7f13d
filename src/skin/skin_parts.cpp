#include "skin/skin_parts.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaProperty>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QScrollArea>
#include <QSize>
#include <QSlider>
#include <QStackedWidget>

#include <charconv>

#include "skin/color_palette.h"

namespace velor {

namespace {

template <typename W>
QWidget* make(QWidget* parent) {
    return new W(parent);
}

struct WidgetClass {
    std::string_view name;
    QWidget* (*make)(QWidget*);
};

constexpr WidgetClass kWidgetClasses[] = {
    {"QWidget", make<QWidget>},
    {"QFrame", make<QFrame>},
    {"QLabel", make<QLabel>},
    {"QPushButton", make<QPushButton>},
    {"QCheckBox", make<QCheckBox>},
    {"QRadioButton", make<QRadioButton>},
    {"QSlider", make<QSlider>},
    {"QLineEdit", make<QLineEdit>},
    {"QProgressBar", make<QProgressBar>},
    {"QScrollArea", make<QScrollArea>},
    {"QListWidget", make<QListWidget>},
    {"QComboBox", make<QComboBox>},
    {"QStackedWidget", make<QStackedWidget>},
    {"QGroupBox", make<QGroupBox>},
    {"velor::ColorPalette", make<ColorPalette>},
    {"ColorPalette", make<ColorPalette>},
};

}  // namespace

QWidget* makeSkinWidget(std::string_view className, QWidget* parent) {
    for (const WidgetClass& c : kWidgetClasses)
        if (c.name == className) return c.make(parent);
    return nullptr;
}

QLayout* makeSkinLayout(std::string_view className, QWidget* owner) {
    if (className == "QVBoxLayout") return new QVBoxLayout(owner);
    if (className == "QHBoxLayout") return new QHBoxLayout(owner);
    if (className == "QGridLayout") return new QGridLayout(owner);
    if (className == "QFormLayout") return new QFormLayout(owner);
    return nullptr;
}

void placeInLayout(QLayout& layout, const SkinPlace& place, QWidget* widget, QLayout* inner,
                   QLayoutItem* spacer) {
    const auto [row, column, rowSpan, columnSpan, alignment] = place;
    if (auto* grid = qobject_cast<QGridLayout*>(&layout)) {
        if (widget) grid->addWidget(widget, row, column, rowSpan, columnSpan, alignment);
        if (inner) grid->addLayout(inner, row, column, rowSpan, columnSpan, alignment);
        if (spacer) grid->addItem(spacer, row, column, rowSpan, columnSpan, alignment);
    } else if (auto* form = qobject_cast<QFormLayout*>(&layout)) {
        const QFormLayout::ItemRole role = columnSpan > 1 ? QFormLayout::SpanningRole
                                           : column == 0  ? QFormLayout::LabelRole
                                                          : QFormLayout::FieldRole;
        if (widget) form->setWidget(row, role, widget);
        if (inner) form->setLayout(row, role, inner);
        if (spacer) form->setItem(row, role, spacer);
    } else if (auto* box = qobject_cast<QBoxLayout*>(&layout)) {
        if (widget) box->addWidget(widget, 0, alignment);
        if (inner) box->addLayout(inner);
        if (spacer) box->addItem(spacer);
    }
}

void setStretches(QLayout& layout, std::string_view box, std::string_view rows,
                  std::string_view columns) {
    const auto each = [](std::string_view list, const auto& set) {
        const std::vector<int> s = stretches(list);
        for (std::size_t i = 0; i < s.size(); ++i) set(static_cast<int>(i), s[i]);
    };
    if (auto* b = qobject_cast<QBoxLayout*>(&layout))
        each(box, [b](int i, int v) { b->setStretch(i, v); });
    if (auto* grid = qobject_cast<QGridLayout*>(&layout)) {
        each(rows, [grid](int i, int v) { grid->setRowStretch(i, v); });
        each(columns, [grid](int i, int v) { grid->setColumnStretch(i, v); });
    }
}

std::optional<QVariant> plainValue(const SkinValue& value, QString* why) {
    const std::string& k = value.kind;
    const std::string& v = value.text;
    if (k == "string") return QVariant(fromUtf8(v));
    if (k == "cstring") return QVariant(QByteArray::fromStdString(v));
    if (k == "bool") return QVariant(v == "true");
    if (k == "size") return QVariant(QSize(value.width, value.height));
    if (k == "rect") return QVariant(QRect(value.x, value.y, value.width, value.height));
    if (k == "number") {
        if (const std::optional<int> n = wholeNumber(v)) return QVariant(*n);
        *why = QStringLiteral("%1 is not a number").arg(fromUtf8(v));
        return std::nullopt;
    }
    if (k == "double") {
        bool ok = false;
        const double d = fromUtf8(v).toDouble(&ok);
        if (ok) return QVariant(d);
    }
    *why = QStringLiteral("property %1: a value of kind %2 is not read")
               .arg(QString::fromLatin1(value.property), fromUtf8(k));
    return std::nullopt;
}

std::optional<int> namedValue(const SkinValue& value, const QMetaEnum& type, QString* why) {
    bool ok = false;
    const char* names = value.text.c_str();
    const int v = type.isFlag() ? type.keysToValue(names, &ok) : type.keyToValue(names, &ok);
    if (ok) return v;
    *why = QStringLiteral("property %1: unknown value %2")
               .arg(QString::fromLatin1(value.property), fromUtf8(value.text));
    return std::nullopt;
}

std::optional<QVariant> propertyValue(const SkinValue& value, const QObject& object, QString* why) {
    const QMetaObject* meta = object.metaObject();
    const QMetaProperty p = meta->property(meta->indexOfProperty(value.property.constData()));
    if (!p.isValid() || !p.isEnumType() || p.metaType().sizeOf() != sizeof(int)) {
        *why = QStringLiteral("property %1 takes no named value")
                   .arg(QString::fromLatin1(value.property));
        return std::nullopt;
    }
    const std::optional<int> v = namedValue(value, p.enumerator(), why);
    if (!v) return std::nullopt;
    return QVariant(p.metaType(), &*v);
}

std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::vector<int> stretches(std::string_view list) {
    std::vector<int> out;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        out.push_back(wholeNumber(list.substr(0, comma)).value_or(0));
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
    }
    return out;
}

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace velor
