// The mixer pages: strips built from the engine's lines, their handlers, the advanced dialog.
#include "MixerFixture.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "mixer/Unit5.h"
#include "mixer/srcframe.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QList<TsrcFrame*> stripsOf(QWidget* sheet)
{
    QList<TsrcFrame*> list;
    for (QObject* child : sheet->children())
        if (auto* strip = qobject_cast<TsrcFrame*>(child))
            list.append(strip);
    return list;
}

using MixerPages = MixerTest;

TEST_F(MixerPages, MixerWithoutLinesGetsNoStripAndOneLineGetsOne)
{
    backend.setMixerLines(false, 0, {});
    backend.setMixerLines(true, 0, namedLines(1));
    TForm1* w = open();
    w->BuildOutputMixer();
    w->BuildInputMixer();
    EXPECT_TRUE(stripsOf(w->TabSheet4).isEmpty());
    // A sound server's device offers a single line, its master volume: it gets its strip.
    const QList<TsrcFrame*> in = stripsOf(w->TabSheet3);
    ASSERT_EQ(in.size(), 1);
    // Under the second input's row, ending where the output page's strips end: inside the
    // page at the window's first size, its button inside the strip.
    EXPECT_EQ(in[0]->geometry(), QRect(0, 54, 81, 158));
    pumpEvents();
    EXPECT_LE(in[0]->geometry().bottom(), w->TabSheet3->height());
    EXPECT_LE(in[0]->Button1->geometry().bottom(), in[0]->Panel1->geometry().bottom());
    EXPECT_EQ(in[0]->objectName(), QStringLiteral("sfr0"));
    // The page headers stay.
    EXPECT_EQ(w->DeviceCombo->parentWidget(), w->TabSheet4);
    EXPECT_EQ(w->btnSetFilter->parentWidget(), w->TabSheet3);

    // A rebuild for a mixer without lines takes the strip away again.
    backend.setInputDevices({{QStringLiteral("In 0"), true}, {QStringLiteral("In 1"), true}}, 0);
    backend.setMixerLines(true, 1, {});
    w->AudioRecord1->setDeviceIndex(1);
    w->BuildInputMixer();
    EXPECT_TRUE(stripsOf(w->TabSheet3).isEmpty());
}

TEST_F(MixerPages, FourLinesGiveFourStripsSideBySideAndWidenTheWindow)
{
    auto lines = namedLines(4);
    lines[1].volume = 1000;
    lines[1].balance = 20;
    lines[2].volumeEnabled = false;
    lines[2].balanceEnabled = false;
    lines[2].switchEnabled = false;
    lines[3].switchValue = true;
    lines[3].advanced = {{QStringLiteral("Loudness"), QVariant(true)}};
    backend.setMixerLines(false, 0, lines);
    backend.setMixerLines(true, 0, lines);
    TForm1* w = open();
    w->resize(300, 428);
    backend.mixerWrites = 0;

    w->BuildOutputMixer();
    const QList<TsrcFrame*> out = stripsOf(w->TabSheet4);
    ASSERT_EQ(out.size(), 4);
    const int lefts[] = {0, 79, 158, 237};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(out[i]->objectName(), QStringLiteral("sf%1").arg(i));
        EXPECT_EQ(out[i]->geometry(), QRect(lefts[i], 26, 81, 186));
        EXPECT_EQ(out[i]->Label1->text(), QStringLiteral("Line %1").arg(i));
        EXPECT_EQ(controlTag(out[i]->TrackBar1), i);
        EXPECT_EQ(controlTag(out[i]->TrackBar2), i);
        EXPECT_EQ(controlTag(out[i]->CheckBox1), i);
        EXPECT_EQ(controlTag(out[i]->Button1), i);
        EXPECT_EQ(out[i]->CheckBox1->text(), QStringLiteral("Тихо"));
    }
    EXPECT_GE(w->width(), 335);
    EXPECT_EQ(out[1]->TrackBar1->value(), 65535 - 1000);
    EXPECT_EQ(out[1]->TrackBar2->value(), 20);
    EXPECT_TRUE(out[1]->TrackBar1->isEnabled());
    EXPECT_FALSE(out[2]->TrackBar1->isEnabled());
    EXPECT_FALSE(out[2]->TrackBar2->isEnabled());
    EXPECT_FALSE(out[2]->CheckBox1->isEnabled());
    EXPECT_TRUE(out[3]->CheckBox1->isChecked());
    EXPECT_TRUE(out[0]->Button1->isHidden());
    EXPECT_FALSE(out[3]->Button1->isHidden());

    w->BuildInputMixer();
    const QList<TsrcFrame*> in = stripsOf(w->TabSheet3);
    ASSERT_EQ(in.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(in[i]->objectName(), QStringLiteral("sfr%1").arg(i));
        EXPECT_EQ(in[i]->CheckBox1->text(), QStringLiteral("Select"));
        EXPECT_EQ(in[i]->x(), lefts[i]);
    }
    EXPECT_TRUE(in[3]->CheckBox1->isChecked());
    // Building shows the mixer; it changes nothing in it.
    EXPECT_EQ(backend.mixerWrites, 0);
}

