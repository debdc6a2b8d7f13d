// For start-up measurements: when VELOR_BENCH_T0 holds the launch time (ns of
// the realtime clock, as `date +%s%N` prints it), the first paint of the
// window prints "first paint: <ms> ms, cpu <ms> ms" (wall time since launch,
// the process's CPU time) to stderr and ends the program; under callgrind
// the instructions up to there are written to the first of its dumps.
#pragma once

class QWidget;

namespace velor {

void quitAfterFirstPaintIfAsked(QWidget& window);

}  // namespace velor
