// Numbered messages to the UI thread, the way the pages, the worker threads,
// the libraries and the reader threads reach the main window. post() may be
// called from any thread; handlers run on the UI thread in posting order.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>

#include "platform/message_poster.h"

namespace velor {

class MessageDispatcher final : public QObject, public MessagePoster {
    Q_OBJECT
  public:
    using Handler = std::function<void(std::uintptr_t wParam, std::intptr_t lParam)>;
    using Fallback = std::function<void(std::uint32_t message, std::uintptr_t, std::intptr_t)>;

    explicit MessageDispatcher(QObject* parent = nullptr) : QObject(parent) {}

    void post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    // Runs at once on the calling (UI) thread, like a synchronous send.
    void send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    void on(std::uint32_t message, Handler handler) { handlers_[message] = std::move(handler); }

    // A menu command travels as a numbered record: the item name stays here
    // until the handler takes it (wParam of the posted message is the record).
    void postMenuCommand(std::uint32_t message, const QString& itemName);
    QString takeMenuCommand(std::uintptr_t record);
    // For numbers no handler claims (ranges routed by rule).
    void otherwise(Fallback fallback) { fallback_ = std::move(fallback); }

  private:
    std::map<std::uint32_t, Handler> handlers_;
    std::map<std::uintptr_t, QString> menuCommands_;
    std::uintptr_t nextRecord_ = 1;
    Fallback fallback_;
};

}  // namespace velor
