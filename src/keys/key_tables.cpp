#include "keys/key_tables.h"

#include <string_view>

#include "util/utf16.h"

namespace velor {
namespace {

using namespace std::string_view_literals;

constexpr std::array<std::string_view, 12> kFunctionKeyIds = {
    "key_F1"sv, "key_F2"sv, "key_F3"sv, "key_F4"sv,  "key_F5"sv,  "key_F6"sv,
    "key_F7"sv, "key_F8"sv, "key_F9"sv, "key_F10"sv, "key_F11"sv, "key_F12"sv,
};
constexpr std::array<std::string_view, 10> kKeypadDigitIds = {
    "key_Num_0"sv, "key_Num_1"sv, "key_Num_2"sv, "key_Num_3"sv, "key_Num_4"sv,
    "key_Num_5"sv, "key_Num_6"sv, "key_Num_7"sv, "key_Num_8"sv, "key_Num_9"sv,
};
// Usages 0x46..0x58 in order.
constexpr std::array<std::string_view, 19> kNavigationIds = {
    "key_Print Scr"sv, "key_Scroll Lock"sv, "key_Pause"sv, "key_Insert"sv,    "key_Home"sv,
    "key_Page Up"sv,   "key_Delete"sv,      "key_End"sv,   "key_Page Down"sv, "key_Right"sv,
    "key_Left"sv,      "key_Down"sv,        "key_Up"sv,    "key_Num Lock"sv,  "key_Num_/"sv,
    "key_Num_*"sv,     "key_Num_-"sv,       "key_Num_+"sv, "key_Num_Enter"sv,
};
// Usages 0xE0..0xE7 in order.
constexpr std::array<std::string_view, 8> kModifierIds = {
    "key_LCtrl"sv, "key_LShift"sv, "key_LAlt"sv, "key_LWin"sv,
    "key_RCtrl"sv, "key_RShift"sv, "key_RAlt"sv, "key_RWin"sv,
};
// Codes 0xF1..0xF5.
constexpr std::array<std::string_view, 5> kMouseButtonIds = {
    "L_Button"sv, "R_Button"sv, "M_Button"sv, "Backward_Button"sv, "Forward_Button"sv,
};

// Text id of a usage that is not named through the layout; empty for none.
std::string_view textIdOfUsage(std::uint32_t code) {
    if (code >= 0x3A && code <= 0x45) return kFunctionKeyIds[code - 0x3A];
    if (code >= 0x46 && code <= 0x58) return kNavigationIds[code - 0x46];
    // The HID order of the keypad digits is 1..9, 0.
    if (code >= 0x59 && code <= 0x61) return kKeypadDigitIds[code - 0x59 + 1];
    if (code >= 0xE0 && code <= 0xE7) return kModifierIds[code - 0xE0];
    if (code >= 0xF1 && code <= 0xF5) return kMouseButtonIds[code - 0xF1];
    switch (code) {
        case 0x62:
            return kKeypadDigitIds[0];
        case 0x63:
            return "key_Num_.";
        case 0x64:
            return "key_\\";
        case 0x65:
            return "key_APP";
        case 0x82:
            return "Sleep";
        case 0x88:
            return "Kana/Roma";
        case 0xDD:
            return "`";
        default:
            return {};
    }
}

// Text id of a virtual key that has no character of its own; empty for the others.
std::string_view textIdOfVirtualKey(std::uint32_t vk) {
    if (vk >= 0x60 && vk <= 0x69) return kKeypadDigitIds[vk - 0x60];
    if (vk >= 0x70 && vk <= 0x7B) return kFunctionKeyIds[vk - 0x70];
    switch (vk) {
        case 0x08:
            return "key_BackSpace";
        case 0x09:
            return "key_Tab";
        case 0x0D:
            return "key_Enter";
        case 0x10:
        case 0xA0:
            return "key_LShift";
        case 0x11:
        case 0xA2:
            return "key_LCtrl";
        case 0x12:
        case 0xA4:
            return "key_LAlt";
        case 0x13:
            return "key_Pause";
        case 0x14:
        case 0xF0:
            return "key_Caplk";
        case 0x1B:
            return "key_Esc";
        case 0x20:
            return "key_Space";
        case 0x21:
            return "key_Page Up";
        case 0x22:
            return "key_Page Down";
        case 0x23:
            return "key_End";
        case 0x24:
            return "key_Home";
        case 0x25:
            return "key_Left";
        case 0x26:
            return "key_Up";
        case 0x27:
            return "key_Right";
        case 0x28:
            return "key_Down";
        case 0x2A:
        case 0x2C:
            return "key_Print Scr";
        case 0x2D:
            return "key_Insert";
        case 0x2E:
            return "key_Delete";
        case 0x5B:
            return "key_LWin";
        case 0x5C:
            return "key_RWin";
        case 0x5D:
            return "key_APP";
        case 0x6A:
            return "key_Num_*";
        case 0x6B:
            return "key_Num_+";
        case 0x6C:
            return "key_Num_Enter";
        case 0x6D:
            return "key_Num_-";
        case 0x6E:
            return "key_Num_.";
        case 0x6F:
            return "key_Num_/";
        case 0x90:
            return "key_Num Lock";
        case 0x91:
            return "key_Scroll Lock";
        case 0xA1:
            return "key_RShift";
        case 0xA3:
            return "key_RCtrl";
        case 0xA5:
            return "key_RAlt";
        default:
            return {};
    }
}

std::u16string textOf(std::string_view id, const TextLookup& texts) {
    return id.empty() ? std::u16string() : texts.text(id);
}

bool isOdd(char16_t c) {
    return (c & 1) != 0;
}

// Simple (one to one) upper-casing of the scripts that keyboard layouts print
// unshifted; characters without a simple upper case (ß, ŉ) stay as they are.
char16_t upperCase(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c < 0xE0) return c;
    if (c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 0x20);  // Latin-1 but ÷
    if (c == 0xFF) return 0x178;
    if (c == 0x131) return u'I';  // dotless i (Turkish layouts)
    if (c == 0x17F) return u'S';  // long s
    if (c <= 0x17F) {             // Latin Extended-A: pairs, the lower case second
        const bool oddPairs = c <= 0x137 || (c >= 0x14A && c <= 0x177);
        const bool evenPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if ((oddPairs && isOdd(c)) || (evenPairs && !isOdd(c))) return static_cast<char16_t>(c - 1);
        return c;
    }
    if (c == 0x1A1 || c == 0x1B0) return static_cast<char16_t>(c - 1);  // Vietnamese ơ ư
    // Greek, with the accented vowels and final sigma.
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return static_cast<char16_t>(c - 0x25);
    if (c == 0x3C2) return 0x3A3;
    if (c >= 0x3B1 && c <= 0x3CB) return static_cast<char16_t>(c - 0x20);
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return static_cast<char16_t>(c - 0x3F);
    // Cyrillic.
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    if (c == 0x4CF) return 0x4C0;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) {
        return isOdd(c) ? static_cast<char16_t>(c - 1) : c;
    }
    if (c >= 0x4C1 && c <= 0x4CE) return isOdd(c) ? c : static_cast<char16_t>(c - 1);
    // Armenian.
    if (c >= 0x561 && c <= 0x586) return static_cast<char16_t>(c - 0x30);
    // Latin Extended Additional (Vietnamese vowels with tone marks among them).
    if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) {
        return isOdd(c) ? static_cast<char16_t>(c - 1) : c;
    }
    return c;
}

}  // namespace

