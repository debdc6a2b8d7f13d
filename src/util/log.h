// Lines for the person running the program, by level. Errors and warnings
// always reach them, one line each, saying what failed and what to do; debug
// lines are the developers' diagnostics, written only when asked for.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "util/debug_sink.h"

namespace velor {

enum class LogLevel { error, warning, debug };

// Receives finished lines (without the newline).
using LogSink = std::function<void(LogLevel level, std::string_view line)>;

// Whether VELOR_DEBUG's value (null when unset) asks for the debug lines:
// unset, empty and "0" mean off, as is usual for such switches; anything
// else means on.
bool debugRequested(const char* value);

// "velor: error: <what>", "velor: warning: <what>"; a debug line as given.
std::string levelledLine(LogLevel level, std::string_view what);

class Log {
  public:
    explicit Log(LogSink sink) : sink_(std::move(sink)) {}

    void error(std::string_view what) const { write(LogLevel::error, what); }
    void warning(std::string_view what) const { write(LogLevel::warning, what); }
    void debug(std::string_view line) const { write(LogLevel::debug, line); }

    // For code that takes one kind of line only.
    DebugSink debugSink() const {
        return [sink = sink_](std::string_view l) { forward(sink, LogLevel::debug, l); };
    }
    DebugSink warningSink() const {
        return [sink = sink_](std::string_view l) { forward(sink, LogLevel::warning, l); };
    }

  private:
    static void forward(const LogSink& sink, LogLevel level, std::string_view what) {
        if (sink) sink(level, levelledLine(level, what));
    }
    void write(LogLevel level, std::string_view what) const { forward(sink_, level, what); }

    LogSink sink_;
};

}  // namespace velor
