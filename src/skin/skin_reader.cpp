#include "skin/skin_reader.h"

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
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "skin/color_palette.h"
#include "skin/xml_events.h"

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

QLayout* makeLayout(std::string_view kind, QWidget* owner) {
    if (kind == "QVBoxLayout") return new QVBoxLayout(owner);
    if (kind == "QHBoxLayout") return new QHBoxLayout(owner);
    if (kind == "QGridLayout") return new QGridLayout(owner);
    if (kind == "QFormLayout") return new QFormLayout(owner);
    return nullptr;
}

QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::optional<int> number(std::string_view s) {
    int value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc{} || end != s.data() + s.size()) return std::nullopt;
    return value;
}

// A comma list of stretch factors ("0,1,0"), as the layouts' attributes give them.
std::vector<int> stretches(std::string_view list) {
    std::vector<int> out;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        out.push_back(number(list.substr(0, comma)).value_or(0));
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
    }
    return out;
}

class SkinBuilder final : public XmlEvents {
  public:
    explicit SkinBuilder(QWidget* parent) : parent_(parent) {}
    ~SkinBuilder() override {
        if (!done_) discard();
    }

    QWidget* take() {
        done_ = true;
        return root_;
    }

    void start(std::string_view element, const char* const* attributes) override;
    void end(std::string_view element) override;
    void text(std::string_view s) override { text_.append(s); }

  private:
    enum class Kind { Ui, Widget, Layout, Item, Spacer, Property };

    struct Frame {
        explicit Frame(Kind k) : kind(k) {}
        Kind kind;
        // What a widget's or a layout's frame is for; what an item holds.
        QWidget* widget = nullptr;
        QLayout* layout = nullptr;
        QLayoutItem* spacer = nullptr;
        // A layout's: the widget its controls belong to; its stretch lists.
        QWidget* owner = nullptr;
        std::string stretch, rowStretch, columnStretch;
        // A layout's margins as the file gives them (left, top, right,
        // bottom), set together once it is whole: asking a layout for a side
        // it was not given asks the style sheet, which costs.
        std::array<std::optional<int>, 4> margins;
        // An item's place in a grid or form layout, and its alignment; the
        // text of a combo box's or a list's item.
        int row = 0, column = 0, rowSpan = 1, columnSpan = 1;
        Qt::Alignment alignment;
        QString itemText;
        // A widget's current page or item, set once they are all in.
        std::optional<int> currentIndex;
        // A spacer's.
        QSize size;
        Qt::Orientation orientation = Qt::Horizontal;
        QSizePolicy::Policy sizeType = QSizePolicy::Expanding;
    };

    // The property being read: its name, the kind of its value (the value
    // element's name), the value's text and, for sizes and rectangles, parts.
    struct Property {
        QByteArray name;
        std::string kind;
        std::string value;
        int depth = 0;
        int x = 0, y = 0, width = 0, height = 0;
    };

    void startWidget(const char* const* attributes);
    void startLayout(const char* const* attributes);
    void startItem(const char* const* attributes);
    void endWidget(Frame done);
    void endLayout(const Frame& done);
    void endItem(const Frame& done);
    void endPropertyPart(std::string_view element);
    void setProperty(Frame& on);
    void setWidgetProperty(Frame& on);
    void setLayoutProperty(Frame& on);
    void setSpacerProperty(Frame& on);
    std::optional<QVariant> plainValue();
    std::optional<QVariant> enumValue(const QObject* object);
    std::optional<int> enumOf(const QMetaEnum& e);
    void discard();

    QWidget* parent_;
    QWidget* root_ = nullptr;
    bool done_ = false;
    std::vector<Frame> frames_;
    Property property_;
    std::string text_;
    int skipping_ = 0;
    std::vector<std::pair<QLabel*, QByteArray>> buddies_;
};

