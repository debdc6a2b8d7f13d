#include "ui/virtual_keys.h"

#include <Qt>

#include "keys/keyboard_layout.h"

namespace velor {

namespace {

constexpr std::uint32_t kEvdevOffset = 8;  // X11 keycodes are evdev codes plus 8

std::uint32_t fromKeysym(std::uint32_t keysym) {
    switch (keysym) {
        case 0xFFE3:
            return 0xA2;  // Control_L
        case 0xFFE4:
            return 0xA3;  // Control_R
        case 0xFFE1:
            return 0xA0;  // Shift_L
        case 0xFFE2:
            return 0xA1;  // Shift_R
        case 0xFFE9:
            return 0xA4;  // Alt_L
        case 0xFFEA:
        case 0xFE03:
            return 0xA5;  // Alt_R, AltGr
        case 0xFFEB:
            return 0x5B;  // Super_L
        case 0xFFEC:
            return 0x5C;  // Super_R
        case 0xFF8D:
            return 0x0D;  // keypad Enter is reported as Enter
        case 0xFFAA:
            return 0x6A;
        case 0xFFAB:
            return 0x6B;
        case 0xFFAC:
            return 0x6C;
        case 0xFFAD:
            return 0x6D;
        case 0xFFAE:
            return 0x6E;  // KP_Decimal; KP_Delete (NumLock off) is Delete, like KP_End is End
        case 0xFFAF:
            return 0x6F;
        default:
            break;
    }
    if (keysym >= 0xFFB0 && keysym <= 0xFFB9) return 0x60 + (keysym - 0xFFB0);  // KP_0..KP_9
    return 0;
}

std::uint32_t fromQtKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 0x41 + static_cast<std::uint32_t>(key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return 0x30 + static_cast<std::uint32_t>(key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + static_cast<std::uint32_t>(key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace:
            return 0x08;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 0x09;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 0x0D;
        case Qt::Key_Shift:
            return 0xA0;
        case Qt::Key_Control:
            return 0xA2;
        case Qt::Key_Alt:
            return 0xA4;
        case Qt::Key_AltGr:
            return 0xA5;
        case Qt::Key_Meta:
            return 0x5B;
        case Qt::Key_Menu:
            return 0x5D;
        case Qt::Key_Pause:
            return 0x13;
        case Qt::Key_CapsLock:
            return 0x14;
        case Qt::Key_Escape:
            return 0x1B;
        case Qt::Key_Space:
            return 0x20;
        case Qt::Key_PageUp:
            return 0x21;
        case Qt::Key_PageDown:
            return 0x22;
        case Qt::Key_End:
            return 0x23;
        case Qt::Key_Home:
            return 0x24;
        case Qt::Key_Left:
            return 0x25;
        case Qt::Key_Up:
            return 0x26;
        case Qt::Key_Right:
            return 0x27;
        case Qt::Key_Down:
            return 0x28;
        case Qt::Key_Print:
            return 0x2C;
        case Qt::Key_Insert:
            return 0x2D;
        case Qt::Key_Delete:
            return 0x2E;
        case Qt::Key_NumLock:
            return 0x90;
        case Qt::Key_ScrollLock:
            return 0x91;
        case Qt::Key_Semicolon:
            return 0xBA;
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            return 0xBB;
        case Qt::Key_Comma:
            return 0xBC;
        case Qt::Key_Minus:
            return 0xBD;
        case Qt::Key_Period:
            return 0xBE;
        case Qt::Key_Slash:
            return 0xBF;
        case Qt::Key_QuoteLeft:
            return 0xC0;
        case Qt::Key_BracketLeft:
            return 0xDB;
        case Qt::Key_Backslash:
            return 0xDC;
        case Qt::Key_BracketRight:
            return 0xDD;
        case Qt::Key_Apostrophe:
            return 0xDE;
        default:
            return 0;
    }
}

}  // namespace

std::uint32_t virtualKeyOf(int qtKey, std::uint32_t scanCode, std::uint32_t keysym,
                           const KeyboardLayout* layout) {
    if (const std::uint32_t vk = fromKeysym(keysym)) return vk;
    // Character keys: the layout says which virtual key the physical key is.
    constexpr std::uint32_t kLastMainBlockScanCode = 0x58;
    if (layout != nullptr && scanCode > kEvdevOffset &&
        scanCode - kEvdevOffset <= kLastMainBlockScanCode) {
        if (const std::uint32_t vk = layout->virtualKeyOfScanCode(scanCode - kEvdevOffset))
            return vk;
    }
    return fromQtKey(qtKey);
}

}  // namespace velor