const KeyCodeRow* firstRowWithVirtualKey(std::uint32_t virtualKey) {
    for (const KeyCodeRow& row : KeyCodeTable) {
        if (row.virtualKey == virtualKey) return &row;
    }
    return nullptr;
}

const KeyCodeRow* firstRowWithUsage(std::uint32_t usage) {
    for (const KeyCodeRow& row : KeyCodeTable) {
        if (row.usage == usage) return &row;
    }
    return nullptr;
}

const KeyCodeRow* firstRowWithScanCode(std::uint32_t scanCode) {
    if (scanCode == 0) return nullptr;
    for (const KeyCodeRow& row : KeyCodeTable) {
        if (row.scanCode == scanCode) return &row;
    }
    return nullptr;
}

KeyUsage UsageOfVirtualKey(std::uint32_t virtualKey, const KeyboardLayout& layout) {
    const KeyCodeRow* row = firstRowWithVirtualKey(virtualKey);
    if (row == nullptr) return {};
    if (row->usage < 0x04 || row->usage > 0x45) return {true, row->usage};
    // The layout says where this key sits; the usage of that position is stored,
    // so that AZERTY's A (on the US Q key) is stored as Q.
    const KeyCodeRow* position = firstRowWithScanCode(layout.scanCodeOfVirtualKey(virtualKey));
    return {true, position != nullptr ? position->usage : row->usage};
}

