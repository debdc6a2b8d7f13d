// The main window: holds the pages (as they are built), routes numbered
// messages, keeps the tray icon and the three user preferences.
#pragma once

#include <QLabel>
#include <QSystemTrayIcon>
#include <QWidget>

#include <memory>

#include "app/app_settings.h"
#include "skin/language_texts.h"
#include "skin/message_dispatcher.h"

namespace velor {

inline constexpr std::uint32_t kShowWindowMessage = 1281;
inline constexpr std::uint32_t kLanguageMessage = 1293;
inline constexpr std::uint32_t kAutostartMessage = 1294;
inline constexpr std::uint32_t kFeedbackMessage = 1295;

struct MainWindowServices {
    QString skinFolder;        // program folder + "res/"
    std::string programPath;   // for the autostart entry
    std::string autostartEntry;
    std::string systemLocale;
    std::function<std::string()> dataFolder;
    DebugSink debug;
};

class CMainWnd final : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kClassName = "VELOR Gaming Driver";

    explicit CMainWnd(MainWindowServices services);
    ~CMainWnd() override;

    // Settings, language, tray; in the order the window comes up.
    void init();
    // Shown, restored and in front.
    void showAndRaise();
    // Out of sight: into the tray, or minimised when the desktop has no tray.
    void hideToTray();

    MessageDispatcher& messages() { return messages_; }
    LanguageTexts& texts() { return texts_; }
    int lanId() const { return lanId_; }
    int startup() const { return startup_; }
    int feedback() const { return feedback_; }
    QSystemTrayIcon* trayIcon() const { return tray_.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void routeMessages();
    void changeLanguage(int lanId);
    void refreshTexts();
    void createTray();

    MainWindowServices services_;
    MessageDispatcher messages_;
    LanguageTexts texts_;
    AppSettings settings_;
    int lanId_ = kUnset;
    int startup_ = kUnset;
    int feedback_ = kUnset;
    QLabel* title_ = nullptr;
    QLabel* hint_ = nullptr;
    std::unique_ptr<QSystemTrayIcon> tray_;
};

}  // namespace velor
