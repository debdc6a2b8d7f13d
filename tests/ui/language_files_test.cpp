#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "../support/temp_folder.h"
#include "skin/language_texts.h"

namespace velor {
namespace {

const QString kSkinFolder = QStringLiteral(VELOR_SOURCE_DIR "/res/");

TEST(LanguageFiles, AllThreeHoldTheSameIdsAndNoEmptyText) {
    QHash<QString, QString> english, chinese, vietnamese;
    QString error;
    ASSERT_TRUE(LanguageTexts::readFile(kSkinFolder + "lan/EN.xml", english, &error))
        << error.toStdString();
    ASSERT_TRUE(LanguageTexts::readFile(kSkinFolder + "lan/CN.xml", chinese, &error))
        << error.toStdString();
    ASSERT_TRUE(LanguageTexts::readFile(kSkinFolder + "lan/YUENAN.xml", vietnamese, &error))
        << error.toStdString();
    EXPECT_GT(english.size(), 150);
    for (const auto* other : {&chinese, &vietnamese}) {
        for (auto it = english.cbegin(); it != english.cend(); ++it)
            EXPECT_TRUE(other->contains(it.key())) << it.key().toStdString();
        EXPECT_EQ(other->size(), english.size());
    }
    // The ids the program itself looks up.
    for (const char* id :
         {"mouse_name_text", "warning_title_text", "charging_text", "add_profile_text",
          "add_macro_text", "no_device_text", "tray_show_text", "tray_exit_text", "key_F1",
          "key_\\", "L_Button", "Forward_Button", "prate_4_text", "apply_pending_text"}) {
        EXPECT_TRUE(english.contains(id)) << id;
        EXPECT_FALSE(english.value(id).isEmpty()) << id;
        EXPECT_FALSE(chinese.value(id).isEmpty()) << id;
    }
}

TEST(LanguageFiles, MissingTextFallsBackToEnglishThenToTheId) {
    testing::TempFolder temp;
    QDir().mkpath(QString::fromStdString(temp.folder()) + "lan");
    const auto write = [&](const char* name, const char* body) {
        QFile f(QString::fromStdString(temp.folder()) + "lan/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body);
    };
    write("EN.xml",
          "<Language lanId=\"2\"><Text id=\"a_text\">Apple</Text>"
          "<Text id=\"b_text\">Banana</Text></Language>");
    write("CN.xml", "<Language lanId=\"1\"><Text id=\"a_text\">苹果</Text></Language>");
    write("YUENAN.xml", "not xml at all <<<");
    LanguageTexts texts(QString::fromStdString(temp.folder()));
    ASSERT_TRUE(texts.load(1));
    EXPECT_EQ(texts.get("a_text"), QString::fromUtf8("苹果"));
    EXPECT_EQ(texts.get("b_text"), "Banana");
    EXPECT_EQ(texts.get("c_text"), "c_text");
    EXPECT_FALSE(texts.load(3));  // a broken file: English throughout
    EXPECT_EQ(texts.get("a_text"), "Apple");
}

}  // namespace
}  // namespace velor
