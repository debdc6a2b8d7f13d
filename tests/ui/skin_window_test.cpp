// The skin layer on a small skin of its own: each kind of control tells its
// change as the notification the pages expect (kind, sender, value), a
// container with "virtualwnd" sends its controls' notifications to the page
// registered under that name, language texts follow the language, and the
// wheel leaves a control without the focus alone. The message dispatcher
// and the timer host it stands beside are checked here too.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "../support/hang_guard.h"
#include "../support/temp_folder.h"
#include "skin/message_dispatcher.h"
#include "skin/skin_reader.h"
#include "skin/skin_window.h"
#include "skin/theme_sheet.h"
#include "skin/timer_host.h"

namespace velor {
namespace {

const QString kSkins = QStringLiteral(VELOR_PROGRAM_DIR "/res/");

constexpr const char* kSkin = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>T</class>
 <widget class="QWidget" name="root"><layout class="QVBoxLayout" name="l0">
  <item><widget class="QCheckBox" name="check"/></item>
  <item><widget class="QPushButton" name="button"/></item>
  <item><widget class="QRadioButton" name="option_1"/></item>
  <item><widget class="QRadioButton" name="option_2"/></item>
  <item><widget class="QComboBox" name="combo"><item><property name="text"><string>a</string></property></item><item><property name="text"><string>b</string></property></item></widget></item>
  <item><widget class="QSlider" name="slider"><property name="maximum"><number>10</number></property></widget></item>
  <item><widget class="QLineEdit" name="edit"/></item>
  <item><widget class="QListWidget" name="list"/></item>
  <item><widget class="QLabel" name="label"><property name="textId" stdset="0"><string>ok_text</string></property></widget></item>
  <item><widget class="QWidget" name="page"><property name="virtualwnd" stdset="0"><string>Page</string></property>
   <layout class="QVBoxLayout" name="l1"><item><widget class="QPushButton" name="page_button"/></item></layout></widget></item>
 </layout></widget>
</ui>)";

struct Told {
    QString type, sender, page;
    int value;
    bool operator==(const Told&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Told& t) {
    return os << t.type.toStdString() << " " << t.sender.toStdString() << " "
              << t.page.toStdString() << " " << t.value;
}

class Receiver final : public NotifyReceiver {
  public:
    explicit Receiver(std::vector<Told>& told) : told_(told) {}
    void notify(const Notification& n) override {
        told_.push_back({n.type, n.sender, n.virtualWindow, n.value});
    }

  private:
    std::vector<Told>& told_;
};

class SkinWindowTest : public ::testing::Test {
  protected:
    SkinWindowTest() {
        QFile file(QString::fromStdString(temp.folder() + "t.xml"));
        file.open(QIODevice::WriteOnly);
        file.write(kSkin);
        file.close();
        texts.load(2);
        skin.setHandler([this](const Notification& n) {
            told.push_back({n.type, n.sender, n.virtualWindow, n.value});
        });
        QString error;
        EXPECT_TRUE(skin.load(QString::fromStdString(temp.folder()), "t.xml", &error))
            << error.toStdString();
        skin.registerReceiver("Page", &page);
        host.show();
        host.activateWindow();  // focus moves only in the active window
        EXPECT_TRUE(QTest::qWaitForWindowActive(&host));
    }
    template <typename T>
    T* find(const char* name) {
        return skin.find<T>(name);
    }