void SkinBuilder::start(std::string_view element, const char* const* attributes) {
    text_.clear();
    if (skipping_ > 0) {
        ++skipping_;
        return;
    }
    if (frames_.empty()) {
        if (element != "ui") return fail(QStringLiteral("not a skin file"));
        frames_.emplace_back(Kind::Ui);
        return;
    }
    const Kind in = frames_.back().kind;
    // A combo box's or a list's item holds only its text.
    const bool layoutItem = in == Kind::Item && frames_[frames_.size() - 2].kind == Kind::Layout;
    if (in == Kind::Property) {
        if (property_.depth++ == 0) property_.kind = element;
        return;
    }
    if (element == "property" && in != Kind::Ui) {
        property_ = Property{};
        property_.name = QByteArray(attribute(attributes, "name").data());
        frames_.emplace_back(Kind::Property);
    } else if (element == "widget" && (in == Kind::Ui || in == Kind::Widget || layoutItem)) {
        startWidget(attributes);
    } else if (element == "layout" && (in == Kind::Widget || layoutItem)) {
        startLayout(attributes);
    } else if (element == "item" && (in == Kind::Layout || in == Kind::Widget)) {
        startItem(attributes);
    } else if (element == "spacer" && layoutItem) {
        frames_.emplace_back(Kind::Spacer);
    } else {
        // What the skins have no use for (resources, connections, ...).
        skipping_ = 1;
    }
}

void SkinBuilder::startWidget(const char* const* attributes) {
    const std::string_view kind = attribute(attributes, "class");
    const Frame& in = frames_.back();
    if (in.kind == Kind::Ui && root_ != nullptr)
        return fail(QStringLiteral("a second window in one skin file"));
    QWidget* parent = in.kind == Kind::Ui       ? parent_
                      : in.kind == Kind::Widget ? in.widget
                                                : frames_[frames_.size() - 2].owner;
    for (const WidgetClass& c : kWidgetClasses) {
        if (c.name != kind) continue;
        QWidget* w = c.make(parent);
        w->setObjectName(fromUtf8(attribute(attributes, "name")));
        if (in.kind == Kind::Ui) root_ = w;
        Frame f(Kind::Widget);
        f.widget = w;
        frames_.push_back(std::move(f));
        return;
    }
    fail(QStringLiteral("unknown control class %1").arg(fromUtf8(kind)));
}

void SkinBuilder::startLayout(const char* const* attributes) {
    const std::string_view kind = attribute(attributes, "class");
    const Frame& in = frames_.back();
    // A widget's own layout is made on it; a layout inside another is placed
    // by its item once whole.
    QWidget* owner = in.kind == Kind::Widget ? in.widget : frames_[frames_.size() - 2].owner;
    if (in.kind == Kind::Widget && in.widget->layout() != nullptr)
        return fail(QStringLiteral("a second layout on one control"));
    QLayout* layout = makeLayout(kind, in.kind == Kind::Widget ? owner : nullptr);
    if (layout == nullptr) return fail(QStringLiteral("unknown layout %1").arg(fromUtf8(kind)));
    layout->setObjectName(fromUtf8(attribute(attributes, "name")));
    Frame f(Kind::Layout);
    f.layout = layout;
    f.owner = owner;
    f.stretch = attribute(attributes, "stretch");
    f.rowStretch = attribute(attributes, "rowstretch");
    f.columnStretch = attribute(attributes, "columnstretch");
    frames_.push_back(std::move(f));
}

void SkinBuilder::startItem(const char* const* attributes) {
    Frame f(Kind::Item);
    const auto whole = [&](std::string_view name, int otherwise) {
        const std::string_view v = attribute(attributes, name);
        return v.empty() ? otherwise : number(v).value_or(otherwise);
    };
    f.row = whole("row", 0);
    f.column = whole("column", 0);
    f.rowSpan = whole("rowspan", 1);
    f.columnSpan = whole("colspan", 1);
    if (const std::string_view a = attribute(attributes, "alignment"); !a.empty()) {
        bool ok = false;
        f.alignment = Qt::Alignment(
            QMetaEnum::fromType<Qt::Alignment>().keysToValue(std::string(a).c_str(), &ok));
        if (!ok) return fail(QStringLiteral("unknown alignment %1").arg(fromUtf8(a)));
    }
    frames_.push_back(std::move(f));
}

