// Recordings that start and stop by themselves, on the main window: section [trigger] of
// setup.ini, the dialog and its checks, the waiting shown in the status bar and on the meters,
// and a start time that arms the program at start-up and is used once.
#include "app/Unit1.h"
#include "engine/backends/VirtualBackend.h"
#include "engine/controls/TNCTAmpBar2.h"
#include "platform/Ini.h"
#include "settings/trigger.h"
#include "support/GuiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <cmath>

namespace {

class TriggerWindow : public GuiTest {
protected:
    TriggerWindow() { RecordingSettings = TRecordingSettings{}; }
    ~TriggerWindow() override { RecordingSettings = TRecordingSettings{}; }

    TForm1* start(const QByteArray& setupIni, bool show)
    {
        folder.write("setup.ini", setupIni);
        TForm1* f = openMainWindow(false, nullptr, false);
        f->Session->setWallClock([this] { return now; });
        if (show)
            f->show();
        return f;
    }
    IniFile ini() const { return IniFile(folder.file("setup.ini")); }

    QDateTime now{QDate(2024, 3, 1), QTime(10, 0)};
};

TEST_F(TriggerWindow, MalformedKeysReadAsDefaultsAndTheDialogChecksItsFields)
{
    TForm1* f = start("[trigger]\nsound=yes\nlevel=5\npreroll=31\nsilence=-1\nonsilence=later\nstart=25:00\n"
                      "stop=7:30\nextra=kept\n",
                      true);
    const TRecordingSettings& s = RecordingSettings;
    EXPECT_EQ(s.TriggerSound, 0);
    EXPECT_EQ(s.TriggerLevel, -40);
    EXPECT_EQ(s.TriggerPreroll, 2);
    EXPECT_EQ(s.TriggerSilence, 0);
    EXPECT_EQ(s.TriggerOnSilence, "stop");
    EXPECT_EQ(s.TriggerStart, "");
    EXPECT_EQ(s.TriggerStop, "7:30");
    EXPECT_FALSE(f->Session->isArmed());
    EXPECT_TRUE(f->ToolBtnTrigger->isChecked());   // a stop time is set

    QStringList boxes;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TTriggerForm*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        seen = true;
        EXPECT_EQ(d->windowTitle(), "Авто старт");
        EXPECT_FALSE(d->CBSound->isChecked());
        EXPECT_EQ(d->EditLevel->text(), "-40");
        EXPECT_EQ(d->EditPreroll->text(), "2");
        EXPECT_FALSE(d->EditPreroll->isEnabled());
        EXPECT_TRUE(d->RBStop->isChecked());
        EXPECT_FALSE(d->CBStart->isChecked());
        EXPECT_EQ(d->EditStop->text(), "07:30:00");
        // Each bad value: the Information box, the dialog stays open with nothing taken.
        const auto ok = [&](QLineEdit* edit, const QString& text) {
            edit->setText(text);
            d->BtnOK->click();
            if (!messages.shown().empty())
                boxes << messages.last().title + ": " + messages.last().text;
            messages.clear();
            EXPECT_TRUE(d->isVisible());
        };
        ok(d->EditLevel, "abc");
        ok(d->EditLevel, "-70");
        d->EditLevel->setText("-35");
        d->CBStart->click();
        ok(d->EditStart, "12:61");
        d->EditStart->setText("6:05");
        d->CBSound->click();
        d->RBPause->click();
        d->EditSilence->setText("4");
        d->BtnOK->click();
    });
    f->Trigger1->trigger();
    ASSERT_TRUE(seen);
    EXPECT_EQ(boxes, (QStringList{"Information: Please input correct integer number!",
                                  "Information: The threshold must be from -60 to 0!",
                                  "Information: Please input a correct time (HH:MM or HH:MM:SS)!"}));
    EXPECT_EQ(ini().ReadString("trigger", "start", "?"), "06:05:00");
    EXPECT_EQ(ini().ReadString("trigger", "onsilence", "?"), "pause");
    EXPECT_EQ(ini().ReadInteger("trigger", "level", 0), -35);
    EXPECT_EQ(ini().ReadInteger("trigger", "silence", 0), 4);
    EXPECT_EQ(ini().ReadString("trigger", "extra", "?"), "kept");

    // The start time arms the program at once; it has passed today, so it is tomorrow's.
    ASSERT_TRUE(f->Session->isArmed());
    EXPECT_EQ(f->statusText(0), "Waiting...");
    EXPECT_EQ(f->statusText(1), "Запись начнётся завтра в 06:05:00");
    f->Stop1->trigger();
    EXPECT_FALSE(f->Session->isArmed());
    EXPECT_EQ(f->statusText(0), "Stop");
    EXPECT_EQ(ini().ReadString("trigger", "start", "?"), "");   // the stop command cleared it
    EXPECT_EQ(ini().ReadString("trigger", "stop", "?"), "");
    EXPECT_EQ(f->PageControl1->currentWidget(), f->TabSheet1);   // nothing was recorded
}

TEST_F(TriggerWindow, StartTimeFoundAtStartUpArmsWaitsForSoundAndIsUsedOnce)
{
    TForm1* f = start("[options]\nsaveformat=.wav\n[wav]\nfreq=8000\n[tips]\nshowtip=0\n"
                      "[trigger]\nsound=1\nlevel=-30\npreroll=1\nstart=10:00:05\n",
                      false);
    VirtualBackend* audio = virtualBackend();
    audio->setInputSilence();
    f->show();
    ASSERT_TRUE(f->Session->isArmed());
    EXPECT_EQ(f->statusText(0), "Waiting...");
    EXPECT_EQ(f->statusText(1), "Запись начнётся в 10:00:05");

    now = now.addSecs(5);
    f->Session->clockTick();
    EXPECT_EQ(ini().ReadString("trigger", "start", "?"), "");
    EXPECT_EQ(f->statusText(1), "Ожидание звука выше -30 дБ");
    EXPECT_EQ(f->NCTAmpBar1->MarkDb(), -30.0);
    audio->advanceAndProcess(2000, 20);
    EXPECT_FALSE(f->IsRecording);
    audio->setInputSine(1000, 0.5);
    audio->advanceAndProcess(1000, 20);
    ASSERT_TRUE(f->IsRecording);
    EXPECT_EQ(f->statusText(0), "Recording...");
    EXPECT_TRUE(f->statusText(1).endsWith("Untitled1.wav"));
    f->Stop1->trigger();
    EXPECT_TRUE(std::isnan(f->NCTAmpBar1->MarkDb()));
    EXPECT_TRUE(folder.exists("Recording/Untitled1.wav"));
    EXPECT_FALSE(f->Session->isArmed());   // the time was used: nothing waits any more
}

} // namespace
