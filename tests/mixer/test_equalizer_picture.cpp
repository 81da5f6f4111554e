// The equaliser switch and dialog, and the selectors of the signal picture.
#include "MixerFixture.h"
#include "engine/TAudioPlayer2.h"
#include "engine/controls/TAudioVisualization2.h"
#include "engine/controls/TNCTEqualizer2.h"
#include "mixer/Unit2.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class Equalizer : public MixerTest {
protected:
    void SetUp() override { f = open(); }
    TForm1& form() { return *f; }
    TForm1* f = nullptr;
};

TEST_F(Equalizer, DialogDesign)
{
    EXPECT_EQ(frmEQ->windowTitle(), QStringLiteral("Эквалайзер"));
    EXPECT_EQ(frmEQ->size(), QSize(340, 160));
    EXPECT_TRUE(frmEQ->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(frmEQ->NCTEqualizer1->geometry(), QRect(0, 0, 340, 118));
    EXPECT_EQ(frmEQ->BtnClose->geometry(), QRect(136, 128, 75, 25));
    EXPECT_EQ(frmEQ->BtnClose->text(), QStringLiteral("Закрыть"));
}

TEST_F(Equalizer, SwitchLeavesGrayOnTheFirstClickAndNeverReturns)
{
    QCheckBox* sw = form().chEqualizer;
    ASSERT_EQ(sw->checkState(), Qt::PartiallyChecked);
    form().AudioPlayer1->setEqualizerEnabled(false);
    sw->click();
    EXPECT_EQ(sw->checkState(), Qt::Checked);
    EXPECT_TRUE(form().AudioPlayer1->EqualizerEnabled());
    sw->click();
    EXPECT_EQ(sw->checkState(), Qt::Unchecked);
    EXPECT_FALSE(form().AudioPlayer1->EqualizerEnabled());
    sw->click();
    EXPECT_EQ(sw->checkState(), Qt::Checked);
    EXPECT_TRUE(form().AudioPlayer1->EqualizerEnabled());
    sw->click();
    sw->click();
    EXPECT_EQ(sw->checkState(), Qt::Checked);
}

TEST_F(Equalizer, EqualizerButtonShowsTheDialog)
{
    form().ToolBtnEqualizerClick();
    EXPECT_TRUE(frmEQ->isVisible());
    frmEQ->BtnClose->click();
    EXPECT_FALSE(frmEQ->isVisible());
}

TEST_F(Equalizer, PictureFeedReleasesTheArray)
{
    SampleArray block(2, 2048);
    form().ShowPicture(block);
    EXPECT_TRUE(block.isEmpty());
    SampleArray empty;
    form().ShowPicture(empty);   // clears the picture
    EXPECT_TRUE(empty.isEmpty());
}

} // namespace
