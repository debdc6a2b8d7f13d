#include "ui/main_window.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <filesystem>

#include "../support/temp_folder.h"

namespace velor {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<CMainWnd> make(const std::string& locale) {
        MainWindowServices s{QStringLiteral(VELOR_SOURCE_DIR "/res/"),
                             "/opt/velor/velor",
                             temp.folder() + "autostart/velor.desktop",
                             locale,
                             [this] { return temp.folder(); },
                             [this](std::string_view l) { lines.emplace_back(l); }};
        auto w = std::make_unique<CMainWnd>(std::move(s));
        w->init();
        return w;
    }
    AppSettings settings() { return AppSettings([this] { return temp.folder(); }, {}); }

    testing::TempFolder temp;
    std::vector<std::string> lines;
};

TEST_F(MainWindowTest, FirstStartChoosesFromTheSystemAndWritesItBack) {
    auto w = make("zh_TW.UTF-8");
    EXPECT_EQ(w->lanId(), 2);
    EXPECT_EQ(settings().lanId(), 2);
    EXPECT_EQ(w->size(), QSize(800, 572));
    EXPECT_EQ(w->windowTitle(), w->texts().get("mouse_name_text"));
}

TEST_F(MainWindowTest, MessagesChangeLanguageAutostartAndFeedback) {
    auto w = make("en_US");
    const QString english = w->findChild<QLabel*>("no_device")->text();
    w->messages().post(kLanguageMessage, 3, 0);
    w->messages().post(kAutostartMessage, 1, 0);
    w->messages().post(kFeedbackMessage, 1, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(w->lanId(), 3);
    EXPECT_EQ(settings().lanId(), 3);
    EXPECT_NE(w->findChild<QLabel*>("no_device")->text(), english);  // refreshed at once
    EXPECT_EQ(settings().startup(), 1);
    EXPECT_TRUE(std::filesystem::exists(temp.path() / "autostart" / "velor.desktop"));
    EXPECT_EQ(settings().feedback(), 1);

    w->messages().post(kAutostartMessage, 0, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(settings().startup(), 0);
    EXPECT_FALSE(std::filesystem::exists(temp.path() / "autostart" / "velor.desktop"));
}

TEST_F(MainWindowTest, AStoredLanguageIsKeptAndAHiddenStartStaysReachable) {
    settings().SaveLanguage(1);
    auto w = make("vi_VN");
    EXPECT_EQ(w->lanId(), 1);
    w->hideToTray();  // the offscreen desktop has no tray: minimised instead
    EXPECT_TRUE(w->isMinimized() || !w->isVisible());
    w->messages().post(kShowWindowMessage, 0, 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->isMinimized());
}

}  // namespace
}  // namespace velor
