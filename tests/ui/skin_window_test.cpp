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
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "../support/temp_folder.h"
#include "skin/message_dispatcher.h"
#include "skin/skin_window.h"
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
