// The device lists and mixer pages on the sound-server backend, on the server of the test
// command: lists that follow sinks loaded and unloaded, a recording whose sink goes away, and
// volume and mute between the pages and the server.
#include "app/Unit1.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/backends/PulseBackend.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "mixer/srcframe.h"
#include "settings/RecordingSettings.h"
#include "support/PrivateSoundServer.h"
#include "support/SoundServerTest.h"
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const QString kMonitorMark = QStringLiteral("Запись выхода: ");

TsrcFrame* strip(QWidget* sheet, const QString& name) { return sheet->findChild<TsrcFrame*>(name); }

class ServerPages : public SoundServerTest {
protected:
    void SetUp() override
    {
        SoundServerTest::SetUp();
        if (HasFatalFailure())
            return;
        sink = QStringLiteral("tavrin_pages_%1").arg(::getpid());
        module = loadSink(sink);
        ASSERT_TRUE(waitUntil([&] { return listed(sink); }, 3000));
    }
    bool listed(const QString& name) const
    {
        for (const AudioDeviceInfo& d : backend->outputDevices())
            if (d.name == name && d.available)
                return true;
        return false;
    }
    static void choose(QComboBox* combo, const QString& text)
    {
        const int item = combo->findText(text);
        ASSERT_GE(item, 0) << text.toStdString() << " is not listed";
        combo->setCurrentIndex(item);
    }
    TForm1* open()
    {
        TForm1* f = openMainWindow(true, backend.get(), false);
        choose(f->DeviceCombo, sink);
        f->DeviceComboClick();
        choose(f->DeviceComboIn, kMonitorMark + sink);
        f->DeviceComboInClick();
        return f;
    }

    QString sink, module, module2;
};

TEST_F(ServerPages, ListsFollowSinksLoadedAndUnloadedWithTheSelectionKept)
{
    TForm1* f = openMainWindow(true, backend.get(), false);
    // At start the server's defaults are selected.
    EXPECT_EQ(f->DeviceCombo->currentData().toInt(), backend->defaultOutputDevice());
    EXPECT_EQ(f->DeviceComboIn->currentData().toInt(), backend->defaultInputDevice());
    choose(f->DeviceCombo, sink);
    f->DeviceComboClick();
    choose(f->DeviceComboIn, kMonitorMark + sink);
    f->DeviceComboInClick();

    const QString second = sink + QStringLiteral("_2");
    module2 = loadSink(second);
    EXPECT_TRUE(waitUntil([&] { return f->DeviceCombo->findText(second) >= 0; }, 3000)) << "a new sink is not listed";
    EXPECT_TRUE(waitUntil([&] { return f->DeviceComboIn->findText(kMonitorMark + second) >= 0; }, 3000));
    EXPECT_EQ(f->DeviceCombo->currentText(), sink);
    EXPECT_EQ(f->DeviceComboIn->currentText(), kMonitorMark + sink);

    unloadSink(module2);
    EXPECT_TRUE(waitUntil([&] { return f->DeviceCombo->findText(second) < 0; }, 3000)) << "a sink that went is listed";
    EXPECT_TRUE(waitUntil([&] { return f->DeviceComboIn->findText(kMonitorMark + second) < 0; }, 3000));
    EXPECT_EQ(f->DeviceCombo->currentText(), sink);
    EXPECT_EQ(f->DeviceComboIn->currentText(), kMonitorMark + sink);
    EXPECT_EQ(f->AudioPlayer1->DeviceName(), sink);

    // The device in use goes away while nothing plays or records: the default takes its place.
    unloadSink(module);
    ASSERT_TRUE(waitUntil([&] { return f->DeviceCombo->findText(sink) < 0; }, 3000));
    EXPECT_EQ(f->DeviceCombo->currentData().toInt(), backend->defaultOutputDevice());
    EXPECT_EQ(f->AudioPlayer1->DeviceIndex(), backend->defaultOutputDevice());
    EXPECT_EQ(f->AudioRecord1->DeviceIndex(), backend->defaultInputDevice());
    ASSERT_TRUE(strip(f->TabSheet4, QStringLiteral("sf0")));
    EXPECT_EQ(strip(f->TabSheet4, QStringLiteral("sf0"))->Label1->text(),
              backend->outputDevices().at(backend->defaultOutputDevice()).name);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(ServerPages, UnloadingTheSinkBeingRecordedEndsTheRecordingWithOneMessage)
{
    TForm1* f = open();
    RecordingSettings.SavePath = folder.path() + QStringLiteral("Recording/");
    RecordingSettings.SaveFormat = QStringLiteral(".wav");
    RecordingSettings.WavFrequency = 44100;
    RecordingSettings.WavChannels = 2;
    RecordingSettings.WavBits = 16;
    f->Record1->trigger();
    ASSERT_TRUE(f->IsRecording);
    ASSERT_TRUE(waitUntil([&] { return f->AudioRecord1->CurrentSamples() > 66150; }, 6000)) << "nothing recorded";
    unloadSink(module);
    EXPECT_TRUE(waitUntil([&] { return !f->IsRecording; }, 5000)) << "the recording goes on without its device";
    waitUntil([] { return false; }, 500);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral("Recording stopped: the input device was lost")))
        << messages.last().text.toStdString();
    EXPECT_TRUE(messages.last().text.contains(sink)) << messages.last().text.toStdString();

    TAudioFile2 file;
    file.setActive(true);
    file.Open(RecordingSettings.SavePath + QStringLiteral("Untitled1.wav"), 0, 1);
    ASSERT_EQ(file.LastError(), 0) << "the recording's file does not open";
    EXPECT_GT(file.Length(), 44100);   // the second and a half recorded before the sink went
    file.Close();
    // Once the recording has ended, the input list gives way to the default.
    EXPECT_TRUE(waitUntil([&] { return f->AudioRecord1->DeviceIndex() == backend->defaultInputDevice(); }, 2000));
}

