#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../support/temp_folder.h"
#include "platform/autostart.h"
#include "store/app_settings.h"
#include "store/autostart_setting.h"
#include "store/ini_file.h"
#include "store/language_choice.h"

namespace velor {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

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

class SettingsTest : public ::testing::Test {
  protected:
    testing::TempFolder temp;
    std::vector<std::string> lines;
    AppSettings settings{[this] { return temp.path().string() + "/"; },
                         [this](std::string_view l) { lines.emplace_back(l); }};
};

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

TEST_F(SettingsTest, AutostartWritesStartupFirstThenTheEntry) {
    const std::string entry = (temp.path() / "autostart" / "velor.desktop").string();
    const DebugSink log = [this](std::string_view l) { lines.emplace_back(l); };
    SetAutostart(true, settings, entry, "/opt/VELOR Driver/velor", log);
    EXPECT_EQ(settings.startup(), 1);
    EXPECT_THAT(readText(entry), ::testing::HasSubstr("Exec=\"/opt/VELOR Driver/velor\" -auto\n"));
    EXPECT_THAT(lines, ElementsAre("startup success!!!!!!!!!!!!"));

    SetAutostart(false, settings, entry, "/opt/velor", [](std::string_view) {});
    EXPECT_EQ(settings.startup(), 0);
    EXPECT_FALSE(fs::exists(entry));

    // An entry that cannot be written: Startup is still stored, the failure only logged.
    lines.clear();
    const std::string blocked = settings.path() + "/velor.desktop";  // under a file
    SetAutostart(true, settings, blocked, "/opt/velor", log);
    EXPECT_EQ(settings.startup(), 1);
    EXPECT_THAT(lines, ElementsAre("startup fail!!!!!!!!!!!!"));
    SetAutostart(false, settings, blocked, "/opt/velor", [](std::string_view) {});
    EXPECT_EQ(settings.startup(), 0);
    // The Exec line as the session reads it: quoted where the shell or the
    // entry's own rules would split or expand the path, a % not a field code,
    // and every backslash of the quoting doubled once more in the file.
    const std::pair<const char*, const char*> commands[] = {
        {"/usr/bin/velor", "/usr/bin/velor -auto"},
        {"/opt/100%/velor", "/opt/100%%/velor -auto"},
        {"/opt/my 100%/velor", "\"/opt/my 100%%/velor\" -auto"},
        {"/opt/a`id`/velor", "\"/opt/a\\\\`id\\\\`/velor\" -auto"},
        {"/opt/$HOME/velor", "\"/opt/\\\\$HOME/velor\" -auto"},
        {"/opt/say \"hi\"/velor", "\"/opt/say \\\\\"hi\\\\\"/velor\" -auto"},
        {"/opt/back\\slash/velor", "\"/opt/back\\\\\\\\slash/velor\" -auto"},
        {"/opt/new\nline/velor", "\"/opt/new\\nline/velor\" -auto"},  // one line still
    };
    for (const auto& [program, exec] : commands) {
        ASSERT_TRUE(writeAutostartEntry(entry, program));
        std::ifstream in(entry);
        std::string line;
        while (std::getline(in, line) && !line.starts_with("Exec=")) {
        }
        EXPECT_EQ(line, std::string("Exec=") + exec) << program;
    }
}

}  // namespace
}  // namespace velor