TEST_F(MixerPages, WindowNeverShrinksWhenAPageIsBuilt)
{
    backend.setMixerLines(false, 0, namedLines(3));
    TForm1* w = open();
    w->resize(900, 428);
    w->BuildOutputMixer();
    EXPECT_EQ(w->width(), 900);
}

TEST_F(MixerPages, DeviceChangeRebuildsThePageWithUniqueStripNames)
{
    backend.setOutputDevices({{QStringLiteral("Card A"), true}, {QStringLiteral("Card B"), true}}, 0);
    backend.setMixerLines(false, 0, namedLines(3));
    auto other = namedLines(5);
    other[4].name = QStringLiteral("Only on B");
    backend.setMixerLines(false, 1, other);
    TForm1* w = open();
    w->FillOutputDevices();
    w->BuildOutputMixer();
    ASSERT_EQ(stripsOf(w->TabSheet4).size(), 3);

    w->DeviceCombo->setCurrentIndex(1);
    w->DeviceComboClick();
    EXPECT_EQ(w->AudioPlayer1->DeviceIndex(), 1);
    const QList<TsrcFrame*> strips = stripsOf(w->TabSheet4);
    ASSERT_EQ(strips.size(), 5);
    QSet<QString> names;
    for (QObject* child : w->TabSheet4->findChildren<QObject*>())
        if (!child->objectName().isEmpty() && qobject_cast<TsrcFrame*>(child))
            names.insert(child->objectName());
    EXPECT_EQ(names.size(), 5);
    EXPECT_EQ(strips[4]->Label1->text(), QStringLiteral("Only on B"));
    // The header controls are still on the page.
    EXPECT_EQ(w->DeviceCombo->parentWidget(), w->TabSheet4);
    EXPECT_EQ(w->chEqualizer->parentWidget(), w->TabSheet4);

    // And back again.
    w->DeviceCombo->setCurrentIndex(0);
    w->DeviceComboClick();
    EXPECT_EQ(stripsOf(w->TabSheet4).size(), 3);
}

TEST_F(MixerPages, VolumeSliderWritesItsLineAndShowsTheValue)
{
    backend.setMixerLines(false, 0, namedLines(3));
    backend.setMixerLines(true, 0, namedLines(3));
    TForm1* w = open();
    w->BuildOutputMixer();
    w->BuildInputMixer();

    QSlider* outVolume = stripsOf(w->TabSheet4)[2]->TrackBar1;
    outVolume->setValue(outVolume->minimum());   // the top of the slider
    EXPECT_EQ(backend.mixerLines(false, 0)[2].volume, 65535);
    EXPECT_EQ(outVolume->toolTip(), QStringLiteral("65535"));
    EXPECT_EQ(backend.mixerLines(false, 0)[1].volume, namedLines(3)[1].volume);

    outVolume->setValue(outVolume->maximum());   // the bottom
    EXPECT_EQ(backend.mixerLines(false, 0)[2].volume, 0);
    EXPECT_EQ(outVolume->toolTip(), QStringLiteral("0"));

    QSlider* inVolume = stripsOf(w->TabSheet3)[1]->TrackBar1;
    inVolume->setValue(65535 - 12345);
    EXPECT_EQ(backend.mixerLines(true, 0)[1].volume, 12345);
    EXPECT_EQ(inVolume->toolTip(), QStringLiteral("12345"));
}

