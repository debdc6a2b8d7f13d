// The keyboard layouts of an X session or the console, through xkbcommon:
// keys stored by position and named by their legends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "../support/id_texts.h"
#include "../support/temp_folder.h"
#include "keys/key_tables.h"
#include "platform/linux/xkb_keyboard_layout.h"

namespace velor {
namespace {

using testing::IdTexts;

std::unique_ptr<XkbKeyboardLayout> xkbLayout(const std::string& layout,
                                             const std::string& variant = "") {
    return XkbKeyboardLayout::create({"evdev", "pc105", layout, variant, ""});
}

const UsKeyboardLayout kUs;

// ---------------------------------------------------------------------------------------------

TEST(XkbKeyboardLayout, FrenchAzertyStoresKeysByPositionAndNamesThemByLegend) {
    const auto fr = xkbLayout("fr");
    ASSERT_NE(fr, nullptr);
    const IdTexts texts;
    const auto quiet = [](std::string_view) {};

    EXPECT_EQ(fr->scanCodeOfVirtualKey(0x41), 0x10u);
    EXPECT_EQ(UsageOfVirtualKey(0x41, *fr).usage, 0x14u);  // A is stored as the Q position
    EXPECT_EQ(KeyNameOfUsage(0x14, *fr, texts, quiet), u"A");
    EXPECT_EQ(UsageOfVirtualKey(0x51, *fr).usage, 0x04u);
    EXPECT_EQ(UsageOfVirtualKey(0x4D, *fr).usage, 0x33u);  // M is where US has ;
    EXPECT_EQ(fr->virtualKeyOfScanCode(0x02), 0x31u);      // the digit row stays VK_1..VK_0

    // Every character key named by what AZERTY prints on it unshifted, dead keys by
    // their accent, in upper case.
    const std::u16string expected[] = {
        u"Q",
        u"B",
        u"C",
        u"D",
        u"E",
        u"F",
        u"G",
        u"H",
        u"I",
        u"J",
        u"K",
        u"L",
        u",",
        u"N",
        u"O",
        u"P",
        u"A",
        u"R",
        u"S",
        u"T",
        u"U",
        u"V",
        u"Z",
        u"X",
        u"Y",
        u"W",  // 0x1D
        u"&",
        u"\u00C9",
        u"\"",
        u"'",
        u"(",
        u"-",
        u"\u00C8",
        u"_",
        u"\u00C7",
        u"\u00C0",
        u"<key_Enter>",
        u"<key_Esc>",
        u"<key_BackSpace>",
        u"<key_Tab>",
        u"<key_Space>",  // 0x2C
        u")",
        u"=",
        u"^",
        u"$",
        u"*",
        u"",
        u"M",
        u"\u00D9",
        u"\u00B2",
        u";",
        u":",
        u"!",
        u"<key_Caplk>",  // 0x39
    };
    for (std::uint32_t usage = 0x04; usage <= 0x39; ++usage) {
        EXPECT_EQ(KeyNameOfUsage(usage, *fr, texts, quiet), expected[usage - 0x04])
            << std::hex << usage;
    }
}

TEST(XkbKeyboardLayout, EveryKeyIsStoredAtItsOwnPositionInEveryLayout) {
    // A key whose letter moved elsewhere (AZERTY's comma, Dvorak's quote) must not
    // share a virtual key with the key that prints the letter now.
    for (const auto& [layout, variant] :
         std::vector<std::pair<std::string, std::string>>{{"us", ""},
                                                          {"fr", ""},
                                                          {"de", ""},
                                                          {"us", "dvorak"},
                                                          {"ru", ""},
                                                          {"gr", ""},
                                                          {"tr", ""},
                                                          {"be", ""}}) {
        const auto xkb = xkbLayout(layout, variant);
        ASSERT_NE(xkb, nullptr) << layout;
        std::set<std::uint32_t> virtualKeys;
        for (const KeyCodeRow& row : KeyCodeTable) {
            if (row.scanCode == 0) continue;
            const std::uint32_t vk = xkb->virtualKeyOfScanCode(row.scanCode);
            EXPECT_NE(vk, 0u) << layout << variant << std::hex << " scan " << row.scanCode;
            EXPECT_EQ(xkb->scanCodeOfVirtualKey(vk), row.scanCode) << layout << variant;
            EXPECT_EQ(UsageOfVirtualKey(vk, *xkb).usage, firstRowWithScanCode(row.scanCode)->usage)
                << layout << variant << std::hex << " scan " << row.scanCode;
            virtualKeys.insert(vk);
        }
        EXPECT_EQ(virtualKeys.size(), 65u) << layout << variant;  // 66 rows, 0x35 twice
    }
}

TEST(XkbKeyboardLayout, OtherLayoutsNameKeysByTheirLegends) {
    const IdTexts texts;
    const auto quiet = [](std::string_view) {};
    const auto name = [&](const KeyboardLayout& layout, std::uint32_t usage) {
        return KeyNameOfUsage(usage, layout, texts, quiet);
    };

    const auto de = xkbLayout("de");
    ASSERT_NE(de, nullptr);
    EXPECT_EQ(UsageOfVirtualKey(0x5A, *de).usage, 0x1Cu);  // Z on the US Y key
    EXPECT_EQ(UsageOfVirtualKey(0x59, *de).usage, 0x1Du);
    EXPECT_EQ(name(*de, 0x2D), u"\u00DF");  // ß has no simple upper case
    EXPECT_EQ(name(*de, 0x2E), u"\u00B4");  // dead acute
    EXPECT_EQ(name(*de, 0x2F), u"\u00DC");

    const auto dvorak = xkbLayout("us", "dvorak");
    ASSERT_NE(dvorak, nullptr);
    EXPECT_EQ(UsageOfVirtualKey(0x51, *dvorak).usage, 0x1Bu);  // q on the US X key
    EXPECT_EQ(name(*dvorak, 0x14), u"'");
    EXPECT_EQ(name(*dvorak, 0x33), u"S");

    // No Latin letters: the US virtual keys stay, the names are the layout's letters.
    const auto ru = xkbLayout("ru");
    ASSERT_NE(ru, nullptr);
    EXPECT_EQ(ru->virtualKeyOfScanCode(0x1E), 0x41u);
    EXPECT_EQ(UsageOfVirtualKey(0x41, *ru).usage, 0x04u);
    EXPECT_EQ(name(*ru, 0x04), u"\u0424");  // ф
    EXPECT_EQ(name(*ru, 0x35), u"\u0401");  // ё
    const auto gr = xkbLayout("gr");
    ASSERT_NE(gr, nullptr);
    EXPECT_EQ(name(*gr, 0x14), u";");
    EXPECT_EQ(name(*gr, 0x1A), u"\u03A3");  // final sigma
}

TEST(XkbKeyboardLayout, UsAgreesWithTheFixedUsLayout) {
    const auto us = xkbLayout("us");
    ASSERT_NE(us, nullptr);
    for (std::uint32_t vk = 0; vk < 0x100; ++vk) {
        EXPECT_EQ(us->scanCodeOfVirtualKey(vk), kUs.scanCodeOfVirtualKey(vk)) << std::hex << vk;
        EXPECT_EQ(us->characterOfVirtualKey(vk), kUs.characterOfVirtualKey(vk)) << std::hex << vk;
    }
    for (std::uint32_t scanCode = 0; scanCode < 0x100; ++scanCode) {
        EXPECT_EQ(us->virtualKeyOfScanCode(scanCode), kUs.virtualKeyOfScanCode(scanCode))
            << std::hex << scanCode;
    }
}

TEST(XkbKeyboardLayout, UnknownLayoutIsRefused) {
    EXPECT_EQ(xkbLayout("no-such-layout"), nullptr);
}

// Sets or clears XKB_DEFAULT_LAYOUT for one test.
class ScopedLayoutVariable {
  public:
    explicit ScopedLayoutVariable(const char* value) {
        if (const char* old = std::getenv(kName)) old_ = old;
        if (value != nullptr) {
            ::setenv(kName, value, 1);
        } else {
            ::unsetenv(kName);
        }
    }
    ~ScopedLayoutVariable() {
        if (old_) {
            ::setenv(kName, old_->c_str(), 1);
        } else {
            ::unsetenv(kName);
        }
    }