    testing::TempFolder temp;
    LanguageTexts texts{kSkins};
    QWidget host;
    SkinWindow skin{&host, texts};
    std::vector<Told> told;
    Receiver page{told};
};

TEST_F(SkinWindowTest, EachControlTellsItsChangeAsItsKindOfNotification) {
    find<QListWidget>("list")->addItems({"x", "y", "z"});
    find<QCheckBox>("check")->click();
    find<QAbstractButton>("button")->click();
    find<QAbstractButton>("option_2")->click();
    find<QAbstractButton>("option_2")->click();  // already selected: nothing more
    QTest::keyClick(find<QComboBox>("combo"), Qt::Key_Down);
    find<QSlider>("slider")->setValue(7);
    auto* edit = find<QLineEdit>("edit");
    edit->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(edit, "4");
    QTest::keyClick(edit, Qt::Key_Return);
    find<QCheckBox>("check")->setFocus(Qt::MouseFocusReason);
    find<QListWidget>("list")->setCurrentRow(2);
    find<QAbstractButton>("page_button")->click();
    const std::vector<Told> expected = {{"checkclick", "check", "", 1},
                                        {"click", "button", "", 0},
                                        {"selectchanged", "option_2", "", 1},
                                        {"itemselect", "combo", "", 1},
                                        {"valuechanged", "slider", "", 7},
                                        {"setfocus", "edit", "", Qt::TabFocusReason},
                                        {"textchanged", "edit", "", 0},
                                        {"return", "edit", "", 0},
                                        {"killfocus", "edit", "", Qt::MouseFocusReason},
                                        {"itemselect", "list", "", 2},
                                        {"click", "page_button", "Page", 0}};
    EXPECT_EQ(told, expected);

    // The page's receiver gone, its controls tell the window.
    told.clear();
    skin.unregisterReceiver("Page");
    find<QAbstractButton>("page_button")->click();
    EXPECT_EQ(told, (std::vector<Told>{{"click", "page_button", "Page", 0}}));
}

TEST_F(SkinWindowTest, TextsFollowTheLanguageAndTheWheelNeedsTheFocus) {
    EXPECT_EQ(find<QLabel>("label")->text(), "OK");
    skin.setTextId(find<QAbstractButton>("button"), "cancel_text");
    skin.setAccessibleId(find<QSlider>("slider"), "a11y_dpi_slider_text", "3");
    const QString english = find<QSlider>("slider")->accessibleName();
    EXPECT_TRUE(english.contains("3")) << english.toStdString();
    texts.load(1);  // Chinese
    skin.refreshTexts();
    EXPECT_EQ(find<QLabel>("label")->text(), texts.get("ok_text"));
    EXPECT_NE(find<QLabel>("label")->text(), "OK");
    EXPECT_EQ(find<QAbstractButton>("button")->text(), texts.get("cancel_text"));
    EXPECT_NE(find<QSlider>("slider")->accessibleName(), english);
    EXPECT_TRUE(find<QSlider>("slider")->accessibleName().contains("3"));

    auto* slider = find<QSlider>("slider");
    const auto wheel = [&] {
        QWheelEvent event(QPointF(5, 5), slider->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider, &event);
    };
    wheel();
    EXPECT_EQ(slider->value(), 0);
    slider->setFocus();
    wheel();
    EXPECT_GT(slider->value(), 0);
}

// The parts of Designer's format the skins use, each as Designer's own loader
// builds it: where items go in box, grid and form layouts, margins one side at
// a time, spacings, stretches, spacers, named values, buddies, combo items,
// pages and a scroll area's contents.
TEST(SkinReader, BuildsEachPartOfTheFormatTheSkinsUse) {
    const QByteArray xml = R"(<ui version="4.0"><class>T</class>
 <widget class="QWidget" name="root">
  <property name="geometry"><rect><x>5</x><y>6</y><width>300</width><height>200</height></rect></property>
  <property name="mark" stdset="0"><string>é &amp; ü</string></property>
  <layout class="QVBoxLayout" name="outer">
   <property name="spacing"><number>5</number></property>
   <property name="leftMargin"><number>1</number></property><property name="bottomMargin"><number>4</number></property>
   <item><layout class="QGridLayout" name="grid" columnstretch="0,3">
    <property name="horizontalSpacing"><number>7</number></property>
    <property name="verticalSpacing"><number>9</number></property>
    <item row="0" column="0"><widget class="QLabel" name="caption"><property name="buddy"><cstring>edit</cstring></property>
     <property name="alignment"><set>Qt::AlignRight|Qt::AlignVCenter</set></property></widget></item>
    <item row="0" column="1"><widget class="QLineEdit" name="edit"><property name="maxLength"><number>4</number></property></widget></item>
    <item row="1" column="0" colspan="2"><widget class="QPushButton" name="wide"><property name="visible"><bool>false</bool></property></widget></item>
   </layout></item>
   <item><layout class="QFormLayout" name="form">
    <item row="0" column="0"><widget class="QLabel" name="label"/></item>
    <item row="0" column="1"><widget class="QComboBox" name="combo"><property name="currentIndex"><number>2</number></property>
     <item><property name="text"><string>a</string></property></item><item><property name="text"><string>b</string></property></item>
     <item><property name="text"><string>c</string></property></item></widget></item>
    <item row="1" column="0" colspan="2"><widget class="QSlider" name="slider"><property name="orientation"><enum>Qt::Horizontal</enum></property></widget></item>
   </layout></item>
   <item><layout class="QHBoxLayout" name="row" stretch="2,0">
    <item><spacer name="gap"><property name="orientation"><enum>Qt::Vertical</enum></property><property name="sizeType"><enum>QSizePolicy::Fixed</enum></property>
     <property name="sizeHint" stdset="0"><size><width>20</width><height>10</height></size></property></spacer></item>
    <item alignment="Qt::AlignRight"><widget class="QPushButton" name="ok"><property name="focusPolicy"><enum>Qt::TabFocus</enum></property></widget></item>
   </layout></item>
   <item><widget class="QStackedWidget" name="pages"><property name="currentIndex"><number>1</number></property>
    <widget class="QWidget" name="page_a"/><widget class="QWidget" name="page_b"/></widget></item>
   <item><widget class="QScrollArea" name="scroller"><property name="widgetResizable"><bool>true</bool></property>
    <widget class="QWidget" name="inside"/></widget></item>
  </layout>
 </widget><resources/><connections/></ui>)";
    QWidget host;
    QString error;
    QWidget* root = buildSkin(xml, &host, &error);
    ASSERT_NE(root, nullptr) << error.toStdString();
    EXPECT_EQ(root->parent(), &host);
    EXPECT_EQ(root->size(), QSize(300, 200));
    EXPECT_EQ(root->pos(), QPoint(0, 0));  // where the window goes is the desktop's
    EXPECT_EQ(root->property("mark").toString(), QString::fromUtf8("é & ü"));

