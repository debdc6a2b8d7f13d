#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "profile/record_defaults.h"
#include "ui/profile_name_window.h"
#include "ui/select_macro_window.h"

namespace velor {
namespace {

const QString kSkins = QStringLiteral(VELOR_PROGRAM_DIR "/res/");

class ProfileDialogsTest : public ::testing::Test {
  protected:
    ProfileDialogsTest() {
        texts.load(2);
        for (const char16_t* n : {u"Reload", u"Burst", u"Wall"})
            macros.records.push_back(MacroRecord::named(n));
    }
    LanguageTexts texts{kSkins};
    MacroList macros;
};

// A count out of range (as an imported profile may hold it) shows as the
// nearest allowed one, and OK alone keeps what shows.
TEST_F(ProfileDialogsTest, PickerShowsAStoredCountWithinRange) {
    for (const auto& [stored, shown] : {std::pair{1000, 255}, std::pair{0, 1}}) {
        CSelectMacroWnd picker(nullptr, texts, kSkins, 10, macros);
        picker.macroIndex = 1;
        picker.repeatCount = stored;
        ASSERT_TRUE(picker.create());
        EXPECT_EQ(picker.skin().find<QLineEdit>("edit_loop_time")->text(), QString::number(shown));
        picker.skin().find<QAbstractButton>("btn_ok")->click();
        EXPECT_EQ(picker.repeatCount, shown);
    }
}

TEST_F(ProfileDialogsTest, PickerShowsTheButtonsMacroAndKeepsTheCountInRange) {
    CSelectMacroWnd picker(nullptr, texts, kSkins, 10, macros);
    picker.macroIndex = 2;
    picker.repeatMode = 0;
    picker.repeatCount = 5;
    ASSERT_TRUE(picker.create());
    auto* list = picker.skin().find<QListWidget>("list_macro");
    auto* count = picker.skin().find<QLineEdit>("edit_loop_time");
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_TRUE(picker.skin().find<QAbstractButton>("repeat_1")->isChecked());
    EXPECT_EQ(count->text(), "5");

    count->clear();
    QTest::keyClicks(count, "3a7");
    EXPECT_EQ(count->text(), "37");
    picker.show();
    picker.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&picker));
    auto* elsewhere = picker.skin().find<QAbstractButton>("btn_cancel");
    for (const auto& [typed, shown] :
         {std::pair{"300", "255"}, std::pair{"0", "1"}, std::pair{"", "1"}}) {
        count->setFocus();
        count->setText(typed);
        count->setModified(true);  // as typing leaves it
        elsewhere->setFocus();     // leaving the box takes the count
        EXPECT_EQ(count->text(), QString(shown)) << typed;
    }
    EXPECT_EQ(picker.repeatCount, 1);

    picker.skin().find<QAbstractButton>("repeat_2")->click();
    EXPECT_EQ(picker.repeatMode, 1);
    EXPECT_FALSE(picker.skin().findControl("hor_loop_time")->isVisible());
    list->setCurrentRow(0);
    EXPECT_EQ(picker.macroIndex, 0);
}

TEST_F(ProfileDialogsTest, PickerForAnotherFunctionOrAStaleIndexChoosesNothing) {
    for (const int index : {-1, 7}) {
        CSelectMacroWnd picker(nullptr, texts, kSkins, 10, macros);
        picker.macroIndex = index;
        ASSERT_TRUE(picker.create());
        EXPECT_EQ(picker.skin().find<QListWidget>("list_macro")->currentRow(), -1);
        EXPECT_TRUE(picker.skin().find<QAbstractButton>("repeat_1")->isChecked());
        EXPECT_EQ(picker.skin().find<QLineEdit>("edit_loop_time")->text(), "1");
        EXPECT_EQ(picker.macroIndex, -1);
    }
}

TEST_F(ProfileDialogsTest, NameDialogRefusesEmptyAndTakenNames) {
    ProfileList profiles(*descriptorFor(10));
    profiles.reset({}, {newRecord(descriptorFor(10)->record, u"Game")}, 0);
    CProfileNameWnd dialog(nullptr, texts, kSkins, 10, "profile_name_1_text", profiles);
    std::vector<QString> warnings;
    dialog.warn = [&](const QString& id) { warnings.push_back(id); };
    ASSERT_TRUE(dialog.create());
    auto* edit = dialog.skin().find<QLineEdit>("edit_name");
    auto* ok = dialog.skin().find<QPushButton>("btn_ok");
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_EQ(dialog.skin().findControl("title_string")->property("text").toString(),
              texts.get("profile_name_1_text"));

    ok->click();
    for (const char* taken : {"game", "GAME"}) {
        edit->setText(taken);
        ok->click();
    }
    EXPECT_EQ(warnings,
              (std::vector<QString>{"warn_name_1_text", "warn_name_2_text", "warn_name_2_text"}));
    EXPECT_EQ(edit->text(), "GAME");  // still there to correct

    edit->setText("   ");
    dialog.show();
    ok->click();
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(dialog.acceptedName(), u"   ");
}

}  // namespace
}  // namespace velor