  private:
    static constexpr const char* kName = "XKB_DEFAULT_LAYOUT";
    std::optional<std::string> old_;
};

TEST(XkbKeyboardLayout, SystemLayoutFromEnvironmentThenKeyboardDefaultsThenUs) {
    testing::TempFolder temp;
    const auto defaults = temp.path() / "keyboard";
    std::ofstream(defaults) << "# KEYBOARD CONFIGURATION FILE\n\n"
                               "XKBMODEL=\"pc105\"\n"
                               "  XKBLAYOUT='fr' \r\n"
                               "#XKBLAYOUT=\"de\"\n"
                               "XKBVARIANT=\"\"\n"
                               "XKBOPTIONS=\"\"\n\n"
                               "BACKSPACE=\"guess\"\n";
    const auto bogus = temp.path() / "bogus";
    std::ofstream(bogus) << "XKBLAYOUT=\"no-such-layout\"\n";
    {
        const ScopedLayoutVariable unset(nullptr);
        const auto fromFile = XkbKeyboardLayout::forSystem(defaults);
        ASSERT_NE(fromFile, nullptr);
        EXPECT_EQ(fromFile->scanCodeOfVirtualKey(0x41), 0x10u);

        const auto noFile = XkbKeyboardLayout::forSystem(temp.path() / "missing");
        ASSERT_NE(noFile, nullptr);
        EXPECT_EQ(noFile->scanCodeOfVirtualKey(0x41), 0x1Eu);

        const auto unusable = XkbKeyboardLayout::forSystem(bogus);
        ASSERT_NE(unusable, nullptr);
        EXPECT_EQ(unusable->scanCodeOfVirtualKey(0x41), 0x1Eu);
    }
    {
        const ScopedLayoutVariable german("de");
        const auto fromEnvironment = XkbKeyboardLayout::forSystem(defaults);
        ASSERT_NE(fromEnvironment, nullptr);
        EXPECT_EQ(fromEnvironment->scanCodeOfVirtualKey(0x5A), 0x15u);
        EXPECT_EQ(fromEnvironment->scanCodeOfVirtualKey(0x41), 0x1Eu);
    }
}

}  // namespace
}  // namespace velor