void SkinBuilder::end(std::string_view element) {
    if (skipping_ > 0) {
        --skipping_;
        return;
    }
    Frame& top = frames_.back();
    if (top.kind == Kind::Property && property_.depth > 0) {
        if (property_.depth-- == 1)
            property_.value = text_;
        else
            endPropertyPart(element);
        return;
    }
    Frame done = std::move(top);
    frames_.pop_back();
    switch (done.kind) {
        case Kind::Property:
            return setProperty(frames_.back());
        case Kind::Widget:
            return endWidget(std::move(done));
        case Kind::Layout:
            return endLayout(done);
        case Kind::Item:
            return endItem(done);
        case Kind::Spacer: {
            const bool vertical = done.orientation == Qt::Vertical;
            frames_.back().spacer =
                new QSpacerItem(done.size.width(), done.size.height(),
                                vertical ? QSizePolicy::Minimum : done.sizeType,
                                vertical ? done.sizeType : QSizePolicy::Minimum);
            return;
        }
        case Kind::Ui:
            if (root_ == nullptr) return fail(QStringLiteral("no window in the skin file"));
            for (const auto& [label, buddy] : buddies_)
                label->setBuddy(root_->findChild<QWidget*>(QString::fromUtf8(buddy)));
            return;
    }
}

void SkinBuilder::endPropertyPart(std::string_view element) {
    const std::optional<int> v = number(text_);
    if (!v) return fail(QStringLiteral("%1 is not a number").arg(fromUtf8(text_)));
    if (element == "x") property_.x = *v;
    if (element == "y") property_.y = *v;
    if (element == "width") property_.width = *v;
    if (element == "height") property_.height = *v;
}

void SkinBuilder::endWidget(Frame done) {
    QWidget* w = done.widget;
    if (done.currentIndex) {
        if (auto* pages = qobject_cast<QStackedWidget*>(w))
            pages->setCurrentIndex(*done.currentIndex);
        if (auto* combo = qobject_cast<QComboBox*>(w)) combo->setCurrentIndex(*done.currentIndex);
    }
    Frame& in = frames_.back();
    if (in.kind == Kind::Item) {
        in.widget = w;
    } else if (in.kind == Kind::Widget) {
        if (auto* pages = qobject_cast<QStackedWidget*>(in.widget)) pages->addWidget(w);
        if (auto* scroller = qobject_cast<QScrollArea*>(in.widget)) scroller->setWidget(w);
    }
}

void SkinBuilder::endLayout(const Frame& done) {
    const auto& given = done.margins;
    if (std::ranges::any_of(given, [](const auto& m) { return m.has_value(); })) {
        // The sides the file leaves out stay as they are.
        const bool whole = std::ranges::all_of(given, [](const auto& m) { return m.has_value(); });
        const QMargins now = whole ? QMargins() : done.layout->contentsMargins();
        done.layout->setContentsMargins(given[0].value_or(now.left()), given[1].value_or(now.top()),
                                        given[2].value_or(now.right()),
                                        given[3].value_or(now.bottom()));
    }
    if (auto* box = qobject_cast<QBoxLayout*>(done.layout)) {
        const std::vector<int> s = stretches(done.stretch);
        for (std::size_t i = 0; i < s.size(); ++i) box->setStretch(static_cast<int>(i), s[i]);
    } else if (auto* grid = qobject_cast<QGridLayout*>(done.layout)) {
        const std::vector<int> rows = stretches(done.rowStretch);
        for (std::size_t i = 0; i < rows.size(); ++i)
            grid->setRowStretch(static_cast<int>(i), rows[i]);
        const std::vector<int> columns = stretches(done.columnStretch);
        for (std::size_t i = 0; i < columns.size(); ++i)
            grid->setColumnStretch(static_cast<int>(i), columns[i]);
    }
    if (frames_.back().kind == Kind::Item) frames_.back().layout = done.layout;
}

