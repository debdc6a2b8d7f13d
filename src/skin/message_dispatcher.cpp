#include "skin/message_dispatcher.h"

#include <QMetaObject>

namespace velor {

void MessageDispatcher::post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    QMetaObject::invokeMethod(
        this, [this, message, wParam, lParam] { send(message, wParam, lParam); },
        Qt::QueuedConnection);
}

void MessageDispatcher::send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (const auto it = handlers_.find(message); it != handlers_.end()) {
        it->second(wParam, lParam);
    } else if (fallback_) {
        fallback_(message, wParam, lParam);
    }
}

}  // namespace velor

namespace velor {

void MessageDispatcher::postMenuCommand(std::uint32_t message, const QString& itemName) {
    const std::uintptr_t record = nextRecord_++;
    menuCommands_[record] = itemName;
    post(message, record, 0);
}

QString MessageDispatcher::takeMenuCommand(std::uintptr_t record) {
    const auto it = menuCommands_.find(record);
    if (it == menuCommands_.end()) return {};
    QString name = std::move(it->second);
    menuCommands_.erase(it);
    return name;
}

}  // namespace velor
