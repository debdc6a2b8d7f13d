#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../support/file_text.h"
#include "../support/settings_fixture.h"
#include "../support/temp_folder.h"
#include "store/app_settings.h"
#include "store/autostart_setting.h"
#include "store/ini_file.h"
#include "store/language_choice.h"

namespace velor {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::readText;
using testing::writeText;

TEST(IniDocument, WritingOneKeyKeepsEverythingElseByteForByte) {
    const std::string original =
        "; my notes\r\n"
        "[Other]\r\n"
        "lanId=9\r\n"
        "\r\n"
        "[setting]\r\n"
        "Startup = 1\r\n"
        "lanId=2 ; trailing\r\n"
        "lanId=3\r\n"
        "weird line without equals\r\n"
        "\r\n"
        "[Tail]\r\n"
        "x=y";
    IniDocument doc = IniDocument::parse(original);
    EXPECT_EQ(iniInt(doc.value("SETTING", "lanid"), -1), 2);  // first of the duplicates
    EXPECT_EQ(iniInt(doc.value("SETTING", "Startup"), -1), 1);
    doc.set("SETTING", "lanId", "3");
    doc.set("SETTING", "Feedback", "0");
    EXPECT_EQ(doc.text(),
              "; my notes\r\n[Other]\r\nlanId=9\r\n\r\n[setting]\r\nStartup = 1\r\nlanId=3\r\n"
              "lanId=3\r\nweird line without equals\r\nFeedback=0\n\r\n[Tail]\r\nx=y");
}

TEST(IniDocument, GarbageOverflowAndMissingSectionReadAsTheDefault) {
    const IniDocument doc = IniDocument::parse(
        std::string("\x00\xff\xfe[SETTING\n=5\n[SETTING]\nlanId=99999999999\nStartup=abc\n"
                    "Feedback=-1x\n",
                    66));
    EXPECT_EQ(iniInt(doc.value("SETTING", "lanId"), -1), -1);
    EXPECT_EQ(iniInt(doc.value("SETTING", "Startup"), -1), -1);
    EXPECT_EQ(iniInt(doc.value("SETTING", "Feedback"), -1), -1);
    EXPECT_EQ(iniInt(doc.value("NOPE", "lanId"), -1), -1);

    IniDocument empty = IniDocument::parse("");
    empty.set("SETTING", "lanId", "1");
    EXPECT_EQ(empty.text(), "[SETTING]\nlanId=1\n");
}

TEST(LanguageChoice, StoredIdWinsElseOnlyMainlandChineseAndVietnameseAreChosen) {
    EXPECT_EQ(chooseLanguage(3, "zh_CN.UTF-8").lanId, 3);
    EXPECT_FALSE(chooseLanguage(3, "zh_CN.UTF-8").writeBack);
    const LanguageStart seven = chooseLanguage(7, "vi_VN.UTF-8");
    EXPECT_EQ(seven.lanId, 3);
    EXPECT_TRUE(seven.writeBack);
    EXPECT_EQ(languageForLocale("zh_CN.UTF-8"), 1);
    EXPECT_EQ(languageForLocale("zh-Hans-CN"), 1);
    EXPECT_EQ(languageForLocale("zh_TW.UTF-8"), 2);
    EXPECT_EQ(languageForLocale("zh_HK"), 2);
    EXPECT_EQ(languageForLocale("zh-Hant"), 2);
    EXPECT_EQ(languageForLocale("vi"), 3);
    EXPECT_EQ(languageForLocale("fr_FR.UTF-8"), 2);
    EXPECT_EQ(languageForLocale(""), 2);
    EXPECT_EQ(languageFile(9), "lan/EN.xml");
}

class SettingsTest : public testing::SettingsFixture {};

TEST_F(SettingsTest, MissingFileReadsUnsetAndSavesWriteOneKeyEach) {
    EXPECT_EQ(settings.lanId(), kUnset);
    EXPECT_EQ(settings.startup(), kUnset);
    writeText(settings.path(), "# mine\n[Window]\nx=1\n");
    EXPECT_TRUE(settings.SaveLanguage(2));
    EXPECT_TRUE(settings.SaveFeedback(1));
    EXPECT_EQ(readText(settings.path()), "# mine\n[Window]\nx=1\n[SETTING]\nlanId=2\nFeedback=1\n");
    EXPECT_EQ(settings.lanId(), 2);
    EXPECT_EQ(settings.startup(), kUnset);
}

TEST_F(SettingsTest, AnUnwritableFolderIsReportedOnceAndNothingBreaks) {
    AppSettings nowhere([] { return std::string("/proc/velor-no-such/"); },
                        [this](std::string_view l) { lines.emplace_back(l); });
    EXPECT_FALSE(nowhere.SaveLanguage(1));
    EXPECT_FALSE(nowhere.SaveStartup(1));
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_EQ(nowhere.lanId(), kUnset);
}

}  // namespace
}  // namespace velor
