// What a command-line tool prints is data (hex lines, JSON, profile bytes):
// the same bytes on every system, lines ending in "\n" alone, so a script
// reads them one way everywhere.
#pragma once

namespace velor {

// Makes standard output and standard error pass bytes through unchanged
// (Windows would otherwise turn each "\n" into "\r\n"). Call before printing.
void useBinaryStandardStreams();

}  // namespace velor