TEST_F(MixerPages, BalanceAndMuteWriteTheirLine)
{
    backend.setMixerLines(false, 0, namedLines(3));
    backend.setMixerLines(true, 0, namedLines(3));
    TForm1* w = open();
    w->BuildOutputMixer();
    w->BuildInputMixer();

    stripsOf(w->TabSheet4)[1]->TrackBar2->setValue(80);
    EXPECT_EQ(backend.mixerLines(false, 0)[1].balance, 80);
    stripsOf(w->TabSheet3)[2]->TrackBar2->setValue(0);
    EXPECT_EQ(backend.mixerLines(true, 0)[2].balance, 0);

    stripsOf(w->TabSheet4)[2]->CheckBox1->click();
    EXPECT_TRUE(backend.mixerLines(false, 0)[2].switchValue);
    EXPECT_FALSE(backend.mixerLines(false, 0)[1].switchValue);
    stripsOf(w->TabSheet4)[2]->CheckBox1->click();
    EXPECT_FALSE(backend.mixerLines(false, 0)[2].switchValue);
}

TEST_F(MixerPages, ChoosingAnInputSourceUnticksTheLineTheMixerDeselected)
{
    auto lines = namedLines(3);
    lines[1].switchValue = true;
    backend.setMixerLines(true, 0, lines);
    backend.exclusiveSelect = true;
    TForm1* w = open();
    w->BuildInputMixer();
    const QList<TsrcFrame*> in = stripsOf(w->TabSheet3);
    ASSERT_EQ(in.size(), 3);
    ASSERT_TRUE(in[1]->CheckBox1->isChecked());

    in[2]->CheckBox1->click();
    EXPECT_TRUE(in[2]->CheckBox1->isChecked());
    EXPECT_FALSE(in[1]->CheckBox1->isChecked());
    EXPECT_FALSE(in[0]->CheckBox1->isChecked());
    EXPECT_TRUE(backend.mixerLines(true, 0)[2].switchValue);
    EXPECT_FALSE(backend.mixerLines(true, 0)[1].switchValue);

    // Unticking the only source: the card keeps recording from it, and the box shows that.
    in[2]->CheckBox1->click();
    EXPECT_TRUE(in[2]->CheckBox1->isChecked());
    EXPECT_TRUE(backend.mixerLines(true, 0)[2].switchValue);
}

TEST_F(MixerPages, AdvancedButtonOpensTheDialogForItsLine)
{
    auto lines = namedLines(3);
    lines[2].name = QStringLiteral("Mic");
    lines[2].advanced = {{QStringLiteral("Boost"), QVariant(true)},
                         {QStringLiteral("Gain"), QVariant(30000)}};
    backend.setMixerLines(true, 0, lines);
    TForm1* w = open();
    w->BuildInputMixer();

    QString caption;
    QStringList texts;
    bool input = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TfrmAdv*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        input = dialog->IsInput;
        if (auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("ch0")))
            texts << box->text();
        dialog->accept();
    });
    stripsOf(w->TabSheet3)[2]->Button1->click();
    EXPECT_EQ(caption, QStringLiteral("Advanced Properties for Mic"));
    EXPECT_TRUE(input);
    EXPECT_EQ(texts, QStringList{QStringLiteral("1 Boost")});
    // The dialog was freed when it closed.
    EXPECT_EQ(w->findChildren<TfrmAdv*>().size(), 1);   // only the permanent one
}

