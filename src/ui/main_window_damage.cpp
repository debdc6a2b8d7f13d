// The main window telling of what keeps the program from its files: the
// language files found damaged or missing, each on stderr, and the first in a
// notice with the repair (English, or what could be read of it, stands in
// meanwhile); other problems of the start in the same notice.
#include "skin/resource_file.h"
#include "ui/main_window.h"
#include "ui/msg_window.h"

namespace velor {

void CMainWnd::tellDamagedFiles() {
    const std::vector<LanguageTexts::Damage> damaged = texts_.damaged();
    if (damaged.empty()) return;
    for (const LanguageTexts::Damage& d : damaged) printDamagedFile(d.path + ": " + d.reason);
    tellProblem(damagedFileText(texts_, damaged.front().path, damaged.front().reason));
}

void CMainWnd::tellProblem(const QString& text) {
    // Not waited for: the start goes on behind it, and a hidden start shows it too.
    auto* message = new CMsgWnd(this, texts_, services_.skinFolder, "warning_title_text", {},
                                CMsgWnd::Kind::Notice);
    message->setAttribute(Qt::WA_DeleteOnClose);
    message->setMessageText(text);
    if (!message->create()) {
        // Its own skin is damaged too (and has said so): a plain box.
        delete message;
        return showPlainNotice(this, text);
    }
    message->centerOverParent();
    message->open();
}

}  // namespace velor
