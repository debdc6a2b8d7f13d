#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "../support/temp_folder.h"
#include "skin/language_texts.h"
#include "skin/resource_file.h"

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
    // A second text of an id would never be shown: each file gives each id once.
    for (const char* name : {"EN", "CN", "YUENAN"}) {
        QFile file(kSkinFolder + "lan/" + name + ".xml");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const auto& texts = name[0] == 'E' ? english : name[0] == 'C' ? chinese : vietnamese;
        EXPECT_EQ(file.readAll().count("<Text "), texts.size()) << name;
    }
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
          "<Text id=\"b_text\">Banana</Text>"
          "<Text id=\"damaged_file_text\">%1 is broken.</Text></Language>");
    // A translation that lost its place for the file name.
    write("CN.xml",
          "<Language lanId=\"1\"><Text id=\"a_text\">苹果</Text>"
          "<Text id=\"damaged_file_text\">文件损坏</Text></Language>");
    write("YUENAN.xml", "not xml at all <<<");
    LanguageTexts texts(QString::fromStdString(temp.folder()));
    ASSERT_TRUE(texts.load(1));
    EXPECT_EQ(texts.get("a_text"), QString::fromUtf8("苹果"));
    EXPECT_EQ(texts.get("b_text"), "Banana");
    EXPECT_EQ(texts.get("c_text"), "c_text");
    // The damaged file is always named, whatever the translation lost.
    EXPECT_EQ(damagedFileText(texts, "/x/a.xml"),
              "The program file /x/a.xml is damaged or missing. Reinstalling the program "
              "repairs it.");
    EXPECT_FALSE(texts.load(3));  // a broken file: English throughout
    EXPECT_EQ(texts.get("a_text"), "Apple");
    EXPECT_EQ(damagedFileText(texts, "/x/a.xml"), "/x/a.xml is broken.");
}

// Out of descriptors, a file that cannot be opened is not damaged: the line
// on stderr and the notice say what happened, and that a restart helps.
TEST(LanguageFiles, AFileThatCannotBeOpenedForWantOfDescriptorsIsNotCalledDamaged) {
    LanguageTexts english(kSkinFolder);
    ASSERT_TRUE(english.damaged().empty());
    int highest = 2;
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        highest = std::max(highest, std::stoi(e.path().filename().string()));
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit low = before;
    low.rlim_cur = std::min<rlim_t>(before.rlim_cur, rlim_t(highest) + 32);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) taken.push_back(fd);
    const LanguageTexts starved(kSkinFolder);
    for (const int fd : taken) ::close(fd);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &before), 0);

    const auto damaged = starved.damaged();
    ASSERT_EQ(damaged.size(), 1u);
    const QString path = kSkinFolder + "lan/EN.xml";
    EXPECT_EQ(damaged[0].path, path);
    EXPECT_EQ(damaged[0].reason, "too many open files");
    EXPECT_EQ(damagedFileText(english, path, damaged[0].reason),
              "The program has too many files open and could not read " + path +
                  ". Restarting the program repairs it; the file is not damaged.");
    ::testing::internal::CaptureStderr();
    printDamagedFile(path + ": " + damaged[0].reason);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "velor: warning: " + path.toStdString() +
                  ": too many open files; the program could not read it: restart the program "
                  "(the file is not damaged)\n");
}

// Each body is an English file: what it gives (a damaged one, the texts
// before the damage), and whether it is named as damaged.
TEST(LanguageFiles, EdgesOfTheFileDecideWhatIsShown) {
    struct Case {
        bool sound;
        int texts;  // as readFile gives them when sound
        std::vector<std::pair<const char*, const char*>> shows;  // id, text
        const char* body;
    };
    const Case cases[] = {
        {true,
         1,
         {{"a", "First"}},
         "<Language><Text id=\"a\">First</Text><Text id=\"a\">Second</Text></Language>"},
        {true,
         1,
         {{"b", "B"}, {"", ""}},
         "<Language><Text id=\"\">none</Text><Text>none</Text><Text id=\"b\">B</Text></Language>"},
        {true,
         1,
         {{"e", "a & b <c> \xe4\xb8\xad"}},
         "<Language><Text id=\"e\">a &amp; b &lt;c&gt; \xe4\xb8\xad</Text></Language>"},
        {true,
         1,
         {{"a", "A"}},
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Language lanId=\"2\"><Font/>"
         "<Text id=\"a\">A</Text></Language>"},
        {false, 0, {{"a", "A"}, {"b", "b"}}, "<Language><Text id=\"a\">A</Text><Text id=\"b\">B"},
        {false,
         0,
         {{"a", "A"}, {"b", "b"}},
         "<Language><Text id=\"a\">A</Text><Text id=\"b\">B</Txt></Language>"},
        {false,
         0,
         {{"a", "a"}, {"c", "c"}},
         "<Language><Text id=\"a\">A<b>bold</b></Text><Text id=\"c\">C</Text></Language>"},
        {false, 0, {{"a", "a"}}, "<Texts><Text id=\"a\">A</Text></Texts>"},
        {false, 0, {{"a", "a"}}, ""},
    };
    for (const Case& c : cases) {
        testing::TempFolder temp;
        const QString folder = QString::fromStdString(temp.folder());
        QDir().mkpath(folder + "lan");
        QFile f(folder + "lan/EN.xml");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.body);
        f.close();
        QHash<QString, QString> read{{"left", "alone"}};
        QString error;
        EXPECT_EQ(LanguageTexts::readFile(folder + "lan/EN.xml", read, &error), c.sound) << c.body;
        EXPECT_EQ(read.size(), c.sound ? c.texts : 1) << c.body;
        EXPECT_EQ(error.isEmpty(), c.sound) << c.body;
        const LanguageTexts texts(folder);
        for (const auto& [id, text] : c.shows)
            EXPECT_EQ(texts.get(QString::fromUtf8(id)), QString::fromUtf8(text)) << c.body;
        const auto damaged = texts.damaged();
        ASSERT_EQ(damaged.size(), c.sound ? 0u : 1u) << c.body;
        if (!c.sound) {
            EXPECT_EQ(damaged[0].path, folder + "lan/EN.xml");
        }
    }
}

}  // namespace
}  // namespace velor
