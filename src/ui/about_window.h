// The About window: language, autostart and feedback, each change posted to
// the main window at once (1293, 1294, 1295); the program's version.
#pragma once

#include "platform/message_poster.h"
#include "skin/skinned_dialog.h"

class QComboBox;
class QCheckBox;

namespace velor {

class CAboutWnd final : public SkinnedDialog {
    Q_OBJECT
  public:
    CAboutWnd(QWidget* parent, LanguageTexts& texts, const QString& skinFolder,
              MessagePoster& mainWindow, int lanId, int startup, int feedback,
              int batteryNotices);

    QString className() const override { return QStringLiteral("AboutWnd"); }
    QString skinFile() const override { return QStringLiteral("about.xml"); }

    // The version as "%d.%d.%d.%d" of the build's four parts.
    static QString versionText();

  protected:
    void initWindow() override;
    void onNotify(const Notification& n) override;

  private:
    MessagePoster& mainWindow_;
    int lanId_;
    int startup_;
    int feedback_;
    int batteryNotices_;
};

}  // namespace velor
