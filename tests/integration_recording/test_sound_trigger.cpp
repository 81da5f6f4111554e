// Start on sound on the sound server of the test command: the program armed by the record
// command listens to the monitor of a null sink of its own; a tone played into the sink after
// some seconds of silence starts the recording, and the file begins with the pre-roll.
#include "app/Unit1.h"
#include "engine/TAudioFile2.h"
#include "support/FileSamples.h"
#include "support/SoundServerTest.h"

#include <QComboBox>
#include <QProcess>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unistd.h>
#include <vector>

namespace {

class SoundTriggerOnServer : public SoundServerTest {
protected:
    void SetUp() override
    {
        SoundServerTest::SetUp();
        if (HasFatalFailure())
            return;
        sink = QStringLiteral("tavrin_trigger_%1").arg(::getpid());
        ASSERT_FALSE(loadSink(sink, {QStringLiteral("rate=44100")}).isEmpty());
    }

    QString sink;
};

TEST_F(SoundTriggerOnServer, ToneAfterSilenceStartsTheFileOneSecondOfPrerollEarly)
{
    folder.write("setup.ini", "[options]\nsaveformat=.wav\n[wav]\nfreq=44100\nch=2\nbps=16\n"
                              "[tips]\nshowtip=0\n[trigger]\nsound=1\nlevel=-30\npreroll=1\n");
    // One and a half seconds of a 1 kHz tone at half scale, to play into the sink.
    const QString tone = folder.file("tone.wav");
    {
        TAudioFile2 file;
        file.setActive(true);
        file.SetFormatPCM(44100, 2, 16);
        file.CreateNew(tone, 0);
        SampleArray block(2, 66150);
        for (int f = 0; f < block.frames(); ++f)
            block.data()[2 * f] = block.data()[2 * f + 1] = 0.5f * float(std::sin(2 * std::numbers::pi * 1000.0 * f / 44100));
        file.WriteArray(block);
        file.Close();
    }
    TForm1* f = openMainWindow(true, backend.get(), false);
    const QString monitor = QStringLiteral("Запись выхода: ") + sink;
    ASSERT_TRUE(waitUntil([&] { return f->DeviceComboIn->findText(monitor) >= 0; }, 5000)) << "the sink is not listed";
    f->DeviceComboIn->setCurrentIndex(f->DeviceComboIn->findText(monitor));
    f->DeviceComboInClick();

    f->Record1->trigger();
    ASSERT_TRUE(f->Session->isArmed());
    EXPECT_EQ(f->statusText(0), QStringLiteral("Waiting..."));
    waitUntil([] { return false; }, 3000);   // silence: the pre-roll fills, nothing starts
    ASSERT_TRUE(f->Session->isArmed());
    EXPECT_FALSE(folder.exists("Recording/Untitled1.wav"));

    QProcess player;
    player.start(QStringLiteral("pacat"), {QStringLiteral("--playback"), QStringLiteral("-d"), sink,
                                           QStringLiteral("--file-format=wav"), tone});
    ASSERT_TRUE(waitUntil([&] { return f->IsRecording; }, 10000)) << "the tone did not start the recording";
    ASSERT_TRUE(player.waitForFinished(10000));
    waitUntil([] { return false; }, 500);
    f->Stop1->trigger();
    ASSERT_FALSE(f->IsRecording);

    const std::vector<float> s = ChannelSamples(folder.file("Recording/Untitled1.wav"));
    const auto first = std::find_if(s.begin(), s.end(), [](float v) { return std::fabs(v) >= 0.0316f; }) - s.begin();
    ASSERT_LT(first, qint64(s.size())) << "the file holds no tone";
    // The tone begins a second (the pre-roll) into the file, after the silence before it.
    EXPECT_NEAR(double(first), 44100.0, 8820.0);
    EXPECT_GT(s.size(), std::size_t(first + 44100));
    EXPECT_EQ(messages.count(), 0);
}

} // namespace
