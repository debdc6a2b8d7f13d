#include "app/first_paint_probe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

namespace velor {

namespace {

class FirstPaint final : public QObject {
  public:
    explicit FirstPaint(long long t0) : t0_(t0) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
            std::fprintf(stderr, "first paint: %.1f ms\n", static_cast<double>(now - t0_) / 1e6);
            // After this paint is done, not in the middle of it.
            QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    long long t0_;
    bool done_ = false;
};

}  // namespace

void quitAfterFirstPaintIfAsked(QWidget& window) {
    bool ok = false;
    const long long t0 = qEnvironmentVariable("VELOR_BENCH_T0").toLongLong(&ok);
    if (!ok) return;
    auto* probe = new FirstPaint(t0);
    probe->setParent(&window);
    window.installEventFilter(probe);
}

}  // namespace velor
