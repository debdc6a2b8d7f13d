// What the skin reader makes of a file's parts: controls and layouts by the
// class names the skins use, and property values from their text.
#pragma once

#include <QByteArray>
#include <QMetaEnum>
#include <QString>
#include <QVariant>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QLayout;
class QLayoutItem;
class QObject;
class QWidget;

namespace velor {

// A control of that class under parent; nullptr for a class no skin uses.
QWidget* makeSkinWidget(std::string_view className, QWidget* parent);
// A layout made on owner (nullptr: one that goes inside another layout);
// nullptr for a kind no skin uses.
QLayout* makeSkinLayout(std::string_view className, QWidget* owner);

// Where an item goes in a grid or form layout, and its alignment.
struct SkinPlace {
    int row = 0, column = 0, rowSpan = 1, columnSpan = 1;
    Qt::Alignment alignment;
};

// Puts what an item holds (a widget, a layout or a spacer) into layout, as
// Designer's own loader does.
void placeInLayout(QLayout& layout, const SkinPlace& place, QWidget* widget, QLayout* inner,
                   QLayoutItem* spacer);
// A layout's stretch attributes ("0,1"): a box's, a grid's rows' and columns'.
void setStretches(QLayout& layout, std::string_view box, std::string_view rows,
                  std::string_view columns);

// A property's value as the file gives it: the value element's name (its
// kind), its text, and the parts of a size or rectangle.
struct SkinValue {
    QByteArray property;
    std::string kind;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;
    bool named() const { return kind == "enum" || kind == "set"; }
};

// Each gives nothing, with the reason in why, for a value it cannot read.
// A string, number, boolean, size or rectangle.
std::optional<QVariant> plainValue(const SkinValue& value, QString* why);
// The value of an enum's or flags' names ("Qt::AlignRight|Qt::AlignVCenter").
std::optional<int> namedValue(const SkinValue& value, const QMetaEnum& type, QString* why);
// A named value as the object's property of that name takes it.
std::optional<QVariant> propertyValue(const SkinValue& value, const QObject& object, QString* why);

std::optional<int> wholeNumber(std::string_view text);
// A comma list of stretch factors ("0,1,0"), as the layouts' attributes give them.
std::vector<int> stretches(std::string_view list);
QString fromUtf8(std::string_view text);

}  // namespace velor
