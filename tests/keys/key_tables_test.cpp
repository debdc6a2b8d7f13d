#include "keys/key_tables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "../support/fixed_texts.h"
#include "../support/id_texts.h"

namespace velor {
namespace {

using testing::IdTexts;

// A layout that puts every virtual key on one scan code and prints one text.
class OneKeyLayout final : public KeyboardLayout {
  public:
    explicit OneKeyLayout(std::uint32_t scanCode, std::u16string character = {})
        : scanCode_(scanCode), character_(std::move(character)) {}
    std::uint32_t scanCodeOfVirtualKey(std::uint32_t) const override { return scanCode_; }
    std::uint32_t virtualKeyOfScanCode(std::uint32_t) const override { return 0x41; }
    std::u16string characterOfVirtualKey(std::uint32_t) const override { return character_; }

  private:
    std::uint32_t scanCode_;
    std::u16string character_;
};

const UsKeyboardLayout kUs;

// ---------------------------------------------------------------------------------------------

TEST(KeyCodeTable, RowsSpotChecked) {
    ASSERT_EQ(KeyCodeTable.size(), 112u);
    struct Expected {
        std::size_t index;
        KeyCodeRow row;
    };
    const Expected rows[] = {
        {0, {0x41, 0x04, 0x1E}},  {12, {0x4D, 0x10, 0x32}}, {16, {0x51, 0x14, 0x10}},
        {25, {0x5A, 0x1D, 0x2C}}, {26, {0x31, 0x1E, 0x02}}, {35, {0x30, 0x27, 0x0B}},
        {36, {0x0D, 0x28, 0x1C}}, {40, {0x20, 0x2C, 0x39}}, {46, {0xBA, 0x33, 0x27}},
        {51, {0xBF, 0x38, 0x35}}, {52, {0xDF, 0x38, 0x35}}, {53, {0x14, 0x39, 0x3A}},
        {63, {0x79, 0x43, 0x44}}, {64, {0x7A, 0x44, 0x57}}, {65, {0x7B, 0x45, 0x58}},
        {66, {0x2C, 0x46, 0}},    {78, {0x26, 0x52, 0}},    {84, {0x6C, 0x58, 0}},
        {90, {0x67, 0x5F, 0}},    {91, {0x66, 0x5E, 0}},    {94, {0x60, 0x62, 0}},
        {96, {0x5D, 0x65, 0}},    {97, {0xA2, 0xE0, 0}},    {104, {0x5C, 0xE7, 0}},
        {105, {0xF0, 0xF0, 0}},   {110, {0xF7, 0xF7, 0}},   {111, {0xF8, 0xF8, 0}},
    };
    for (const Expected& e : rows) {
        const KeyCodeRow& row = KeyCodeTable[e.index];
        EXPECT_EQ(row.virtualKey, e.row.virtualKey) << "row " << e.index;
        EXPECT_EQ(row.usage, e.row.usage) << "row " << e.index;
        EXPECT_EQ(row.scanCode, e.row.scanCode) << "row " << e.index;
    }
}

TEST(KeyCodeTable, EachCharacterUsageAndScanCodeOnceButSlashTwiceAndNo0x32) {
    for (std::uint32_t usage = 0x04; usage <= 0x45; ++usage) {
        int count = 0;
        for (const KeyCodeRow& row : KeyCodeTable) count += row.usage == usage ? 1 : 0;
        EXPECT_EQ(count, usage == 0x32 ? 0 : usage == 0x38 ? 2 : 1) << std::hex << usage;
    }
    std::multiset<std::uint32_t> scanCodes, virtualKeys;
    for (std::size_t i = 0; i < KeyCodeTable.size(); ++i) {
        EXPECT_EQ(KeyCodeTable[i].scanCode != 0, i <= 65) << "row " << i;
        if (KeyCodeTable[i].scanCode != 0) scanCodes.insert(KeyCodeTable[i].scanCode);
        virtualKeys.insert(KeyCodeTable[i].virtualKey);
    }
    for (const std::uint32_t s : scanCodes) EXPECT_EQ(scanCodes.count(s), s == 0x35 ? 2u : 1u);
    for (const std::uint32_t vk : virtualKeys) EXPECT_EQ(virtualKeys.count(vk), 1u);
}

TEST(KeyCodeTable, ScanCodeZeroMatchesNoRow) {
    EXPECT_EQ(firstRowWithScanCode(0), nullptr);
    EXPECT_EQ(firstRowWithScanCode(0x35)->virtualKey, 0xBFu);
    EXPECT_EQ(firstRowWithUsage(0x38)->virtualKey, 0xBFu);
    EXPECT_EQ(firstRowWithUsage(0x32), nullptr);
    EXPECT_EQ(firstRowWithVirtualKey(0x10), nullptr);
}

// ---------------------------------------------------------------------------------------------

TEST(UsageOfVirtualKey, OnTheUsLayoutEveryRowGivesItsOwnUsage) {
    for (const KeyCodeRow& row : KeyCodeTable) {
        const KeyUsage result = UsageOfVirtualKey(row.virtualKey, kUs);
        EXPECT_TRUE(result.found) << std::hex << row.virtualKey;
        EXPECT_EQ(result.usage, row.usage) << std::hex << row.virtualKey;
    }
    // The keypad rows out of order: 7 before 6.
    EXPECT_EQ(UsageOfVirtualKey(0x67, kUs).usage, 0x5Fu);
    EXPECT_EQ(UsageOfVirtualKey(0x66, kUs).usage, 0x5Eu);
}

TEST(UsageOfVirtualKey, OnlyCharacterKeysAndFunctionKeysGoThroughTheLayout) {
    const OneKeyLayout everythingOnA(0x1E);
    EXPECT_EQ(UsageOfVirtualKey(0x5A, everythingOnA).usage, 0x04u);  // Z
    EXPECT_EQ(UsageOfVirtualKey(0x7B, everythingOnA).usage, 0x04u);  // F12, usage 0x45
    EXPECT_EQ(UsageOfVirtualKey(0x2C, everythingOnA).usage, 0x46u);  // Print Screen, 0x46
    EXPECT_EQ(UsageOfVirtualKey(0xA2, everythingOnA).usage, 0xE0u);
    EXPECT_EQ(UsageOfVirtualKey(0xF4, everythingOnA).usage, 0xF4u);

    // A scan code no row has, or none at all: the row's own usage stands (scan code 0
    // must not find the rows that have none, such as Print Screen's).
    for (const std::uint32_t scanCode : {0u, 0x56u, 0x1000u}) {
        const KeyUsage result = UsageOfVirtualKey(0x5A, OneKeyLayout(scanCode));
        EXPECT_TRUE(result.found);
        EXPECT_EQ(result.usage, 0x1Du) << scanCode;
    }
}

TEST(UsageOfVirtualKey, KeypadEnterIsEnterAndOnlyTheSeparatorGivesKeypadEnter) {
    EXPECT_EQ(UsageOfVirtualKey(0x0D, kUs).usage, 0x28u);
    std::vector<std::uint32_t> keypadEnter;
    for (std::uint32_t vk = 0; vk < 0x200; ++vk) {
        if (UsageOfVirtualKey(vk, kUs).usage == 0x58) keypadEnter.push_back(vk);
    }
    EXPECT_EQ(keypadEnter, std::vector<std::uint32_t>{0x6C});
}

TEST(UsageOfVirtualKey, KeysWithoutRowAreNotFoundThoughSomeHaveNames) {
    const IdTexts texts;
    const std::pair<std::uint32_t, std::u16string> generic[] = {
        {0x10, u"<key_LShift>"}, {0x11, u"<key_LCtrl>"}, {0x12, u"<key_LAlt>"}};
    for (const auto& [vk, name] : generic) {
        const KeyUsage result = UsageOfVirtualKey(vk, kUs);
        EXPECT_FALSE(result.found) << vk;
        EXPECT_EQ(result.usage, 0u) << vk;
        EXPECT_EQ(KeyNameOfVirtualKey(vk, kUs, texts), name);
    }
    EXPECT_EQ(KeyNameOfVirtualKey(0xA0, kUs, texts), u"<key_LShift>");
    for (const std::uint32_t vk : {0x00u, 0xF5u, 0xE2u, 0x100u}) {
        EXPECT_FALSE(UsageOfVirtualKey(vk, kUs).found) << vk;
    }
}

// ---------------------------------------------------------------------------------------------

TEST(KeyNameOfUsage, CharacterKeysAreNamedByTheLayout) {
    const IdTexts texts;
    const std::pair<std::uint32_t, std::u16string> names[] = {
        {0x04, u"A"},
        {0x1D, u"Z"},
        {0x1E, u"1"},
        {0x27, u"0"},
        {0x33, u";"},
        {0x31, u"\\"},
        {0x38, u"/"},
        {0x35, u"`"},
        {0x28, u"<key_Enter>"},
        {0x29, u"<key_Esc>"},
        {0x2A, u"<key_BackSpace>"},
        {0x2C, u"<key_Space>"},
        {0x39, u"<key_Caplk>"},
    };
    for (const auto& [code, name] : names) {
        EXPECT_EQ(KeyNameOfUsage(code, kUs, texts, [](std::string_view) {}), name) << code;
    }
}

TEST(KeyNameOfUsage, OtherCodesUseFixedTextIds) {
    const IdTexts texts;
    const std::pair<std::uint32_t, std::u16string> names[] = {
        {0x3A, u"<key_F1>"},          {0x45, u"<key_F12>"},        {0x46, u"<key_Print Scr>"},
        {0x48, u"<key_Pause>"},       {0x4E, u"<key_Page Down>"},  {0x52, u"<key_Up>"},
        {0x53, u"<key_Num Lock>"},    {0x57, u"<key_Num_+>"},      {0x58, u"<key_Num_Enter>"},
        {0x59, u"<key_Num_1>"},       {0x61, u"<key_Num_9>"},      {0x62, u"<key_Num_0>"},
        {0x63, u"<key_Num_.>"},       {0x64, u"<key_\\>"},         {0x65, u"<key_APP>"},
        {0x82, u"<Sleep>"},           {0x88, u"<Kana/Roma>"},      {0xDD, u"<`>"},
        {0xE0, u"<key_LCtrl>"},       {0xE3, u"<key_LWin>"},       {0xE6, u"<key_RAlt>"},
        {0xE7, u"<key_RWin>"},        {0xF1, u"<L_Button>"},       {0xF3, u"<M_Button>"},
        {0xF4, u"<Backward_Button>"}, {0xF5, u"<Forward_Button>"},
    };
    for (const auto& [code, name] : names) {
        EXPECT_EQ(KeyNameOfUsage(code, kUs, texts, [](std::string_view) {}), name) << code;
    }
    // Even under a layout that would name them differently.
    EXPECT_EQ(KeyNameOfUsage(0x3A, OneKeyLayout(0x1E, u"x"), texts, [](std::string_view) {}),
              u"<key_F1>");
}

TEST(KeyNameOfUsage, UnnamedCodesAreEmptyAndLookUpNoText) {
    std::set<std::uint32_t> named;
    for (std::uint32_t c = 0x04; c <= 0x65; ++c) named.insert(c);
    named.erase(0x32);
    for (std::uint32_t c = 0xE0; c <= 0xE7; ++c) named.insert(c);
    for (std::uint32_t c = 0xF1; c <= 0xF5; ++c) named.insert(c);
    named.insert({0x82, 0x88, 0xDD});

    for (std::uint32_t code = 0; code < 0x200; ++code) {
        const IdTexts texts;
        const std::u16string name = KeyNameOfUsage(code, kUs, texts, [](std::string_view) {});
        EXPECT_EQ(!name.empty(), named.count(code) == 1) << std::hex << code;
        if (name.empty()) {
            EXPECT_EQ(texts.lookups, 0) << std::hex << code;
        }
    }
}

TEST(KeyNameOfUsage, WritesTheNameToTheDebugOutputInUtf8) {
    const IdTexts texts;
    std::vector<std::string> lines;
    const DebugSink sink = [&](std::string_view line) { lines.emplace_back(line); };
    KeyNameOfUsage(0x04, kUs, texts, sink);
    KeyNameOfUsage(0x00, kUs, texts, sink);
    KeyNameOfUsage(0xF4, kUs, texts, sink);
    KeyNameOfUsage(0x05, OneKeyLayout(0x30, u"\u00E9"), texts, sink);
    EXPECT_EQ(lines, (std::vector<std::string>{"m_key = A", "m_key = ", "m_key = <Backward_Button>",
                                               "m_key = \xC3\x89"}));
}

// ---------------------------------------------------------------------------------------------

TEST(KeyNameOfVirtualKey, NonCharacterKeysUseFixedTextIds) {
    const IdTexts texts;
    const OneKeyLayout printsX(0x2D, u"x");  // must not be asked for these
    const std::pair<std::uint32_t, std::u16string> names[] = {
        {0x14, u"<key_Caplk>"},     {0xF0, u"<key_Caplk>"},       {0x2A, u"<key_Print Scr>"},
        {0x2C, u"<key_Print Scr>"}, {0x11, u"<key_LCtrl>"},       {0xA2, u"<key_LCtrl>"},
        {0xA1, u"<key_RShift>"},    {0xA3, u"<key_RCtrl>"},       {0xA5, u"<key_RAlt>"},
        {0x60, u"<key_Num_0>"},     {0x69, u"<key_Num_9>"},       {0x6A, u"<key_Num_*>"},
        {0x6C, u"<key_Num_Enter>"}, {0x6F, u"<key_Num_/>"},       {0x70, u"<key_F1>"},
        {0x7B, u"<key_F12>"},       {0x5B, u"<key_LWin>"},        {0x5D, u"<key_APP>"},
        {0x90, u"<key_Num Lock>"},  {0x91, u"<key_Scroll Lock>"}, {0x20, u"<key_Space>"},
    };
    for (const auto& [vk, name] : names) EXPECT_EQ(KeyNameOfVirtualKey(vk, printsX, texts), name);
    // Just past the ranges: the layout's character.
    EXPECT_EQ(KeyNameOfVirtualKey(0x7C, printsX, texts), u"X");
    EXPECT_EQ(KeyNameOfVirtualKey(0x5F, printsX, texts), u"X");
}

TEST(KeyNameOfVirtualKey, OtherKeysShowTheirCharacterInUpperCase) {
    const IdTexts texts;
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"a", u"A"},           {u"1", u"1"},
        {u"\u00E9", u"\u00C9"},  // é
        {u"\u00FF", u"\u0178"}, {u"\u00F7", u"\u00F7"},
        {u"\u00DF", u"\u00DF"},  // ÿ ÷ ß
        {u"\u0131", u"I"},      {u"\u0142", u"\u0141"},
        {u"\u0151", u"\u0150"},  // ı ł ő
        {u"\u017E", u"\u017D"}, {u"\u01B0", u"\u01AF"},
        {u"\u1EA1", u"\u1EA0"},  // ž ư ạ
        {u"\u03C2", u"\u03A3"}, {u"\u03AC", u"\u0386"},
        {u"\u03C9", u"\u03A9"},  // ς ά ω
        {u"\u0451", u"\u0401"}, {u"\u044F", u"\u042F"},
        {u"\u0491", u"\u0490"},  // ё я ґ
        {u"\u0561", u"\u0531"}, {u"", u""},
    };
    for (const auto& [character, name] : cases) {
        EXPECT_EQ(KeyNameOfVirtualKey(0x41, OneKeyLayout(0x1E, character), texts), name);
    }
    EXPECT_EQ(texts.lookups, 0);
}