std::u16string KeyNameOfUsage(std::uint32_t code, const KeyboardLayout& layout,
                              const TextLookup& texts, const DebugSink& debug) {
    std::u16string name;
    if (code >= 0x04 && code <= 0x39) {
        // Named by what the user's layout prints on that key position.
        const KeyCodeRow* row = firstRowWithUsage(code);
        const std::uint32_t vk = row != nullptr ? layout.virtualKeyOfScanCode(row->scanCode) : 0;
        name = KeyNameOfVirtualKey(vk, layout, texts);
    } else if (code >= 0xE8 && code <= 0xEF) {
        const KeyCodeRow* row = firstRowWithUsage(code);
        if (row != nullptr) name = KeyNameOfVirtualKey(row->virtualKey, layout, texts);
    } else {
        name = textOf(textIdOfUsage(code), texts);
    }
    if (debug) debug("m_key = " + utf16ToUtf8(name));
    return name;
}

std::u16string KeyNameOfVirtualKey(std::uint32_t virtualKey, const KeyboardLayout& layout,
                                   const TextLookup& texts) {
    if (const std::string_view id = textIdOfVirtualKey(virtualKey); !id.empty()) {
        return texts.text(id);
    }
    std::u16string name = layout.characterOfVirtualKey(virtualKey);
    for (char16_t& c : name) c = upperCase(c);
    return name;
}

std::uint32_t UsKeyboardLayout::scanCodeOfVirtualKey(std::uint32_t virtualKey) const {
    const KeyCodeRow* row = firstRowWithVirtualKey(virtualKey);
    return row != nullptr ? row->scanCode : 0;
}

std::uint32_t UsKeyboardLayout::virtualKeyOfScanCode(std::uint32_t scanCode) const {
    const KeyCodeRow* row = firstRowWithScanCode(scanCode);
    return row != nullptr ? row->virtualKey : 0;
}

// What a US keyboard types unshifted: lower-case letters, digits, the US legends.
std::u16string UsKeyboardLayout::characterOfVirtualKey(std::uint32_t virtualKey) const {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        return std::u16string(1, static_cast<char16_t>(virtualKey - 'A' + u'a'));
    }
    if ((virtualKey >= '0' && virtualKey <= '9') || virtualKey == ' ') {
        return std::u16string(1, static_cast<char16_t>(virtualKey));
    }
    switch (virtualKey) {
        case 0xBD:
            return u"-";
        case 0xBB:
            return u"=";
        case 0xDB:
            return u"[";
        case 0xDD:
            return u"]";
        case 0xDC:
            return u"\\";
        case 0xBA:
            return u";";
        case 0xDE:
            return u"'";
        case 0xC0:
            return u"`";
        case 0xBC:
            return u",";
        case 0xBE:
            return u".";
        case 0xBF:
            return u"/";
        default:
            return {};  // 0xDF among them: no US key gives it
    }
}

}  // namespace velor
