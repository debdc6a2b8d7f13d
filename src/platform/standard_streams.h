// What a command-line tool prints is data (hex lines, JSON, profile bytes)
// and UTF-8 text (names, paths, messages): the same bytes on every system,
// lines ending in "\n" alone, so a script reads them one way everywhere.
#pragma once

#include <ostream>

namespace velor {

// The program's standard output and error. A pipe or a file gets the bytes
// unchanged (Windows would otherwise turn each "\n" into "\r\n"); a Windows
// console, which would show the UTF-8 bytes in its OEM code page, is given
// the text in UTF-16. Flushed when the program ends.
std::ostream& standardOutput();
std::ostream& standardError();

}  // namespace velor
