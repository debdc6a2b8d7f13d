#include "app/first_paint_probe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <ctime>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_DUMP_STATS_AT(label)
#endif

namespace velor {

namespace {

class FirstPaint final : public QObject {
  public:
    explicit FirstPaint(long long t0) : t0_(t0) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            // After this paint is done, not in the middle of it. Under
            // callgrind the count so far is written out, to stop at the
            // first pixels rather than after the shut-down.
            QTimer::singleShot(0, qApp, [t0 = t0_] {
                CALLGRIND_DUMP_STATS_AT("first paint");
                const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();
                timespec cpu{};
                clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
                std::fprintf(
                    stderr, "first paint: %.1f ms, cpu %.1f ms\n",
                    static_cast<double>(now - t0) / 1e6,
                    static_cast<double>(cpu.tv_sec) * 1e3 + static_cast<double>(cpu.tv_nsec) / 1e6);
                QCoreApplication::quit();
            });
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
