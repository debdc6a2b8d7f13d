#include "platform/linux/xkb_keyboard_layout.h"

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "keys/key_tables.h"
#include "platform/debug_output.h"
#include "platform/file_io.h"

namespace velor {
namespace {

// xkb key codes are evdev key codes plus 8; evdev codes up to F12 are set-1 scan codes.
constexpr std::uint32_t kXkbKeycodeOffset = 8;

struct ContextRelease {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapRelease {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};

// Why a layout could not be made belongs with the other diagnostics, not on stderr.
void logToDebugOutput(xkb_context*, xkb_log_level, const char* format, va_list args) {
    std::array<char, 512> buffer{};
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    std::string_view line(buffer.data());
    while (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    defaultDebugSink()(std::string("xkbcommon: ").append(line));
}

const char* nameOrDefault(const std::string& name) {
    return name.empty() ? nullptr : name.c_str();
}

// A dead key prints nothing by itself, but Windows names it by its spacing
// accent (the French ^ key shows "^"), and so do we.
char32_t spacingAccentOf(std::uint32_t keysym) {
    switch (keysym) {
        case XKB_KEY_dead_grave:
            return U'`';
        case XKB_KEY_dead_acute:
            return U'\u00B4';
        case XKB_KEY_dead_circumflex:
            return U'^';
        case XKB_KEY_dead_tilde:
            return U'~';
        case XKB_KEY_dead_macron:
            return U'\u00AF';
        case XKB_KEY_dead_breve:
            return U'\u02D8';
        case XKB_KEY_dead_abovedot:
            return U'\u02D9';
        case XKB_KEY_dead_diaeresis:
            return U'\u00A8';
        case XKB_KEY_dead_abovering:
            return U'\u02DA';
        case XKB_KEY_dead_doubleacute:
            return U'\u02DD';
        case XKB_KEY_dead_caron:
            return U'\u02C7';
        case XKB_KEY_dead_cedilla:
            return U'\u00B8';
        case XKB_KEY_dead_ogonek:
            return U'\u02DB';
        default:
            return 0;
    }
}

std::u16string printableText(const std::vector<std::uint32_t>& keysyms) {
    std::u16string text;
    for (const std::uint32_t keysym : keysyms) {
        char32_t c = spacingAccentOf(keysym);
        if (c == 0) c = xkb_keysym_to_utf32(keysym);
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;  // none, or a control (Return, Tab)
        if (c > 0xFFFF) {
            c -= 0x10000;
            text += static_cast<char16_t>(0xD800 + (c >> 10));
            text += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            text += static_cast<char16_t>(c);
        }
    }
    return text;
}

// 'A'..'Z' for a key that prints a Latin letter unshifted, else 0.
std::uint32_t letterVirtualKey(const std::vector<std::uint32_t>& keysyms) {
    if (keysyms.empty()) return 0;
    const std::uint32_t k = keysyms.front();
    if (k >= XKB_KEY_a && k <= XKB_KEY_z) return k - XKB_KEY_a + 'A';
    if (k >= XKB_KEY_A && k <= XKB_KEY_Z) return k;
    return 0;
}

bool isDigitKey(const KeyCodeRow& row) {
    return row.usage >= 0x1E && row.usage <= 0x27;
}

// Keys whose virtual key a layout may move: letters, digits and punctuation.
bool isCharacterKey(const KeyCodeRow& row) {
    return (row.usage >= 0x04 && row.usage <= 0x27) || (row.usage >= 0x2D && row.usage <= 0x38);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// The shell-style KEY="value" lines of /etc/default/keyboard.
XkbKeyboardLayout::Names namesFromKeyboardDefaults(std::string_view text) {
    XkbKeyboardLayout::Names names;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::size_t equals = line.find('=');
        if (line.starts_with('#') || equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        std::string_view value = trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        if (key == "XKBMODEL") names.model = value;
        if (key == "XKBLAYOUT") names.layout = value;
        if (key == "XKBVARIANT") names.variant = value;
        if (key == "XKBOPTIONS") names.options = value;
    }
    return names;
}

}  // namespace

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::create(const Names& names) {
    const std::unique_ptr<xkb_context, ContextRelease> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context) return nullptr;
    xkb_context_set_log_fn(context.get(), &logToDebugOutput);
    const xkb_rule_names rmlvo = {nameOrDefault(names.rules), nameOrDefault(names.model),
                                  nameOrDefault(names.layout), nameOrDefault(names.variant),
                                  nameOrDefault(names.options)};
    const std::unique_ptr<xkb_keymap, KeymapRelease> keymap(
        xkb_keymap_new_from_names(context.get(), &rmlvo, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) return nullptr;
    return fromKeymap(keymap.get(), 0);
}

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::fromKeymap(xkb_keymap* keymap,
                                                                 std::uint32_t group) {
    BaseKeysyms keysyms;
    for (std::uint32_t scanCode = 1; scanCode <= kLastScanCode; ++scanCode) {
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, scanCode + kXkbKeycodeOffset,
                                                           group, /*level=*/0, &syms);
        if (count > 0) keysyms[scanCode].assign(syms, syms + count);
    }
    return std::unique_ptr<XkbKeyboardLayout>(new XkbKeyboardLayout(keysyms));
}

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::forX11(xcb_connection_t* connection) {
    if (connection == nullptr ||
        !xkb_x11_setup_xkb_extension(
            connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
        return nullptr;
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device < 0) return nullptr;
    const std::unique_ptr<xkb_context, ContextRelease> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context) return nullptr;
    xkb_context_set_log_fn(context.get(), &logToDebugOutput);
    const std::unique_ptr<xkb_keymap, KeymapRelease> keymap(xkb_x11_keymap_new_from_device(
        context.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) return nullptr;
    // The layout in use now: a session may switch among several.
    xkb_state* state = xkb_x11_state_new_from_device(keymap.get(), connection, device);
    std::uint32_t group = 0;
    if (state != nullptr) {
        group = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
        xkb_state_unref(state);
    }
    return fromKeymap(keymap.get(), group);
}

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::forSystem(
    const std::filesystem::path& keyboardDefaults) {
    Names names;  // all empty: xkbcommon reads XKB_DEFAULT_*
    const char* environmentLayout = std::getenv("XKB_DEFAULT_LAYOUT");
    if (environmentLayout == nullptr || *environmentLayout == '\0') {
        if (const auto bytes = readWholeFile(keyboardDefaults, 64 * 1024)) {
            names = namesFromKeyboardDefaults(
                std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
        }
    }
    if (auto layout = create(names)) return layout;
    // A setting xkbcommon cannot compile still leaves keys named, the US way.
    return create({"evdev", "pc105", "us", "", ""});
}

XkbKeyboardLayout::XkbKeyboardLayout(const BaseKeysyms& baseKeysyms) {
    for (std::uint32_t scanCode = 1; scanCode <= kLastScanCode; ++scanCode) {
        characters_[scanCode] = printableText(baseKeysyms[scanCode]);
    }
    // Windows layouts keep VK_1..VK_0 on the digit row whatever it prints (AZERTY's &é"'...).
    for (const KeyCodeRow& row : KeyCodeTable) {
        if (isDigitKey(row)) assign(row.scanCode, row.virtualKey);
    }
    // A letter's virtual key goes to the key that prints the letter.
    for (std::uint32_t scanCode = 1; scanCode <= kLastScanCode; ++scanCode) {
        const KeyCodeRow* row = firstRowWithScanCode(scanCode);
        if (row == nullptr || !isCharacterKey(*row) || virtualKeyOfScan_[scanCode] != 0) continue;
        const std::uint32_t letter = letterVirtualKey(baseKeysyms[scanCode]);
        if (letter != 0 && scanOfVirtualKey_[letter] == 0) assign(scanCode, letter);
    }
    // Every other key keeps the table's virtual key while no letter took it...
    std::vector<std::uint32_t> displaced;
    for (const KeyCodeRow& row : KeyCodeTable) {
        if (row.scanCode == 0 || virtualKeyOfScan_[row.scanCode] != 0) continue;
        if (scanOfVirtualKey_[row.virtualKey] == 0) {
            assign(row.scanCode, row.virtualKey);
        } else {
            displaced.push_back(row.scanCode);
        }
    }
    // ...and a key whose letter moved away (AZERTY's comma on the US M key) takes a
    // character key's virtual key that no key has, rather than share one: a shared
    // one would store the key at the other key's position.
    auto spare = KeyCodeTable.begin();
    for (const std::uint32_t scanCode : displaced) {
        if (virtualKeyOfScan_[scanCode] != 0) continue;
        while (spare != KeyCodeTable.end() &&
               (!isCharacterKey(*spare) || scanOfVirtualKey_[spare->virtualKey] != 0)) {
            ++spare;
        }
        if (spare == KeyCodeTable.end()) break;
        assign(scanCode, spare->virtualKey);
    }
}

void XkbKeyboardLayout::assign(std::uint32_t scanCode, std::uint32_t virtualKey) {
    virtualKeyOfScan_[scanCode] = static_cast<std::uint8_t>(virtualKey);
    scanOfVirtualKey_[virtualKey] = static_cast<std::uint8_t>(scanCode);
}

std::uint32_t XkbKeyboardLayout::scanCodeOfVirtualKey(std::uint32_t virtualKey) const {
    if (virtualKey < scanOfVirtualKey_.size() && scanOfVirtualKey_[virtualKey] != 0) {
        return scanOfVirtualKey_[virtualKey];
    }
    const KeyCodeRow* row = firstRowWithVirtualKey(virtualKey);
    return row != nullptr ? row->scanCode : 0;
}

std::uint32_t XkbKeyboardLayout::virtualKeyOfScanCode(std::uint32_t scanCode) const {
    return scanCode <= kLastScanCode ? virtualKeyOfScan_[scanCode] : 0;
}

std::u16string XkbKeyboardLayout::characterOfVirtualKey(std::uint32_t virtualKey) const {
    if (virtualKey >= scanOfVirtualKey_.size() || scanOfVirtualKey_[virtualKey] == 0) return {};
    return characters_[scanOfVirtualKey_[virtualKey]];
}

}  // namespace velor

namespace velor {

std::unique_ptr<KeyboardLayout> systemKeyboardLayout() {
    return XkbKeyboardLayout::forSystem();
}

std::unique_ptr<KeyboardLayout> x11KeyboardLayout(void* xcbConnection) {
    return XkbKeyboardLayout::forX11(static_cast<xcb_connection_t*>(xcbConnection));
}

}  // namespace velor
