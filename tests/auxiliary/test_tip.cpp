// The tip of the day: numbering and wrap-around, the stored keys, the start-up timer and the
// failures of the tips file.
#include "app/Unit1.h"
#include "auxiliary/tip.h"
#include "platform/Ini.h"
#include "support/GuiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

namespace {

class TipTest : public GuiTest {
protected:
    TForm1* main = nullptr;

    void SetUp() override
    {
        // The start-up tip must not open on its own during these tests.
        folder.write("setup.ini", "[tips]\nshowtip=0\n");
        main = openMainWindow(false);
        main->TimerTip->stop();
    }

    void setTips(const QByteArray& text) { folder.write("tips.txt", text); }
    void setKeys(const QByteArray& tipsSection) { folder.write("setup.ini", tipsSection); }
    IniFile ini() const { return IniFile(folder.file("setup.ini")); }

    TTipForm* open()
    {
        main->TipForm = new TTipForm(main);
        main->TipForm->show();
        pumpEvents();
        return main->TipForm;
    }
    static QString shown(TTipForm* t) { return t->RichEdit1->toPlainText(); }
};

TEST_F(TipTest, WindowAndCaptions)
{
    setTips("a\n");
    TTipForm* t = open();
    EXPECT_EQ(t->windowTitle(), "Совет");
    EXPECT_EQ(t->size(), QSize(358, 295));
    EXPECT_EQ(t->Label1->text(), "Вы знаете ...");
    EXPECT_EQ(t->CheckBox1->text(), "Показывать при запуске");
    EXPECT_EQ(t->BtnNext->text(), "Далее совет");
    EXPECT_EQ(t->BtnClose->text(), "Закрыть");
    EXPECT_TRUE(t->RichEdit1->isReadOnly());
}

TEST_F(TipTest, ShowsTheTipAfterTheStoredOneAndCyclesWithNext)
{
    setKeys("[tips]\ntipno=1\nshowtip=1\n");
    setTips("first\n\nsecond\r\n\n\nthird");
    TTipForm* t = open();
    EXPECT_EQ(t->TipCount(), 3);
    EXPECT_EQ(shown(t), "second");
    EXPECT_TRUE(t->CheckBox1->isChecked());
    t->BtnNext->click();
    EXPECT_EQ(shown(t), "third");
    t->BtnNext->click();
    EXPECT_EQ(shown(t), "first");
    EXPECT_EQ(t->CurrentTip(), 1);
}

TEST_F(TipTest, StoredNumberPastTheEndWraps)
{
    setKeys("[tips]\ntipno=7\n");
    setTips("one\ntwo\nthree\n");
    EXPECT_EQ(shown(open()), "two");   // 7 mod 3 = 1, so tip 2
}

TEST_F(TipTest, DefaultsShowTipTwoWithTheBoxTicked)
{
    folder.write("setup.ini", "");
    setTips("one\ntwo\nthree\n");
    TTipForm* t = open();
    EXPECT_EQ(shown(t), "two");
    EXPECT_TRUE(t->CheckBox1->isChecked());
}

TEST_F(TipTest, CloseButtonStoresTheNumberAndTheSwitch)
{
    setKeys("; tips kept here\n[tips]\ntipno=2\nshowtip=1\n");
    setTips("one\ntwo\nthree\n");
    QPointer<TTipForm> t = open();
    EXPECT_EQ(shown(t), "three");
    t->BtnNext->click();
    t->CheckBox1->setChecked(false);
    t->BtnClose->click();
    pumpEvents();
    EXPECT_FALSE(t);
    EXPECT_FALSE(main->TipForm);
    EXPECT_EQ(folder.read("setup.ini"), QByteArray("; tips kept here\n[tips]\ntipno=1\nshowtip=0\n"));
}

TEST_F(TipTest, ClosingByTheFrameStoresNothing)
{
    setKeys("[tips]\ntipno=1\nshowtip=1\n");
    setTips("one\ntwo\nthree\n");
    QPointer<TTipForm> t = open();
    t->BtnNext->click();
    t->BtnNext->click();
    t->CheckBox1->setChecked(false);
    t->close();
    pumpEvents();
    EXPECT_FALSE(t);
    EXPECT_FALSE(main->TipForm);
    EXPECT_EQ(folder.read("setup.ini"), QByteArray("[tips]\ntipno=1\nshowtip=1\n"));
}

TEST_F(TipTest, OtherShowtipValuesUntickTheBox)
{
    setKeys("[tips]\nshowtip=2\n");
    setTips("one\n");
    EXPECT_FALSE(open()->CheckBox1->isChecked());
}

TEST_F(TipTest, MissingFileIsReportedAndTheWindowStillCloses)
{
    setKeys("[tips]\ntipno=5\nshowtip=1\n");
    QPointer<TTipForm> t = open();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text, "File not found");
    EXPECT_EQ(shown(t), "");
    t->BtnNext->click();   // reports again, shows nothing, does not crash
    EXPECT_EQ(shown(t), "");
    t->CheckBox1->setChecked(false);
    t->BtnClose->click();
    pumpEvents();
    EXPECT_FALSE(t);
    // The number stays; the switch can still be turned off.
    EXPECT_EQ(ini().ReadInteger("tips", "tipno", 0), 5);
    EXPECT_EQ(ini().ReadInteger("tips", "showtip", 1), 0);
}