    auto* outer = qobject_cast<QVBoxLayout*>(root->layout());
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer->objectName(), "outer");
    EXPECT_EQ(outer->spacing(), 5);
    const QMargins m = outer->contentsMargins();
    EXPECT_EQ(m.left(), 1);
    EXPECT_EQ(m.bottom(), 4);
    EXPECT_EQ(m.top(), root->style()->pixelMetric(QStyle::PM_LayoutTopMargin));  // untouched

    auto* grid = root->findChild<QGridLayout*>("grid");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->horizontalSpacing(), 7);
    EXPECT_EQ(grid->verticalSpacing(), 9);
    EXPECT_EQ(grid->columnStretch(1), 3);
    auto* caption = root->findChild<QLabel*>("caption");
    auto* edit = root->findChild<QLineEdit*>("edit");
    EXPECT_EQ(grid->itemAtPosition(0, 1)->widget(), edit);
    EXPECT_EQ(caption->buddy(), edit);  // named before the control existed
    EXPECT_EQ(caption->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(edit->maxLength(), 4);
    auto* wide = root->findChild<QPushButton*>("wide");
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(wide), &row, &column, &rowSpan, &columnSpan);
    EXPECT_EQ(std::vector<int>({row, column, rowSpan, columnSpan}), std::vector<int>({1, 0, 1, 2}));
    EXPECT_TRUE(wide->isHidden());

    auto* form = root->findChild<QFormLayout*>("form");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->itemAt(0, QFormLayout::LabelRole)->widget(), root->findChild<QLabel*>("label"));
    auto* combo = root->findChild<QComboBox*>("combo");
    EXPECT_EQ(form->itemAt(0, QFormLayout::FieldRole)->widget(), combo);
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentText(), "c");  // the index set once its items were in
    EXPECT_EQ(form->itemAt(1, QFormLayout::SpanningRole)->widget(),
              root->findChild<QSlider*>("slider"));
    EXPECT_EQ(root->findChild<QSlider*>("slider")->orientation(), Qt::Horizontal);

    auto* rowLayout = root->findChild<QHBoxLayout*>("row");
    ASSERT_NE(rowLayout, nullptr);
    EXPECT_EQ(rowLayout->stretch(0), 2);
    QSpacerItem* gap = rowLayout->itemAt(0)->spacerItem();
    ASSERT_NE(gap, nullptr);
    EXPECT_EQ(gap->sizeHint(), QSize(20, 10));
    EXPECT_EQ(gap->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(gap->sizePolicy().horizontalPolicy(), QSizePolicy::Minimum);
    EXPECT_EQ(rowLayout->itemAt(1)->alignment(), Qt::AlignRight);
    EXPECT_EQ(root->findChild<QPushButton*>("ok")->focusPolicy(), Qt::TabFocus);

    auto* pages = root->findChild<QStackedWidget*>("pages");
    EXPECT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->currentWidget()->objectName(), "page_b");
    auto* scroller = root->findChild<QScrollArea*>("scroller");
    EXPECT_EQ(scroller->widget()->objectName(), "inside");
    EXPECT_TRUE(scroller->widgetResizable());
}