TEST_F(ServerPages, VolumeAndMuteGoBothWaysBetweenThePagesAndTheServer)
{
    TForm1* f = open();
    TsrcFrame* out = strip(f->TabSheet4, QStringLiteral("sf0"));
    TsrcFrame* in = strip(f->TabSheet3, QStringLiteral("sfr0"));
    ASSERT_TRUE(out && in);
    EXPECT_EQ(out->Label1->text(), sink);
    EXPECT_EQ(in->Label1->text(), kMonitorMark + sink);

    // From the pages to the server.
    out->TrackBar1->setValue(65535 - 19661);
    out->CheckBox1->setChecked(true);
    in->CheckBox1->setChecked(false);   // the input's switch records: off mutes the monitor
    const QString monitor = sink + QStringLiteral(".monitor");
    EXPECT_TRUE(waitUntil([&] {
        return Pactl({QStringLiteral("get-sink-volume"), sink}).contains(QStringLiteral(" 19661 /"));
    }, 3000)) << Pactl({QStringLiteral("get-sink-volume"), sink}).toStdString();
    EXPECT_EQ(Pactl({QStringLiteral("get-sink-mute"), sink}), QStringLiteral("Mute: yes"));
    EXPECT_EQ(Pactl({QStringLiteral("get-source-mute"), monitor}), QStringLiteral("Mute: yes"));
    out->TrackBar2->setValue(25);   // towards the left: the right channel is turned down
    EXPECT_TRUE(waitUntil([&] {
        return Pactl({QStringLiteral("get-sink-volume"), sink}).contains(QStringLiteral("balance -0.50"));
    }, 3000)) << Pactl({QStringLiteral("get-sink-volume"), sink}).toStdString();

    // From the server to the pages.
    Pactl({QStringLiteral("set-sink-volume"), sink, QStringLiteral("45875"), QStringLiteral("45875")});
    Pactl({QStringLiteral("set-sink-mute"), sink, QStringLiteral("0")});
    Pactl({QStringLiteral("set-source-mute"), monitor, QStringLiteral("0")});
    EXPECT_TRUE(waitUntil([&] { return out->TrackBar1->value() == 65535 - 45874; }, 3000)) << out->TrackBar1->value();
    EXPECT_TRUE(waitUntil([&] { return !out->CheckBox1->isChecked() && in->CheckBox1->isChecked(); }, 3000));
    EXPECT_EQ(out->TrackBar2->value(), 50);
    // Following the server wrote nothing back.
    EXPECT_TRUE(Pactl({QStringLiteral("get-sink-volume"), sink}).contains(QStringLiteral("balance 0.00")));
    EXPECT_EQ(messages.count(), 0);
}

// The transport panel's mute starts as the output device is: muted on a server whose default
// sink is muted, so that its first click is heard. (A server of the test's own: the default
// sink of the shared one stays as it is.)
class ServerPanel : public GuiTest {
protected:
    PrivateSoundServer server;
};

TEST_F(ServerPanel, TheMuteButtonStartsInStepWithTheOutputDevice)
{
    ASSERT_TRUE(server.started()) << server.error().toStdString();
    auto backend = createPulseBackend();
    ASSERT_TRUE(backend);
    for (const bool muted : {true, false}) {
        SCOPED_TRACE(muted ? "muted" : "not muted");
        bool ok = false;
        server.pactl({QStringLiteral("set-sink-mute"), QStringLiteral("tavrin_null"), muted ? QStringLiteral("1") : QStringLiteral("0")}, &ok);
        ASSERT_TRUE(ok);
        auto mixer = backend->openMixer(backend->defaultOutputDevice(), false);
        ASSERT_TRUE(waitUntil([&] { return mixer->switchValue(0) == muted; }, 3000));
        TForm1* f = openMainWindow(true, backend.get(), false);
        EXPECT_EQ(f->NCTPlayButtonB1->Mute(), muted);
        EXPECT_EQ(messages.count(), 0);
        closeMainWindow();
    }
}

} // namespace
