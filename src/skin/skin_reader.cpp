#include "skin/skin_reader.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QStackedWidget>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "skin/skin_parts.h"
#include "skin/xml_events.h"

namespace velor {

namespace {

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
        // An item's place in its layout; a combo box's or a list's item's text.
        SkinPlace place;
        QString itemText;
        // A widget's current page or item, set once they are all in.
        std::optional<int> currentIndex;
        // A spacer's.
        QSize size;
        Qt::Orientation orientation = Qt::Horizontal;
        QSizePolicy::Policy sizeType = QSizePolicy::Expanding;
    };

    // The property being read, and how deep in its value the reading is.
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
    // The property's value, or nothing and the file fails.
    std::optional<QVariant> plain();
    std::optional<QVariant> valueFor(const QObject& object);
    std::optional<int> named(const QMetaEnum& type);
    void discard();

    QWidget* parent_;
    QWidget* root_ = nullptr;
    bool done_ = false;
    std::vector<Frame> frames_;
    SkinValue property_;
    int propertyDepth_ = 0;
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
        if (propertyDepth_++ == 0) property_.kind = element;
        return;
    }
    if (element == "property" && in != Kind::Ui) {
        property_ = SkinValue{};
        property_.property = QByteArray(attribute(attributes, "name").data());
        propertyDepth_ = 0;
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
    if (QWidget* w = makeSkinWidget(kind, parent)) {
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
    QLayout* layout = makeSkinLayout(kind, in.kind == Kind::Widget ? owner : nullptr);
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
        return v.empty() ? otherwise : wholeNumber(v).value_or(otherwise);
    };
    f.place = {whole("row", 0), whole("column", 0), whole("rowspan", 1), whole("colspan", 1), {}};
    if (const std::string_view a = attribute(attributes, "alignment"); !a.empty()) {
        bool ok = false;
        f.place.alignment = Qt::Alignment(
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
    if (top.kind == Kind::Property && propertyDepth_ > 0) {
        if (propertyDepth_-- == 1)
            property_.text = text_;
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
    const std::optional<int> v = wholeNumber(text_);
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
    setStretches(*done.layout, done.stretch, done.rowStretch, done.columnStretch);
    if (frames_.back().kind == Kind::Item) frames_.back().layout = done.layout;
}

// Places what an item holds in its layout, or adds a combo box's or a list's item.
void SkinBuilder::endItem(const Frame& done) {
    const Frame& in = frames_.back();
    if (in.kind == Kind::Widget) {
        if (auto* combo = qobject_cast<QComboBox*>(in.widget)) combo->addItem(done.itemText);
        if (auto* list = qobject_cast<QListWidget*>(in.widget)) list->addItem(done.itemText);
        return;
    }
    placeInLayout(*in.layout, done.place, done.widget, done.layout, done.spacer);
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
            if (property_.property == "text") on.itemText = fromUtf8(property_.text);
            return;
        default:
            return;
    }
}

void SkinBuilder::setWidgetProperty(Frame& on) {
    QWidget* w = on.widget;
    const QByteArray& name = property_.property;
    const std::optional<QVariant> value = valueFor(*w);
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
    const QByteArray& name = property_.property;
    const std::optional<QVariant> value = valueFor(*layout);
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
    const QByteArray& name = property_.property;
    if (name == "orientation") {
        if (const auto o = named(QMetaEnum::fromType<Qt::Orientation>()))
            on.orientation = Qt::Orientation(*o);
    } else if (name == "sizeType") {
        if (const auto t = named(QMetaEnum::fromType<QSizePolicy::Policy>()))
            on.sizeType = QSizePolicy::Policy(*t);
    } else if (name == "sizeHint") {
        if (const auto v = plain()) on.size = v->toSize();
    }
}

std::optional<QVariant> SkinBuilder::plain() {
    QString why;
    std::optional<QVariant> v = plainValue(property_, &why);
    if (!v) fail(why);
    return v;
}

std::optional<QVariant> SkinBuilder::valueFor(const QObject& object) {
    QString why;
    std::optional<QVariant> v =
        property_.named() ? propertyValue(property_, object, &why) : plainValue(property_, &why);
    if (!v) fail(why);
    return v;
}

std::optional<int> SkinBuilder::named(const QMetaEnum& type) {
    QString why;
    const std::optional<int> v = namedValue(property_, type, &why);
    if (!v) fail(why);
    return v;
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
