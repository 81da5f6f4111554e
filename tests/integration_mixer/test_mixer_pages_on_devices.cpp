// The mixer pages on the real sound stack: PortAudio's devices and the ALSA mixer behind them
// (through a PulseAudio server; test.sh starts a private one when none runs).
#include "app/Unit1.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/backends/PortAudioBackend.h"
#include "mixer/srcframe.h"
#include "support/SoundServerTest.h"
#include <QComboBox>
#include <QLabel>
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

class MixerOnDevices : public GuiTest {
protected:
    void SetUp() override
    {
        bool reachable = false;
        Pactl({QStringLiteral("info")}, &reachable);
        ASSERT_TRUE(reachable) << "no sound server is reachable (test.sh starts a private one)";
        backend = createPortAudioBackend();
        ASSERT_TRUE(backend) << "PortAudio found no device";
    }
    void TearDown() override { closeMainWindow(); }

    // What a page must show for a mixer: one strip per line, named after it.
    static void expectPageShows(QWidget* sheet, AudioMixer& mixer, const QString& prefix)
    {
        const int lines = mixer.lineCount();
        const QList<TsrcFrame*> strips = stripsOf(sheet);
        ASSERT_EQ(strips.size(), lines);
        for (int i = 0; i < strips.size(); ++i) {
            EXPECT_EQ(strips[i]->objectName(), prefix + QString::number(i));
            EXPECT_EQ(strips[i]->Label1->text(), mixer.lineName(i));
            EXPECT_EQ(strips[i]->TrackBar1->value(), 65535 - mixer.volume(i));
        }
    }

    std::unique_ptr<AudioBackend> backend;
};

TEST_F(MixerOnDevices, PagesShowTheDefaultDevicesAndTheirMixers)
{
    const QString sinkVolume = Pactl({QStringLiteral("get-sink-volume"), QStringLiteral("@DEFAULT_SINK@")});
    TForm1* f = openMainWindow(true, backend.get());   // FormShow lists devices, builds pages

    const int defaultOut = backend->defaultOutputDevice();
    const int defaultIn = backend->defaultInputDevice();
    ASSERT_GE(defaultOut, 0);
    EXPECT_EQ(f->AudioPlayer1->DeviceIndex(), defaultOut);
    EXPECT_EQ(f->DeviceCombo->currentData().toInt(), defaultOut);
    EXPECT_EQ(f->DeviceCombo->currentText(), backend->outputDevices().at(defaultOut).name);
    EXPECT_EQ(f->DeviceCombo->count(), backend->outputDevices().size());
    auto outMixer = backend->openMixer(defaultOut, false);
    EXPECT_GE(outMixer->lineCount(), 1);   // the sound server's master volume at least
    expectPageShows(f->TabSheet4, *outMixer, QStringLiteral("sf"));
    EXPECT_EQ(f->AudioPlayer1->srcLastIndex(), outMixer->lineCount() - 1);

    if (defaultIn >= 0) {
        EXPECT_EQ(f->DeviceComboIn->currentData().toInt(), defaultIn);
        auto inMixer = backend->openMixer(defaultIn, true);
        expectPageShows(f->TabSheet3, *inMixer, QStringLiteral("sfr"));
    }
    // Showing the mixer changed nothing in it.
    EXPECT_EQ(Pactl({QStringLiteral("get-sink-volume"), QStringLiteral("@DEFAULT_SINK@")}), sinkVolume);
}

TEST_F(MixerOnDevices, ChoosingEveryOutputDeviceRebuildsItsPage)
{
    TForm1* f = openMainWindow(true, backend.get());
    for (int item = 0; item < f->DeviceCombo->count(); ++item) {
        const int device = f->DeviceCombo->itemData(item).toInt();
        SCOPED_TRACE(f->DeviceCombo->itemText(item).toStdString());
        f->DeviceCombo->setCurrentIndex(item);
        f->DeviceComboClick();
        EXPECT_EQ(f->AudioPlayer1->DeviceIndex(), device);
        auto mixer = backend->openMixer(device, false);
        expectPageShows(f->TabSheet4, *mixer, QStringLiteral("sf"));
    }
}

} // namespace