// Places what an item holds in its layout, as Designer's own loader does; or
// adds a combo box's or a list's item.
void SkinBuilder::endItem(const Frame& done) {
    const Frame& in = frames_.back();
    if (in.kind == Kind::Widget) {
        if (auto* combo = qobject_cast<QComboBox*>(in.widget)) combo->addItem(done.itemText);
        if (auto* list = qobject_cast<QListWidget*>(in.widget)) list->addItem(done.itemText);
        return;
    }
    const Qt::Alignment a = done.alignment;
    if (auto* grid = qobject_cast<QGridLayout*>(in.layout)) {
        const int r = done.row, c = done.column, rs = done.rowSpan, cs = done.columnSpan;
        if (done.widget) grid->addWidget(done.widget, r, c, rs, cs, a);
        if (done.layout) grid->addLayout(done.layout, r, c, rs, cs, a);
        if (done.spacer) grid->addItem(done.spacer, r, c, rs, cs, a);
    } else if (auto* form = qobject_cast<QFormLayout*>(in.layout)) {
        const QFormLayout::ItemRole role = done.columnSpan > 1 ? QFormLayout::SpanningRole
                                           : done.column == 0  ? QFormLayout::LabelRole
                                                               : QFormLayout::FieldRole;
        if (done.widget) form->setWidget(done.row, role, done.widget);
        if (done.layout) form->setLayout(done.row, role, done.layout);
        if (done.spacer) form->setItem(done.row, role, done.spacer);
    } else if (auto* box = qobject_cast<QBoxLayout*>(in.layout)) {
        if (done.widget) box->addWidget(done.widget, 0, a);
        if (done.layout) box->addLayout(done.layout);
        if (done.spacer) box->addItem(done.spacer);
    }
}

void SkinBuilder::setProperty(Frame& on) {
    switch (on.kind) {
        case Kind::Widget:
            return setWidgetProperty(on);
        case Kind::Layout:
            return setLayoutProperty(on);
        case Kind::Spacer:
            return setSpacerProperty(on);
        case Kind::Item:
            if (property_.name == "text") on.itemText = fromUtf8(property_.value);
            return;
        default:
            return;
    }
}

void SkinBuilder::setWidgetProperty(Frame& on) {
    QWidget* w = on.widget;
    const QByteArray& name = property_.name;
    const bool isEnum = property_.kind == "enum" || property_.kind == "set";
    const std::optional<QVariant> value = isEnum ? enumValue(w) : plainValue();
    if (!value) return;
    if (name == "geometry" && w == root_) {
        // The window's position is the desktop's to choose.
        w->resize(value->toRect().size());
    } else if (name == "buddy" && qobject_cast<QLabel*>(w)) {
        // Its control may come later in the file.
        buddies_.emplace_back(static_cast<QLabel*>(w), value->toByteArray());
    } else if (name == "currentIndex" &&
               (qobject_cast<QStackedWidget*>(w) || qobject_cast<QComboBox*>(w))) {
        on.currentIndex = value->toInt();
    } else {
        w->setProperty(name.constData(), *value);
    }
}

void SkinBuilder::setLayoutProperty(Frame& on) {
    static constexpr std::string_view kMargins[] = {"leftMargin", "topMargin", "rightMargin",
                                                    "bottomMargin"};
    QLayout* layout = on.layout;
    const QByteArray& name = property_.name;
    const bool isEnum = property_.kind == "enum" || property_.kind == "set";
    const std::optional<QVariant> value = isEnum ? enumValue(layout) : plainValue();
    if (!value) return;
    const std::string_view key(name.constData(), static_cast<std::size_t>(name.size()));
    if (const auto side = std::ranges::find(kMargins, key); side != std::end(kMargins)) {
        on.margins[static_cast<std::size_t>(side - std::begin(kMargins))] = value->toInt();
    } else if (auto* grid = qobject_cast<QGridLayout*>(layout);
               grid && (name == "horizontalSpacing" || name == "verticalSpacing")) {
        // A grid's spacings have setters but are no properties.
        if (name == "horizontalSpacing")
            grid->setHorizontalSpacing(value->toInt());
        else
            grid->setVerticalSpacing(value->toInt());
    } else {
        layout->setProperty(name.constData(), *value);
    }
}

