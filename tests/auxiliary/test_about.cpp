// The about box, its links, the help file and the home page.
#include "app/Unit1.h"
#include "auxiliary/LinkLabel.h"
#include "auxiliary/Links.h"
#include "auxiliary/Unit4.h"
#include "auxiliary/tip.h"
#include "platform/Ini.h"
#include "support/GuiTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

class AboutTest : public GuiTest {
protected:
    TForm1* main = nullptr;
    void SetUp() override
    {
        folder.write("setup.ini", "[tips]\nshowtip=0\n");
        main = openMainWindow(false);
        main->TimerTip->stop();
    }
    TAboutBox* open()
    {
        main->AboutBox = new TAboutBox(main);
        main->AboutBox->show();
        pumpEvents();
        return main->AboutBox;
    }
};

TEST_F(AboutTest, DefaultsWithoutSupportIni)
{
    TAboutBox* a = open();
    EXPECT_EQ(a->windowTitle(), "О программе");
    EXPECT_TRUE(a->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(a->Label1->text(), "Tavrin v3.3.3");
    EXPECT_EQ(a->Label3->text(), "v3.3.3");
    EXPECT_EQ(a->Label5->text(), HomePageAddress);
    EXPECT_EQ(a->Label7->text(), "Technology Support");
    EXPECT_EQ(a->BtnClose->text(), "Закрыть");
}

// The heading carries the picture the desktop shows for the program, as its files hold it.
TEST_F(AboutTest, HeadingShowsTheProgramsIcon)
{
    TAboutBox* a = open();
    const QImage shown = a->ProgramIcon->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage icon = QImage(":/icons/app/tavrin-48.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(shown, icon);
}

TEST_F(AboutTest, SupportIniChangesTheTextsButNotTheLinks)
{
    folder.write("support.ini", "[About]\nProgramName=Recorder\nversionname=\nhomepage=https://mirror.example.net\n");
    TAboutBox* a = open();
    EXPECT_EQ(a->Label1->text(), "Recorder ");
    EXPECT_EQ(a->Label3->text(), "");
    EXPECT_EQ(a->Label5->text(), "https://mirror.example.net");
    a->Label5Click();
    a->Label7Click();
    EXPECT_EQ(shell.opened, (QStringList{HomePageAddress, "mailto:" + SupportMailAddress}));
}

TEST_F(AboutTest, LinksReactToThePointerAndClicks)
{
    TAboutBox* a = open();
    TLinkLabel* link = a->Label5;
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_FALSE(link->font().underline());

    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(link, &enter);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(link->font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(link, &leave);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_FALSE(link->font().underline());

    const QPointF inside(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, inside, link->mapToGlobal(inside), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, link->mapToGlobal(inside),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(a->Label7, &press);
    QApplication::sendEvent(a->Label7, &release);
    EXPECT_EQ(shell.opened, QStringList{"mailto:" + SupportMailAddress});
}

TEST_F(AboutTest, CloseEmptiesTheSlotAndTheNextOpeningReadsAgain)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* a = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
        ASSERT_NE(a, nullptr);
        seen = true;
        EXPECT_EQ(main->AboutBox, a);
        a->BtnClose->click();
    });
    main->ToolBtnAbout->click();
    EXPECT_TRUE(seen);
    pumpEvents();
    EXPECT_FALSE(main->AboutBox);

    folder.write("support.ini", "[about]\nversionname=v9\n");
    QString heading;
    QTimer::singleShot(0, [&] {
        auto* a = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
        ASSERT_NE(a, nullptr);
        heading = a->Label1->text();
        a->close();
    });
    main->About1->trigger();
    EXPECT_EQ(heading, "Tavrin v9");
}

TEST_F(AboutTest, HelpAndHomePageGoToTheShell)
{
    main->HelpContents2Click();
    main->Homepage2Click();
    EXPECT_EQ(shell.opened, (QStringList{folder.file("tavrin.html"), HomePageAddress}));
    shell.opened.clear();
    main->ToolBtnHelp->click();
    EXPECT_EQ(shell.opened, QStringList{folder.file("tavrin.html")});
}

// The side files as the build places them beside the program (one folder above the tests).
TEST(SideFiles, TipsSupportAndHelpAreUsable)
{
    testApplication();
    const QString dir = QCoreApplication::applicationDirPath() + "/../";
    QFile tips(dir + "tips.txt");
    ASSERT_TRUE(tips.open(QIODevice::ReadOnly));
    const QByteArray bytes = tips.readAll();
    EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes);   // valid UTF-8
    EXPECT_GE(TTipForm::TipsOf(bytes).size(), 20);

    const IniFile support(dir + "support.ini");
    EXPECT_EQ(support.ReadString("about", "programname", ""), "Tavrin");
    EXPECT_EQ(support.ReadString("about", "versionname", ""), "v3.3.3");
    EXPECT_EQ(support.ReadString("about", "homepage", ""), HomePageAddress);

    QFile help(dir + HelpFileName);
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    EXPECT_TRUE(help.readAll().contains("<html"));
}

}  // namespace