// A file outside that part, or cut short, is refused with its line, and
// nothing it had begun stays under the window.
TEST(SkinReader, RefusesDamagedFilesAndLeavesNothingBehind) {
    const auto skin = [](const char* inside) {
        return QByteArray(R"(<ui version="4.0"><widget class="QWidget" name="root">
<layout class="QVBoxLayout" name="l"><item><layout class="QHBoxLayout" name="n">)") +
               inside + "</layout></item></layout></widget></ui>";
    };
    const std::pair<QByteArray, const char*> cases[] = {
        {"not xml at all", "line 1: syntax error"},
        {"<Language/>", "not a skin file"},
        {"<ui/>", "no window"},
        {skin(R"(<item><widget class="QTextBrowser" name="t"/></item>)"),
         "line 2: unknown control class QTextBrowser"},
        {skin(
             R"(<item><widget class="QSlider" name="s"><property name="orientation"><enum>Qt::Sideways</enum></property></widget></item>)"),
         "unknown value Qt::Sideways"},
        {skin(
             R"(<item><widget class="QSlider" name="s"><property name="maximum"><number>9x</number></property></widget></item>)"),
         "9x is not a number"},
        {skin(
             R"(<item><widget class="QLabel" name="s"><property name="font"><font><pointsize>9</pointsize></font></property></widget></item>)"),
         "a value of kind font is not read"},
        {skin(R"(<item><spacer name="g"/></item><item><widget class="QLabel" name="cut">)")
             .left(180),
         "line 2:"},
    };
    for (const auto& [xml, reason] : cases) {
        QWidget host;
        QString error;
        EXPECT_EQ(buildSkin(xml, &host, &error), nullptr) << reason;
        EXPECT_TRUE(error.contains(QString::fromUtf8(reason))) << error.toStdString();
        EXPECT_TRUE(host.children().isEmpty()) << reason;
    }
}

// A named pipe where the theme names an image: left out of the style sheet
// and named, so that the controls that would show it paint at once; the
// images that are sound stay.
TEST(ThemeSheet, AnImageThatIsNotARegularFileIsLeftOutAndNamed) {
    namespace fs = std::filesystem;
    const testing::TempFolder temp;
    const fs::path res = temp.path() / "res";
    fs::copy(VELOR_PROGRAM_DIR "/res", res, fs::copy_options::recursive);
    fs::remove(res / "check.png");
    ASSERT_EQ(::mkfifo((res / "check.png").c_str(), 0600), 0);
    const QString folder = QString::fromStdString(res.string() + "/");
    QStringList damaged;
    const QString sheet = readThemeSheet(folder, &damaged);
    EXPECT_EQ(damaged, QStringList{folder + "check.png: it is not a regular file"});
    EXPECT_FALSE(sheet.contains("check.png"));
    EXPECT_EQ(sheet.count("url(" + folder + "arrow_down.png);"), 2);
    EXPECT_EQ(sheet.count("url(" + folder + "arrow_right.png);"), 1);
    EXPECT_EQ(sheet.count("@SKIN@"), 0);

    const testing::HangGuard guard("painting under the theme");
    QWidget box;
    box.setStyleSheet(sheet);
    auto* layout = new QVBoxLayout(&box);
    auto* check = new QCheckBox("x");
    check->setChecked(true);
    layout->addWidget(check);
    layout->addWidget(new QComboBox);
    box.show();
    EXPECT_FALSE(box.grab().isNull());
}

TEST(MessageDispatcher, PostsRunInOrderLaterSendsAtOnceAndMenuNamesAreTakenOnce) {
    MessageDispatcher d;
    std::vector<std::string> ran;
    d.on(5, [&](std::uintptr_t w, std::intptr_t l) {
        ran.push_back("5:" + std::to_string(w) + ":" + std::to_string(l));
    });
    d.otherwise([&](std::uint32_t m, std::uintptr_t, std::intptr_t) {
        ran.push_back("other " + std::to_string(m));
    });
    d.post(5, 1, -1);
    d.post(9, 0, 0);
    d.send(5, 2, 3);
    EXPECT_EQ(ran, std::vector<std::string>{"5:2:3"});
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, (std::vector<std::string>{"5:2:3", "5:1:-1", "other 9"}));

    std::uintptr_t record = 0;
    d.on(7, [&](std::uintptr_t w, std::intptr_t) { record = w; });
    d.postMenuCommand(7, "ms_10_click");
    QCoreApplication::processEvents();
    EXPECT_EQ(d.takeMenuCommand(record), "ms_10_click");
    EXPECT_EQ(d.takeMenuCommand(record), "");
}

TEST(TimerHost, TimersRepeatUntilKilledAndSettingAgainRestarts) {
    TimerHost timers;
    std::vector<int> fired;
    timers.setHandler([&](int id) { fired.push_back(id); });
    timers.setTimer(0x290, 1);
    EXPECT_TRUE(timers.isActive(0x290));
    EXPECT_EQ(timers.interval(0x290), 1);
    for (int i = 0; i < 500 && fired.size() < 2; ++i) QTest::qWait(2);
    EXPECT_GE(fired.size(), 2u);  // it repeats
    EXPECT_EQ(fired.front(), 0x290);
    timers.setTimer(0x290, 60000);
    EXPECT_EQ(timers.interval(0x290), 60000);
    timers.killTimer(0x290);
    EXPECT_FALSE(timers.isActive(0x290));
    EXPECT_EQ(timers.interval(0x290), 0);
    EXPECT_EQ(timers.interval(0x291), 0);  // never set
}

}  // namespace
}  // namespace velor