void SkinBuilder::setSpacerProperty(Frame& on) {
    const QByteArray& name = property_.name;
    if (name == "orientation") {
        if (const auto o = enumOf(QMetaEnum::fromType<Qt::Orientation>()))
            on.orientation = Qt::Orientation(*o);
    } else if (name == "sizeType") {
        if (const auto t = enumOf(QMetaEnum::fromType<QSizePolicy::Policy>()))
            on.sizeType = QSizePolicy::Policy(*t);
    } else if (name == "sizeHint") {
        if (const auto v = plainValue()) on.size = v->toSize();
    }
}

std::optional<QVariant> SkinBuilder::plainValue() {
    const std::string& k = property_.kind;
    const std::string& v = property_.value;
    if (k == "string") return QVariant(fromUtf8(v));
    if (k == "cstring") return QVariant(QByteArray::fromStdString(v));
    if (k == "bool") return QVariant(v == "true");
    if (k == "size") return QVariant(QSize(property_.width, property_.height));
    if (k == "rect")
        return QVariant(QRect(property_.x, property_.y, property_.width, property_.height));
    if (k == "number") {
        if (const std::optional<int> n = number(v)) return QVariant(*n);
        fail(QStringLiteral("%1 is not a number").arg(fromUtf8(v)));
        return std::nullopt;
    }
    if (k == "double") {
        bool ok = false;
        const double d = fromUtf8(v).toDouble(&ok);
        if (ok) return QVariant(d);
    }
    fail(QStringLiteral("property %1: a value of kind %2 is not read")
             .arg(QString::fromLatin1(property_.name), fromUtf8(k)));
    return std::nullopt;
}

std::optional<int> SkinBuilder::enumOf(const QMetaEnum& e) {
    bool ok = false;
    const std::string& v = property_.value;
    const int value = e.isFlag() ? e.keysToValue(v.c_str(), &ok) : e.keyToValue(v.c_str(), &ok);
    if (ok) return value;
    fail(QStringLiteral("property %1: unknown value %2")
             .arg(QString::fromLatin1(property_.name), fromUtf8(v)));
    return std::nullopt;
}

// An enum or flag value by its names, as the object's property takes it.
std::optional<QVariant> SkinBuilder::enumValue(const QObject* object) {
    const QMetaObject* meta = object->metaObject();
    const QMetaProperty p = meta->property(meta->indexOfProperty(property_.name.constData()));
    if (!p.isValid() || !p.isEnumType() || p.metaType().sizeOf() != sizeof(int)) {
        fail(QStringLiteral("property %1 takes no named value")
                 .arg(QString::fromLatin1(property_.name)));
        return std::nullopt;
    }
    const std::optional<int> value = enumOf(p.enumerator());
    if (!value) return std::nullopt;
    return QVariant(p.metaType(), &*value);
}

// What a damaged file had made so far goes: the widgets with the root, the
// layouts and spacers not yet placed on their own.
void SkinBuilder::discard() {
    for (const Frame& f : frames_) {
        if (f.kind == Kind::Item) {
            delete f.spacer;
            if (f.layout && f.layout->parent() == nullptr) delete f.layout;
        }
        if (f.kind == Kind::Layout && f.layout->parent() == nullptr) delete f.layout;
    }
    delete root_;
}

}  // namespace

QWidget* buildSkin(const QByteArray& xml, QWidget* parent, QString* error) {
    SkinBuilder builder(parent);
    const QString problem = readXml(xml, builder);
    if (!problem.isEmpty()) {
        if (error) *error = problem;
        return nullptr;
    }
    return builder.take();
}

}  // namespace velor
