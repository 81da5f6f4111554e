// The equaliser switch and dialog, and the selectors of the signal picture.
#include "MixerFixture.h"
#include "engine/TAudioPlayer2.h"
#include "engine/controls/TAudioVisualization2.h"
#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTTimeDisplay2.h"
#include "engine/controls/TNCTEqualizer2.h"
#include "mixer/Unit2.h"
#include "settings/RecordingSettings.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <set>
#include <cmath>
#include <vector>

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

TEST_F(Equalizer, FirstBandMoveTurnsTheGrayedSwitchOn)
{
    QCheckBox* sw = form().chEqualizer;
    form().AudioPlayer1->setEqualizerEnabled(false);
    frmEQ->NCTEqualizer1->userSetBand(5, 6.0f);
    EXPECT_EQ(sw->checkState(), Qt::Checked);
    EXPECT_TRUE(form().AudioPlayer1->EqualizerEnabled());

    // Later moves leave the switch as the user set it.
    sw->click();
    ASSERT_EQ(sw->checkState(), Qt::Unchecked);
    frmEQ->NCTEqualizer1->userSetBand(7, -3.0f);
    EXPECT_EQ(sw->checkState(), Qt::Unchecked);
    EXPECT_FALSE(form().AudioPlayer1->EqualizerEnabled());
    sw->click();
    EXPECT_EQ(sw->checkState(), Qt::Checked);
}


TEST_F(Equalizer, PictureSelectorsSetTheDisplay)
{
    form().ComboBox1->setCurrentIndex(2);
    form().ComboBox1Click();
    EXPECT_EQ(form().AudioVisualization1->WindowArraySize(), 4096);
    form().ComboBox1->setCurrentIndex(0);
    form().ComboBox1Click();
    EXPECT_EQ(form().AudioVisualization1->WindowArraySize(), 256);

    form().ComboBox2->setCurrentIndex(4);
    form().ComboBox2Click();
    EXPECT_EQ(form().AudioVisualization1->WindowFFTType(), 4);
    form().ComboBox2->setCurrentIndex(0);
    form().ComboBox2Click();
    EXPECT_EQ(form().AudioVisualization1->WindowFFTType(), 0);

    form().RadioGroup1Buttons->buttons().at(5)->click();
    EXPECT_EQ(form().AudioVisualization1->VisType(), 5);
    form().RadioGroup1Buttons->buttons().at(0)->click();
    EXPECT_EQ(form().AudioVisualization1->VisType(), 0);
}

TEST_F(Equalizer, EveryBandReachesThePlayerWhicheverMoved)
{
    // Band 6 (1 kHz) is raised without an event; then band 1 moves. The push carries all
    // twelve bands, so a 1 kHz tone comes out about four times louder (+12 dB).
    frmEQ->NCTEqualizer1->setBand(6, 12.0f);
    frmEQ->NCTEqualizer1->userSetBand(1, -1.0f);
    TAudioPlayer2* player = form().AudioPlayer1;
    ASSERT_TRUE(player->EqualizerEnabled());

    constexpr int rate = 8000;
    std::vector<float> tone(rate);
    for (int i = 0; i < rate; ++i)
        tone[static_cast<std::size_t>(i)] = 0.1f * static_cast<float>(std::sin(2.0 * M_PI * 1000.0 * i / rate));
    backend.setKeepOutput(true);
    player->SetFormat(rate, 1);
    player->Play();
    SampleArray block(1, std::move(tone));
    player->PlayArray(block);
    backend.advance(1000);
    player->Stop();

    const std::vector<float> out = backend.output();
    ASSERT_GE(out.size(), static_cast<std::size_t>(rate));
    float peak = 0.0f;
    for (std::size_t i = out.size() / 2; i < out.size(); ++i)
        peak = std::max(peak, std::fabs(out[i]));
    EXPECT_NEAR(peak, 0.1f * 3.98f, 0.06f);
}

TEST_F(Equalizer, EqualizerButtonShowsTheDialog)
{
    form().ToolBtnEqualizerClick();
    EXPECT_TRUE(frmEQ->isVisible());
    frmEQ->BtnClose->click();
    EXPECT_FALSE(frmEQ->isVisible());
}