TEST_F(TipTest, FileWithoutTipsAndNegativeNumbers)
{
    setKeys("[tips]\ntipno=3\n");
    setTips("\n\r\n\n");
    QPointer<TTipForm> t = open();
    EXPECT_EQ(t->TipCount(), 0);
    EXPECT_EQ(shown(t), "");
    t->BtnNext->click();
    EXPECT_EQ(shown(t), "");
    t->BtnClose->click();
    pumpEvents();
    EXPECT_FALSE(t);
    EXPECT_EQ(messages.count(), 0);

    setKeys("[tips]\ntipno=-4\n");
    setTips("one\ntwo\n");
    t = open();
    EXPECT_EQ(shown(t), "one");
    t->BtnNext->click();
    EXPECT_EQ(shown(t), "two");
    t->close();
}

TEST_F(TipTest, TipsAreUtf8)
{
    setTips("\xEF\xBB\xBFПервый совет\nВторой совет\n");
    setKeys("[tips]\ntipno=1\n");
    EXPECT_EQ(shown(open()), "Второй совет");
    EXPECT_EQ(TTipForm::TipsOf("\xEF\xBB\xBFПервый\n").at(0), "Первый");
    // Every non-empty line is a tip, a line of blanks included.
    EXPECT_EQ(TTipForm::TipsOf("one\r\n\r\n  \ntwo"), (QStringList{"one", "  ", "two"}));
}

TEST_F(TipTest, StartUpTimerShowsTheWindowOnlyWhenSwitchedOn)
{
    setTips("one\ntwo\n");
    // showtip=0: the first tick opens nothing.
    main->TimerTipTimer();
    EXPECT_FALSE(main->TimerTip->isActive());
    EXPECT_FALSE(main->TipForm);

    // The menu item shows it whatever showtip says.
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* t = qobject_cast<TTipForm*>(QApplication::activeModalWidget());
        ASSERT_NE(t, nullptr);
        seen = true;
        EXPECT_EQ(main->TipForm, t);
        t->BtnClose->click();
    });
    main->ipoftheDay1->trigger();
    EXPECT_TRUE(seen);
    pumpEvents();
    EXPECT_FALSE(main->TipForm);
}

TEST_F(TipTest, StartUpTimerActsOnTheFirstTickOnly)
{
    closeMainWindow();
    setKeys("[tips]\nshowtip=1\n");
    setTips("one\ntwo\n");
    main = openMainWindow(false);
    ASSERT_TRUE(main->TimerTip->isActive());
    int shownCount = 0;
    QTimer::singleShot(0, [&] {
        if (auto* t = qobject_cast<TTipForm*>(QApplication::activeModalWidget())) {
            ++shownCount;
            t->close();
        }
    });
    main->TimerTipTimer();
    EXPECT_EQ(shownCount, 1);
    EXPECT_FALSE(main->TimerTip->isActive());
    main->TimerTipTimer();   // a stray later tick does nothing
    EXPECT_EQ(shownCount, 1);
}

}  // namespace
