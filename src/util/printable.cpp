#include "util/printable.h"

#include <cstdint>

namespace velor {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void appendHex(std::string& out, std::uint32_t value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

// Characters that act on the terminal or on the order of what is shown,
// beyond the C0 controls.
bool isFormatControl(std::uint32_t c) {
    return (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F || c == 0x2028 ||
           c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The length of the valid UTF-8 sequence at the front of text and its code
// point; 0 when the bytes there are not one (overlong, a surrogate, beyond
// U+10FFFF, cut short).
std::size_t decodeOne(std::string_view text, std::uint32_t& point) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        point = (point << 6) | (byte(i) & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string printableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto b = static_cast<unsigned char>(text.front());
        if (b < 0x80) {
            if (b == '\t') {
                out += "\\t";
            } else if (b == '\n') {
                out += "\\n";
            } else if (b == '\r') {
                out += "\\r";
            } else if (b < 0x20 || b == 0x7F) {
                out += "\\x";
                appendHex(out, b, 2);
            } else {
                out += static_cast<char>(b);
            }
            text.remove_prefix(1);
            continue;
        }
        std::uint32_t point = 0;
        const std::size_t length = decodeOne(text, point);
        if (length == 0) {
            out += "\\x";
            appendHex(out, b, 2);
            text.remove_prefix(1);
        } else {
            if (isFormatControl(point)) {
                out += "\\u";
                appendHex(out, point, 4);
            } else {
                out.append(text.substr(0, length));
            }
            text.remove_prefix(length);
        }
    }
    return out;
}

}  // namespace velor
