// Text from outside (profile and application names, window classes, file
// names) made safe to print on a line of a terminal or a log: nothing in it
// can end a line or a tab-separated field, move the cursor, retitle or clear
// the terminal, or reorder what follows.
#pragma once

#include <string>
#include <string_view>

namespace velor {

// The UTF-8 text with tab, line feed and carriage return written as "\t",
// "\n", "\r"; every other C0 control, DEL and each
// byte that is not part of valid UTF-8 as "\xHH"; the C1 controls
// (U+0080..U+009F), the direction marks and embeddings (U+061C, U+200E,
// U+200F, U+202A..U+202E, U+2066..U+2069) and the line and paragraph
// separators (U+2028, U+2029) as "\uHHHH". Everything else is kept as it is,
// a backslash too: a Windows path reads as the user knows it.
std::string printableText(std::string_view text);

}  // namespace velor