// ---------------------------------------------------------------------------------------------

TEST(UsKeyboardLayout, FollowsTheTableAndScanCodeZeroIsNoKey) {
    EXPECT_EQ(kUs.virtualKeyOfScanCode(0x35), 0xBFu);
    EXPECT_EQ(kUs.scanCodeOfVirtualKey(0xDF), 0x35u);
    EXPECT_EQ(kUs.virtualKeyOfScanCode(0), 0u);
    EXPECT_EQ(kUs.scanCodeOfVirtualKey(0x2C), 0u);
    EXPECT_EQ(kUs.virtualKeyOfScanCode(0x56), 0u);
    EXPECT_EQ(kUs.characterOfVirtualKey(0x41), u"a");
    EXPECT_EQ(kUs.characterOfVirtualKey(0xDE), u"'");
    EXPECT_EQ(kUs.characterOfVirtualKey(0xDF), u"");
    EXPECT_EQ(kUs.characterOfVirtualKey(0x0D), u"");
}

}  // namespace
}  // namespace velor

namespace velor {
namespace {

TEST(KeyTables, HomeIsItsOwnKey) {
    const UsKeyboardLayout us;
    EXPECT_EQ(UsageOfVirtualKey(0x24, us).usage, 0x4Au);  // VK_HOME: usage Home
    EXPECT_EQ(UsageOfVirtualKey(0x23, us).usage, 0x4Du);  // VK_END: usage End
    const testing::FixedTexts texts;                      // each text is its id
    EXPECT_EQ(KeyNameOfUsage(0x4A, us, texts), u"key_Home");
    EXPECT_EQ(KeyNameOfUsage(0x4D, us, texts), u"key_End");
}

}  // namespace
}  // namespace velor