TEST_F(MixerPages, AdvancedDialogBuildsSwitchesAndLevels)
{
    auto lines = namedLines(2);
    lines[1].name = QStringLiteral("Master");
    lines[1].advanced = {{QStringLiteral("Loudness"), QVariant(true)},
                         {QStringLiteral("Bass"), QVariant(20000)},
                         {QStringLiteral("Treble"), QVariant(40000)}};
    backend.setMixerLines(false, 0, lines);
    TForm1* w = open();
    w->AudioPlayer1->setSrcIndex(1);
    backend.mixerWrites = 0;

    TfrmAdv dialog(w);
    dialog.IsInput = false;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Advanced Properties for Master"));
    auto* ch0 = dialog.findChild<QCheckBox*>(QStringLiteral("ch0"));
    auto* tb1 = dialog.findChild<QSlider*>(QStringLiteral("tb1"));
    auto* tb2 = dialog.findChild<QSlider*>(QStringLiteral("tb2"));
    ASSERT_TRUE(ch0 && tb1 && tb2);
    EXPECT_EQ(ch0->text(), QStringLiteral("1 Loudness"));
    EXPECT_TRUE(ch0->isChecked());
    EXPECT_EQ(ch0->geometry(), QRect(16, 80, 220, 17));
    EXPECT_EQ(tb1->value(), 20000);
    EXPECT_EQ(tb1->maximum(), 65535);
    EXPECT_EQ(tb1->geometry(), QRect(16, 103, 109, 17));
    EXPECT_EQ(tb2->value(), 40000);
    bool labelled = false;
    for (QLabel* label : dialog.gbOther->findChildren<QLabel*>())
        if (label->text() == QStringLiteral("2 Bass") && label->x() == 145 && label->y() == 103)
            labelled = true;
    EXPECT_TRUE(labelled);
    EXPECT_EQ(dialog.findChild<QCheckBox*>(QStringLiteral("ch1")), nullptr);
    EXPECT_EQ(dialog.gbOther->height(), 2 * 23 + 113);
    EXPECT_EQ(dialog.btnClose->y(), dialog.gbOther->geometry().bottom() + 1 + 8);
    EXPECT_GT(dialog.height(), dialog.btnClose->geometry().bottom());
    EXPECT_EQ(backend.mixerWrites, 0);

    // The controls write back to the same line, even when the engine addresses another one.
    w->AudioPlayer1->setSrcIndex(0);
    ch0->click();
    tb2->setValue(123);
    EXPECT_EQ(backend.mixerLines(false, 0)[1].advanced[0].second, QVariant(false));
    EXPECT_EQ(backend.mixerLines(false, 0)[1].advanced[2].second.toInt(), 123);
    EXPECT_TRUE(backend.mixerLines(false, 0)[0].advanced.isEmpty());
}

TEST_F(MixerPages, AdvancedDialogOfALineWithoutControlsKeepsItsDesign)
{
    backend.setMixerLines(true, 0, namedLines(2));
    TForm1* w = open();
    w->AudioRecord1->setSrcIndex(0);
    TfrmAdv dialog(w);
    dialog.IsInput = true;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Advanced Properties for Line 0"));
    EXPECT_EQ(dialog.gbOther->geometry(), QRect(16, 56, 361, 105));
    EXPECT_EQ(dialog.btnClose->geometry(), QRect(300, 168, 75, 25));
}

TEST_F(MixerPages, PageHeadersFollowTheSheetWidth)
{
    TForm1* w = open();
    w->TabSheet3->resize(700, 300);
    w->TabSheet3Resize();
    EXPECT_EQ(w->btnSetFilter->x(), 700 - w->btnSetFilter->width() - 2);
    EXPECT_EQ(w->DeviceComboIn->geometry().right() + 1, w->btnSetFilter->x() - 4);

    w->TabSheet4->resize(700, 300);
    w->TabSheet4Resize();
    EXPECT_EQ(w->DeviceCombo->geometry().right() + 1, w->chEqualizer->x() - 8);
}

} // namespace
