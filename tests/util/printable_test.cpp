// Outside text as it is printed: each case worked out by hand.
#include "util/printable.h"

#include <gtest/gtest.h>

namespace velor {
namespace {

TEST(PrintableText, EscapesWhatCouldActOnTheTerminalAndKeepsTheRest) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"Game 1", "Game 1"},
        {"G\xc3\xa4me \xe6\xb8\xb8\xe6\x88\x8f \xf0\x9f\x8e\xae",
         "G\xc3\xa4me \xe6\xb8\xb8\xe6\x88\x8f \xf0\x9f\x8e\xae"},
        {"a\tb\nc\rd\\e", "a\\tb\\nc\\rd\\e"},  // a backslash stays one
        // A title set and the screen cleared, with ESC and BEL.
        {"\x1b]0;owned\x07\x1b[2J", "\\x1b]0;owned\\x07\\x1b[2J"},
        {std::string_view("\0\x01\x7f", 3), "\\x00\\x01\\x7f"},
        // C1 CSI, a right-to-left override, a line separator.
        {"\xc2\x9b"
         "2J",
         "\\u009b2J"},
        {"abc\xe2\x80\xae"
         "txt.exe",
         "abc\\u202etxt.exe"},
        {"\xe2\x80\xa8", "\\u2028"},
        {"\xe2\x81\xa6\xe2\x81\xa9\xd8\x9c\xe2\x80\x8f", "\\u2066\\u2069\\u061c\\u200f"},
        // Bytes that are no UTF-8: a lone C1 byte, cut short, overlong, a surrogate.
        {"\x9b"
         "2J",
         "\\x9b2J"},
        {"ab\xe6\xb8", "ab\\xe6\\xb8"},
        {"\xc0\xaf", "\\xc0\\xaf"},
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
        // Next to them, what is sound stays whole.
        {"\xe2\x80\xad\xe2\x80\x8d", "\\u202d\xe2\x80\x8d"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(printableText(in), out) << in;
}

}  // namespace
}  // namespace velor