// Each style's button has room for its whole caption, and no caption runs into the button of
// the next column (the font decides their widths).
TEST_F(Equalizer, StyleButtonsHoldTheirCaptionsSideBySide)
{
    const QList<QAbstractButton*> buttons = form().RadioGroup1Buttons->buttons();
    ASSERT_EQ(buttons.size(), 6);
    for (QAbstractButton* b : buttons) {
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
        for (QAbstractButton* other : buttons) {
            if (other != b) {
                EXPECT_FALSE(b->geometry().intersects(other->geometry())) << b->text().toStdString() << " / " << other->text().toStdString();
            }
        }
    }
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

// The picture of a recording follows its rate: the virtual input's 1 kHz tone recorded at
// 8, 22.05, 44.1 and 48 kHz peaks at 1 kHz on the scale of the line spectrum.
TEST_F(MixerTest, ToneSpectrumPeaksAtItsFrequencyOnTheScaleAtEveryRate)
{
    TForm1& form = *open(true);
    form.TimerTip->stop();
    struct Restore { ~Restore() { RecordingSettings = TRecordingSettings{}; } } restore;
    RecordingSettings.SavePath = folder.path() + QStringLiteral("Recording/");
    form.ComboBox1->setCurrentIndex(2);   // 4096 points: bins finer than a column
    form.ComboBox1Click();
    form.RadioGroup1Buttons->button(1)->click();   // "Линейный"
    TAudioVisualization2* picture = form.AudioVisualization1;
    for (const int rate : {8000, 22050, 44100, 48000}) {
        RecordingSettings.SaveFormat = rate == 48000 ? QStringLiteral(".flac") : QStringLiteral(".wav");
        RecordingSettings.WavFrequency = rate;
        RecordingSettings.FlacFrequency = rate;
        form.PageControl1->setCurrentIndex(0);
        form.Record1->trigger();
        backend.advanceAndProcess(1000, 20);
        const QImage shown = picture->grab().toImage().convertToFormat(QImage::Format_RGB32);
        form.Stop1->trigger();
        // The highest point of the line (either channel's colour, bright).
        int top = shown.height(), first = -1, last = -1;
        for (int x = 0; x < shown.width(); ++x)
            for (int y = 0; y < top + 1 && y < shown.height(); ++y) {
                const QRgb c = shown.pixel(x, y);
                if (std::max(qRed(c), qGreen(c)) < 160 || qBlue(c) > 100)
                    continue;
                if (y < top)
                    top = y, first = x;
                last = x;
                break;
            }
        ASSERT_GE(first, 0) << rate << " Hz: no spectrum drawn";
        const double peak = picture->frequencyAt((first + last) / 2.0 + 0.5);
        EXPECT_NEAR(std::log(peak / 1000.0), 0.0, std::log(1.04)) << rate << " Hz: the peak is at " << peak << " Hz";
    }
}

// While a recording runs, a tick repaints the picture and the meters (their own faces, never
// the window behind them) and, once a second, the clock's digits that changed; nothing else
// in the window paints.
TEST_F(MixerTest, RecordingTicksRepaintOnlyWhatChanges)
{
    TForm1& form = *open(true);
    form.TimerTip->stop();
    struct Restore { ~Restore() { RecordingSettings = TRecordingSettings{}; } } restore;
    RecordingSettings.SavePath = folder.path() + QStringLiteral("Recording/");
    RecordingSettings.SaveFormat = QStringLiteral(".wav");
    form.Record1->trigger();
    backend.advanceAndProcess(1500, 20);
    // What the start of the recording left to paint is painted now: the platform delivers a
    // window's update on a timer of its own, which a loaded machine may not have run yet.
    form.repaint();
    QCoreApplication::processEvents();

    struct Paints : QObject {
        std::map<QWidget*, std::vector<QRect>> seen;   // the bounding box of each paint
        bool eventFilter(QObject* o, QEvent* e) override
        {
            if (e->type() == QEvent::Paint && o->isWidgetType())
                seen[static_cast<QWidget*>(o)].push_back(static_cast<QPaintEvent*>(e)->region().boundingRect());
            return false;
        }
    } paints;
    qApp->installEventFilter(&paints);
    backend.advanceAndProcess(1500, 20);
    form.SessionDiskRoom(7 * 3600, qint64(1) << 32);   // another program wrote to the disk
    backend.advanceAndProcess(1500, 20);
    qApp->removeEventFilter(&paints);
    form.Stop1->trigger();

    QWidget* clock = form.NCTTimeDisplay1->findChild<QWidget*>();
    // (And the disk panel when the room it shows changes: it keeps its width, so it alone.)
    const std::set<QWidget*> expected = {form.AudioVisualization1, form.NCTAmpBar1->findChild<QWidget*>(),
                                         form.NCTAmpBar2->findChild<QWidget*>(), clock,
                                         form.findChild<QLabel*>(QStringLiteral("DiskPanel"))};
    for (const auto& [widget, boxes] : paints.seen)
        EXPECT_TRUE(expected.count(widget)) << widget->metaObject()->className() << " \"" << widget->objectName().toStdString()
                                            << "\" painted " << boxes.size() << " times";
    ASSERT_TRUE(paints.seen.count(clock));
    const std::vector<QRect>& clockPaints = paints.seen[clock];
    EXPECT_LE(clockPaints.size(), 3u);
    for (const QRect& box : clockPaints)   // the last digit, or the last two
        EXPECT_LT(box.width(), clock->width() / 3) << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
}

} // namespace
