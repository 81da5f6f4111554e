#include "app/Unit1.h"
#include "engine/backends/VirtualBackend.h"
#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/controls/TNCTSliderB2.h"
#include "engine/controls/TNCTTimeDisplay2.h"
#include "support/GuiTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QTabWidget>

using WindowLife = GuiTest;

namespace {
// The transport strip rule, for a panel W wide.
void expectStripLaidOut(TForm1* f, int W)
{
    ASSERT_EQ(f->Panel1->width(), W);
    EXPECT_EQ(f->NCTSliderB1->geometry(), QRect(8, 8, W - 24, 15));
    EXPECT_EQ(f->NCTPlayButtonB1->geometry(), QRect(8, 27, W - 308, 27));
    const int meters = 8 + (W - 308) + 7;
    EXPECT_EQ(f->NCTAmpBar1->geometry(), QRect(meters, 28, 153, 21));
    EXPECT_EQ(f->NCTAmpBar2->geometry(), QRect(meters, 43, 153, 13));
    EXPECT_EQ(f->NCTTimeDisplay1->geometry(), QRect(meters + 153 + 7, 24, 121, 33));
    // The time display ends 12 pixels before the panel's right edge at every width.
    EXPECT_EQ(f->NCTTimeDisplay1->geometry().right() + 1, W - 12);
}
} // namespace

TEST_F(WindowLife, TransportStripFollowsTheWindowWidth)
{
    TForm1* f = openMainWindow();
    expectStripLaidOut(f, f->width());
    for (int w : {560, 561, 700, 1234}) {
        f->resize(w, 420);
        ASSERT_TRUE(waitUntil([&] { return f->Panel1->width() == w; })) << w;
        expectStripLaidOut(f, w);
    }
    // No narrower than the smallest size.
    f->resize(300, 200);
    pumpEvents();
    EXPECT_EQ(f->width(), 560);
    EXPECT_EQ(f->height(), 375);
    expectStripLaidOut(f, 560);
}

TEST_F(WindowLife, FirstShowPreparesTheWindowOnce)
{
    TForm1* f = openMainWindow();
    EXPECT_EQ(f->PageControl1->currentWidget(), f->TabSheet1);
    EXPECT_FALSE(f->IsPlaying);
    EXPECT_FALSE(f->IsRecording);
    EXPECT_FALSE(f->PlayPaused);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(f->statusText(i), "");
    EXPECT_TRUE(f->OpenDialogFilter.startsWith("Wav files (*.wav)|*.wav|MPEG files"));
    EXPECT_TRUE(f->OpenDialogFilter.endsWith("|WMA files (*.wma)|*.wma|All Files (*.*)|*.*"));
    EXPECT_TRUE(f->OpenDialogFilter.contains("*.g726|CCUIT G721 files (*.g721)"));
    EXPECT_EQ(f->OpenDialogFilter.count('|'), 2 * 14 - 1);   // fourteen choices
    EXPECT_EQ(f->ComboBox1->currentText(), "1024");
    EXPECT_FALSE(f->NCTPlayButtonB1->Mute());

    // A second show (after hiding) does not run the start-up steps again.
    f->OpenDialogFilter.clear();
    f->ComboBox1->setCurrentIndex(2);
    f->hide();
    f->show();
    pumpEvents();
    EXPECT_TRUE(f->OpenDialogFilter.isEmpty());
    EXPECT_EQ(f->ComboBox1->currentIndex(), 2);
}

TEST_F(WindowLife, ExitClosesTheWindow)
{
    TForm1* f = openMainWindow();
    ASSERT_TRUE(f->isVisible());
    f->Exit1->trigger();
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(WindowLife, ClosingRunsTheClosingStepsOnce)
{
    TForm1* f = openMainWindow();
    f->close();
    EXPECT_FALSE(f->isVisible());
    ASSERT_TRUE(folder.exists("setup.ini"));
    EXPECT_TRUE(folder.read("setup.ini").contains("timelimit"));
    // A second close (and a direct call) must not write again.
    folder.write("setup.ini", "[options]\nkeep=1\n");
    f->show();
    f->close();
    f->FormClose();
    EXPECT_EQ(folder.read("setup.ini"), QByteArray("[options]\nkeep=1\n"));
}

TEST_F(WindowLife, PanelMuteStartsAsOutputLineOne)
{
    TForm1* f = openMainWindow(false);
    f->NCTPlayButtonB1->setMute(true);
    ASSERT_TRUE(f->NCTPlayButtonB1->Mute());
    f->NCTPlayButtonB1->setMute(false);
    ASSERT_NE(virtualBackend(), nullptr);
    auto lines = VirtualBackend::defaultMixerLines(false, 3);
    lines[0].switchValue = false;
    lines[1].switchValue = true;
    virtualBackend()->setMixerLines(false, virtualBackend()->defaultOutputDevice(), lines);
    f->show();
    pumpEvents();
    EXPECT_TRUE(f->NCTPlayButtonB1->Mute());
    EXPECT_EQ(messages.count(), 0) << messages.texts().join("; ").toStdString();
}

TEST_F(WindowLife, AMixerWithoutLineOneLeavesThePanelUnmuted)
{
    TForm1* f = openMainWindow(false);
    ASSERT_NE(virtualBackend(), nullptr);
    auto lines = VirtualBackend::defaultMixerLines(false, 1);
    lines[0].switchValue = true;
    virtualBackend()->setMixerLines(false, virtualBackend()->defaultOutputDevice(), lines);
    f->show();
    pumpEvents();
    EXPECT_FALSE(f->NCTPlayButtonB1->Mute());
    EXPECT_EQ(messages.count(), 0) << messages.texts().join("; ").toStdString();
}
