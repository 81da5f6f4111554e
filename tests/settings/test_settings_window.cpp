// setup.ini at start-up and close, the automatic-stop button, and the settings dialog driven
// through its handlers on the real main window.
#include "app/Unit1.h"
#include "engine/TAudioFile2.h"
#include "engine/backends/VirtualBackend.h"
#include "platform/Ini.h"
#include "platform/ProgramFolder.h"
#include "settings/OutputFormats.h"
#include "settings/setting.h"
#include "settings/timelimit.h"
#include "settings/UpDown.h"
#include "support/GuiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>

namespace {

const QString kLimitHint = QStringLiteral("Auto stop recording is set to ");

class SettingsTest : public GuiTest {
protected:
    SettingsTest() { RecordingSettings = TRecordingSettings{}; }
    ~SettingsTest() override { RecordingSettings = TRecordingSettings{}; }

    TForm1* start(const QByteArray& setupIni = {})
    {
        if (!setupIni.isNull())
            folder.write("setup.ini", setupIni);
        TForm1* f = openMainWindow(false);
        f->TimerTip->stop();   // no tip window in the middle of a test
        return f;
    }
    IniFile ini() const { return IniFile(folder.file("setup.ini")); }

    // A settings dialog as Options2Click makes it, but not shown modally.
    TSettingForm* dialog(TForm1* f)
    {
        f->SettingForm = new TSettingForm(f);
        f->SettingForm->show();
        pumpEvents();
        return f->SettingForm;
    }
};

// ---- start-up and close ------------------------------------------------------------------

TEST_F(SettingsTest, FirstStartWithoutAFileUsesTheDefaults)
{
    TForm1* f = start();
    const TRecordingSettings& s = RecordingSettings;
    EXPECT_EQ(s.SaveFormat, ".mp3");
    EXPECT_EQ(s.SavePath, folder.path() + "Recording/");
    EXPECT_EQ(s.Mp3Bitrate, 128);
    EXPECT_EQ(s.Mp3Frequency, 44100);
    EXPECT_EQ(s.WavFrequency, 44100);
    EXPECT_EQ(s.WavChannels, 2);
    EXPECT_EQ(s.WavBits, 16);
    EXPECT_EQ(s.WmaProfile, 38);
    EXPECT_EQ(s.TimeLimit, -1);
    EXPECT_FALSE(s.SplitEnabled);
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), "No Auto stop. ");
    EXPECT_FALSE(f->ToolBtnAutostop->isChecked());
    // Reading creates nothing; the folder of recordings waits for the first recording.
    EXPECT_FALSE(folder.exists("setup.ini"));
    EXPECT_FALSE(folder.exists("Recording"));

    f->close();
    EXPECT_EQ(ini().ReadString("options", "timelimit", "missing"), "-1");
}

TEST_F(SettingsTest, StoredValuesAreUsedUnchecked)
{
    start("[OPTIONS]\r\nSaveFormat=.Mp3\r\nsavepath=/data/rec\r\ntimelimit=3725\r\n"
          "[mp3]\r\nbitrate=100\r\nfreq=abc\r\n[wav]\r\nch=\r\nbps=+8\r\n[wma]\r\nprofile=-1\r\n");
    const TRecordingSettings& s = RecordingSettings;
    EXPECT_EQ(s.SaveFormat, ".Mp3");
    EXPECT_EQ(OutputFormatOf(s.SaveFormat), OutputFormat::Mp3);
    EXPECT_EQ(s.SavePath, "/data/rec");   // used as written, no "/" added
    EXPECT_EQ(s.TimeLimit, 3725);
    EXPECT_EQ(s.Mp3Bitrate, 100);
    EXPECT_EQ(s.Mp3Frequency, 44100);     // not an integer: default
    EXPECT_EQ(s.WavChannels, 2);          // empty: default
    EXPECT_EQ(s.WavBits, 8);
    EXPECT_EQ(s.WmaProfile, -1);
    EXPECT_TRUE(window->form()->ToolBtnAutostop->isChecked());
    EXPECT_EQ(window->form()->ToolBtnAutostop->toolTip(), kLimitHint + TForm1::DurationText(3725));
}

// A saveformat naming no format is the file-name ending as it stands, and the recording is
// WAV, 44.1 kHz, 16 bit, stereo.
TEST_F(SettingsTest, SaveFormatNamingNoFormatRecordsDefaultWavUnderThatEnding)
{
    for (const QString& ending : {QStringLiteral("mp3"), QStringLiteral(".ogg")}) {
        TForm1* f = start("[options]\nsaveformat=" + ending.toUtf8() + "\n");
        f->show();
        f->Record1->trigger();
        virtualBackend()->advanceAndProcess(1000);
        f->Stop1->trigger();
        EXPECT_EQ(messages.count(), 0) << messages.texts().join("; ").toStdString();
        const QString path = RecordingSettings.SavePath + "Untitled1" + ending;
        ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
        EXPECT_TRUE(folder.read("Recording/Untitled1" + ending).startsWith("RIFF"));
        TAudioFile2 file;
        file.setActive(true);
        file.Open(path, 0, 1);
        ASSERT_EQ(file.LastError(), 0) << file.LastErrorText().toStdString();
        EXPECT_EQ(file.SampleRate(), 44100);
        EXPECT_EQ(file.Channels(), 2);
        EXPECT_NEAR(file.Length(), 44100, 4410);
        file.Close();
        closeMainWindow();
    }
}

TEST_F(SettingsTest, EmptySaveFormatStaysEmptyAndZeroLimitMeansNone)
{
    TForm1* f = start("[options]\nsaveformat=\ntimelimit=0\n");
    EXPECT_EQ(RecordingSettings.SaveFormat, "");
    EXPECT_EQ(RecordingSettings.TimeLimit, 0);
    EXPECT_FALSE(f->ToolBtnAutostop->isChecked());
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), "No Auto stop. ");
}

TEST_F(SettingsTest, CloseWritesOnlyTheTimeLimitAndKeepsTheRestOfTheFile)
{
    const QByteArray original = "; mine\r\n[options]\r\nTimeLimit=10\r\nextra=1\r\n\r\n[tips]\r\ntipno=4";
    TForm1* f = start(original);
    RecordingSettings.TimeLimit = 600;
    RecordingSettings.SavePath = "/elsewhere/";
    f->close();
    QByteArray expected = original;
    expected.replace("TimeLimit=10", "TimeLimit=600");
    EXPECT_EQ(folder.read("setup.ini"), expected);
}

TEST_F(SettingsTest, RefusedWriteAtCloseIsReported)
{
    TForm1* f = start();
    folder.write("blocker", "x");
    setProgramFolderForTests(folder.file("blocker"));
    f->close();
    ASSERT_GE(messages.count(), 1);
    EXPECT_EQ(messages.last().title, "Tavrin");
    EXPECT_EQ(messages.last().text, "Unable to write to " + folder.file("blocker/setup.ini") + ".");
    setProgramFolderForTests(folder.path());
}

// ---- the automatic-stop button -------------------------------------------------------------

TEST_F(SettingsTest, ClickOnThePressedButtonClearsTheLimitThenAsksForANewOne)
{
    TForm1* f = start("[options]\ntimelimit=3700\n");
    ASSERT_TRUE(f->ToolBtnAutostop->isChecked());
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), kLimitHint + TForm1::DurationText(3700));

    f->ToolBtnAutostop->click();
    EXPECT_EQ(RecordingSettings.TimeLimit, -1);
    EXPECT_FALSE(f->ToolBtnAutostop->isChecked());
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), "No Auto Stop");
    EXPECT_FALSE(f->TimeLimitForm);

    // The next click opens the time-limit dialog in its design state.
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TTimeLimitForm*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        seen = true;
        EXPECT_EQ(f->TimeLimitForm, d);
        EXPECT_EQ(d->windowTitle(), "Авто стоп");
        EXPECT_TRUE(d->RBNoLimit->isChecked());
        for (QLineEdit* e : {d->Edit1, d->Edit2, d->Edit3}) {
            EXPECT_EQ(e->text(), "0");
            EXPECT_FALSE(e->isEnabled());
        }
        d->RBLimit->click();
        d->Edit2->setText("150");
        d->BtnOK->click();
    });
    f->ToolBtnAutostop->click();
    EXPECT_TRUE(seen);
    EXPECT_EQ(RecordingSettings.TimeLimit, 9000);
    EXPECT_TRUE(f->ToolBtnAutostop->isChecked());
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), kLimitHint + TForm1::DurationText(9000));
    EXPECT_FALSE(f->TimeLimitForm);   // slot emptied when the dialog closed
    EXPECT_EQ(ini().ReadInteger("options", "timelimit", 0), 3700);   // the dialog writes nothing
}

TEST_F(SettingsTest, ButtonIsNotToggledByAClickThatOpensACancelledDialog)
{
    TForm1* f = start();
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<TTimeLimitForm*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->BtnCancel->click();
    });
    f->ToolBtnAutostop->click();
    EXPECT_FALSE(f->ToolBtnAutostop->isChecked());
    EXPECT_EQ(RecordingSettings.TimeLimit, -1);
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), "No Auto stop. ");
}

// ---- the time-limit dialog -------------------------------------------------------------------

class TimeLimitDialogTest : public SettingsTest {
protected:
    TTimeLimitForm* open(TForm1* f)
    {
        f->TimeLimitForm = new TTimeLimitForm(f);
        f->TimeLimitForm->show();
        pumpEvents();
        return f->TimeLimitForm;
    }
};

TEST_F(TimeLimitDialogTest, LayoutAndCaptions)
{
    TTimeLimitForm* d = open(start());
    EXPECT_EQ(d->size(), QSize(303, 132));
    EXPECT_EQ(d->RBLimit->text(), "Конец записи через:");
    EXPECT_EQ(d->RBNoLimit->text(), "Без остановки");
    EXPECT_EQ(d->BtnOK->text(), "Да");
    EXPECT_EQ(d->BtnCancel->text(), "Отмена");
    EXPECT_EQ(d->UpDown3->Increment(), 5);
    EXPECT_EQ(d->UpDown1->Max(), 100);
    // Every control lies inside the window and shows its whole caption.
    for (QWidget* w : d->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->parentWidget() == nullptr)
            continue;
        const QRect r(w->mapTo(d, QPoint(0, 0)), w->size());
        EXPECT_TRUE(d->rect().contains(r)) << w->metaObject()->className();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            EXPECT_GE(b->width(), b->minimumSizeHint().width()) << b->text().toStdString();
        }
    }
}

TEST_F(TimeLimitDialogTest, RadioButtonsSwitchTheFields)
{
    TTimeLimitForm* d = open(start());
    d->RBLimit->click();
    EXPECT_TRUE(d->Edit1->isEnabled() && d->Edit2->isEnabled() && d->Edit3->isEnabled());
    d->RBNoLimit->click();
    EXPECT_FALSE(d->Edit1->isEnabled() || d->Edit2->isEnabled() || d->Edit3->isEnabled());
    for (TUpDown* arrows : {d->UpDown1, d->UpDown2, d->UpDown3})   // only the fields change
        EXPECT_TRUE(arrows->isEnabled() && arrows->upButton()->isEnabled() && arrows->downButton()->isEnabled());
}

TEST_F(TimeLimitDialogTest, EmptyFieldsGiveAZeroLimitThatIsShownButNeverStops)
{
    TForm1* f = start();
    TTimeLimitForm* d = open(f);
    d->RBLimit->click();
    d->Edit1->clear();
    d->Edit2->clear();
    d->Edit3->clear();
    d->BtnOK->click();
    EXPECT_EQ(RecordingSettings.TimeLimit, 0);
    EXPECT_TRUE(f->ToolBtnAutostop->isChecked());
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), kLimitHint + TForm1::DurationText(0));
}

TEST_F(TimeLimitDialogTest, BadFieldShowsInformationAndKeepsEverything)
{
    TForm1* f = start("[options]\ntimelimit=-1\n");
    QPointer<TTimeLimitForm> d = open(f);
    d->RBLimit->click();
    d->Edit1->setText("1");
    d->Edit3->setText("1,5");
    d->BtnOK->click();
    pumpEvents();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().kind, MessageKind::Information);
    EXPECT_EQ(messages.last().title, "Information");
    EXPECT_EQ(messages.last().text, "Please input correct integer number!");
    EXPECT_TRUE(d);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(RecordingSettings.TimeLimit, -1);
    EXPECT_FALSE(f->ToolBtnAutostop->isChecked());
}

TEST_F(TimeLimitDialogTest, HugeTotalIsABadValueNotAWrappedOne)
{
    TForm1* f = start();
    TTimeLimitForm* d = open(f);
    d->RBLimit->click();
    d->Edit1->setText("1000000");
    d->BtnOK->click();
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(RecordingSettings.TimeLimit, -1);
}

TEST_F(TimeLimitDialogTest, NoLimitOkAndCancel)
{
    TForm1* f = start("[options]\ntimelimit=0\n");
    RecordingSettings.TimeLimit = 0;
    f->setAutostopButton(true, "x");
    QPointer<TTimeLimitForm> d = open(f);
    d->BtnOK->click();
    pumpEvents();
    EXPECT_FALSE(d);
    EXPECT_EQ(RecordingSettings.TimeLimit, -1);
    EXPECT_FALSE(f->ToolBtnAutostop->isChecked());
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), "No Auto stop.");

    d = open(f);
    d->RBLimit->click();
    d->Edit3->setText("30");
    d->BtnCancel->click();
    pumpEvents();
    EXPECT_FALSE(d);
    EXPECT_FALSE(f->TimeLimitForm);
    EXPECT_EQ(RecordingSettings.TimeLimit, -1);
}

TEST_F(TimeLimitDialogTest, FrameCloseChangesNothing)
{
    TForm1* f = start();
    QPointer<TTimeLimitForm> d = open(f);
    d->RBLimit->click();
    d->Edit3->setText("30");
    d->close();
    pumpEvents();
    EXPECT_FALSE(d);
    EXPECT_FALSE(f->TimeLimitForm);
    EXPECT_EQ(RecordingSettings.TimeLimit, -1);
}

// ---- the arrow control -------------------------------------------------------------------------

TEST(UpDown, ArrowsStepWithinTheRangeTypedValuesAreKept)
{
    testApplication();
    QLineEdit edit;
    TUpDown arrows;
    arrows.setRange(0, 100);
    arrows.setIncrement(5);
    arrows.setAssociate(&edit);
    EXPECT_EQ(edit.text(), "0");
    arrows.Click(+1);
    EXPECT_EQ(edit.text(), "5");
    arrows.Click(-1);
    arrows.Click(-1);
    EXPECT_EQ(edit.text(), "0");   // no wrap
    edit.setText("150");           // typed: kept as it is
    EXPECT_EQ(edit.text(), "150");
    arrows.Click(+1);               // an arrow starts from the typed value, held to the range
    EXPECT_EQ(edit.text(), "100");
    edit.setText("42");
    arrows.Click(-1);
    EXPECT_EQ(edit.text(), "37");
    edit.setText("junk");
    arrows.Click(+1);               // not a number: from the last arrow position
    EXPECT_EQ(edit.text(), "42");
    edit.setEnabled(false);         // the arrows stay as they are and still step the field
    EXPECT_TRUE(arrows.upButton()->isEnabled());
    arrows.upButton()->click();
    EXPECT_EQ(edit.text(), "47");
}

// ---- the settings dialog ----------------------------------------------------------------------

TEST_F(SettingsTest, DialogLayoutCaptionsAndDesignState)
{
    TForm1* f = start();
    TSettingForm* d = dialog(f);
    EXPECT_EQ(d->windowTitle(), "Настройка");
    EXPECT_EQ(d->size(), QSize(319, 600));
    EXPECT_EQ(d->SpeedBtnSelect->toolTip(), "Выбор деректории для сохранения");
    EXPECT_EQ(d->RBLimit->text(), "Стоп записи через");
    EXPECT_EQ(d->CheckSplit->text(), "Разбить");
    EXPECT_EQ(d->cbMP3->count(), 10);
    EXPECT_EQ(d->cbWAV->count(), 16);
    EXPECT_TRUE(d->RBMP3->isChecked());
    EXPECT_TRUE(d->RBNoLimit->isChecked());
    EXPECT_EQ(d->cbMP3->currentIndex(), DefaultMp3Choice);
    EXPECT_EQ(d->cbWAV->currentIndex(), DefaultWavChoice);
    EXPECT_TRUE(d->cbMP3->isEnabled());
    EXPECT_FALSE(d->cbWAV->isEnabled());
    EXPECT_FALSE(d->cbWMA->isEnabled());
    for (QLineEdit* e : {d->Edit1, d->Edit2, d->Edit3, d->Edit4, d->Edit5}) {
        EXPECT_EQ(e->text(), "0");
        EXPECT_FALSE(e->isEnabled());
    }
    EXPECT_EQ(d->EdSavePath->text(), folder.path() + "Recording/");
    for (QWidget* w : d->findChildren<QWidget*>()) {
        if (!w->isVisible())
            continue;
        const QRect r(w->mapTo(d, QPoint(0, 0)), w->size());
        EXPECT_TRUE(d->rect().contains(r)) << w->metaObject()->className();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            EXPECT_GE(b->width(), b->minimumSizeHint().width()) << b->text().toStdString();
        }
    }
}

TEST_F(SettingsTest, FlacAndOpusHaveTheirOwnFieldsAndKeys)
{
    TForm1* f = start("[options]\nsaveformat=.flac\n[flac]\nfreq=48000\nch=1\nbps=24\nlevel=8\n");
    TSettingForm* d = dialog(f);
    EXPECT_TRUE(d->RBFLAC->isChecked());
    EXPECT_EQ(d->cbFLAC->currentText(), "48000 Hz - 24 bit,Mono");
    EXPECT_EQ(d->EdFlacLevel->text(), "8");
    EXPECT_TRUE(d->EdFlacLevel->isEnabled());
    EXPECT_FALSE(d->cbMP3->isEnabled());
    d->EdFlacLevel->setText("9");
    d->BtnOK->click();   // refused before anything changes
    EXPECT_EQ(messages.last().text, "Please input a FLAC compression level from 0 to 8!");
    EXPECT_FALSE(folder.exists("setup.ini") && ini().KeyExists("opus", "bitrate"));
    d->RBOPUS->click();
    EXPECT_FALSE(d->EdFlacLevel->isEnabled());
    d->cbOPUS->setCurrentIndex(OpusLineOf(24, 1));
    d->BtnOK->click();
    EXPECT_EQ(ini().ReadString("options", "saveformat", ""), ".opus");
    EXPECT_EQ(ini().ReadInteger("opus", "bitrate", 0), 24);
    EXPECT_EQ(ini().ReadInteger("opus", "ch", 0), 1);
    EXPECT_EQ(ini().ReadInteger("flac", "level", 0), 8);   // the other formats' values stay
    EXPECT_EQ(f->AudioFile2->SampleRate(), 48000);      // applied to the engine
}

TEST_F(SettingsTest, DialogShowsTheLimitAndTheSplit)
{
    TForm1* f = start("[options]\ntimelimit=3725\nsaveformat=.WAV\n");
    RecordingSettings.SplitEnabled = true;
    RecordingSettings.SplitLength = 125;
    TSettingForm* d = dialog(f);
    EXPECT_TRUE(d->RBLimit->isChecked());
    EXPECT_EQ(d->Edit1->text(), "1");
    EXPECT_EQ(d->Edit2->text(), "2");
    EXPECT_EQ(d->Edit3->text(), "5");
    EXPECT_TRUE(d->Edit1->isEnabled());
    EXPECT_TRUE(d->CheckSplit->isChecked());
    EXPECT_EQ(d->Edit4->text(), "2");
    EXPECT_EQ(d->Edit5->text(), "5");
    EXPECT_TRUE(d->Edit4->isEnabled());
    EXPECT_TRUE(d->RBWAV->isChecked());
    EXPECT_TRUE(d->cbWAV->isEnabled());
    EXPECT_FALSE(d->cbMP3->isEnabled());
}

TEST_F(SettingsTest, UnknownFormatKeepsMp3SelectedAndAllListsEnabled)
{
    TSettingForm* d = dialog(start("[options]\nsaveformat=mp3\n"));
    EXPECT_TRUE(d->RBMP3->isChecked());
    EXPECT_TRUE(d->cbMP3->isEnabled());
    EXPECT_TRUE(d->cbWAV->isEnabled());
    EXPECT_TRUE(d->cbWMA->isEnabled());
}

TEST_F(SettingsTest, OkWithMp3LineNineStoresItAndKeepsTheWavValues)
{
    TForm1* f = start("[wav]\nfreq=8000\nch=1\nbps=8\nind=0\n");
    TSettingForm* d = dialog(f);
    d->cbMP3->setCurrentIndex(9);
    d->BtnOK->click();
    const TRecordingSettings& s = RecordingSettings;
    EXPECT_EQ(s.Mp3Bitrate, 320);
    EXPECT_EQ(s.Mp3Frequency, 44100);
    EXPECT_EQ(s.WavFrequency, 8000);
    EXPECT_EQ(s.WavChannels, 1);
    EXPECT_EQ(s.WavBits, 8);
    EXPECT_EQ(ini().ReadInteger("mp3", "ind", 0), 9);
    EXPECT_EQ(ini().ReadInteger("mp3", "bitrate", 0), 320);
    EXPECT_EQ(ini().ReadInteger("wav", "ind", -7), 0);
    EXPECT_EQ(ini().ReadInteger("wav", "freq", 0), 8000);
    EXPECT_EQ(ini().ReadString("options", "saveformat", ""), ".mp3");
    EXPECT_EQ(ini().ReadInteger("options", "timelimit", 0), -1);
    EXPECT_EQ(ini().ReadInteger("wma", "profile", 0), 38);
    pumpEvents();
    EXPECT_FALSE(f->SettingForm);
}

TEST_F(SettingsTest, SaveSettingsWritesElevenKeysInOrder)
{
    TForm1* f = start();
    TSettingForm* d = dialog(f);
    d->EdSavePath->setText("/rec");
    d->BtnOK->click();
    EXPECT_EQ(folder.read("setup.ini"),
              QByteArray("[options]\nsavepath=/rec/\nsaveformat=.mp3\ntimelimit=-1\n\n"
                         "[mp3]\nbitrate=128\nfreq=44100\nind=5\n\n"
                         "[wav]\nfreq=44100\nch=2\nbps=16\nind=15\n\n"
                         "[wma]\nprofile=38\n"));
}

TEST_F(SettingsTest, NameTemplateAndTrayIconAreKeptAndShownAgain)
{
    TForm1* f = start("[options]\nnametemplate=old %H\n");
    EXPECT_EQ(RecordingSettings.NameTemplate, "old %H");
    TSettingForm* d = dialog(f);
    EXPECT_EQ(d->EdNameTemplate->text(), "old %H");
    EXPECT_FALSE(d->CheckTray->isChecked());
    d->EdNameTemplate->setText("Запись %Y-%m-%d");
    d->CheckTray->setChecked(true);
    d->BtnOK->click();
    EXPECT_EQ(RecordingSettings.NameTemplate, "Запись %Y-%m-%d");
    EXPECT_EQ(RecordingSettings.TrayIcon, 1);
    EXPECT_EQ(ini().ReadString("options", "nametemplate", ""), "Запись %Y-%m-%d");
    EXPECT_EQ(ini().ReadInteger("options", "trayicon", 0), 1);
    pumpEvents();
    d = dialog(f);
    EXPECT_EQ(d->EdNameTemplate->text(), "Запись %Y-%m-%d");
    EXPECT_TRUE(d->CheckTray->isChecked());
}

TEST_F(SettingsTest, Mp3IndexBeyondTheListGivesDefaultsAndMinusOne)
{
    TForm1* f = start("[mp3]\nind=12\nbitrate=100\nfreq=22050\n");
    EXPECT_EQ(RecordingSettings.Mp3Bitrate, 100);
    TSettingForm* d = dialog(f);
    EXPECT_EQ(d->cbMP3->currentIndex(), -1);
    d->BtnOK->click();
    EXPECT_EQ(RecordingSettings.Mp3Frequency, 44100);
    EXPECT_EQ(RecordingSettings.Mp3Bitrate, 128);
    EXPECT_EQ(ini().ReadInteger("mp3", "ind", 0), -1);
}

TEST_F(SettingsTest, TypingOverAListLineMeansNoLineChosen)
{
    TForm1* f = start("[wav]\nch=1\nbps=8\nfreq=22050\n");
    TSettingForm* d = dialog(f);
    d->RBWAV->click();
    d->cbWAV->setEditText("96000 Hz - 24 bit");
    EXPECT_EQ(TSettingForm::ChosenLine(d->cbWAV), -1);
    d->BtnOK->click();
    EXPECT_EQ(RecordingSettings.SaveFormat, ".wav");
    EXPECT_EQ(RecordingSettings.WavFrequency, 8000);
    EXPECT_EQ(RecordingSettings.WavChannels, 1);
    EXPECT_EQ(RecordingSettings.WavBits, 8);
    EXPECT_EQ(ini().ReadInteger("wav", "ind", 0), -1);
}

TEST_F(SettingsTest, OkTakesTheTypedLimitAndTheSplit)
{
    TForm1* f = start();
    TSettingForm* d = dialog(f);
    d->RBLimit->click();
    d->Edit2->setText("150");
    d->CheckSplit->click();
    EXPECT_TRUE(d->Edit4->isEnabled());
    d->Edit4->setText("2");
    d->Edit5->setText("5");
    d->BtnOK->click();
    EXPECT_EQ(RecordingSettings.TimeLimit, 9000);
    EXPECT_TRUE(RecordingSettings.SplitEnabled);
    EXPECT_EQ(RecordingSettings.SplitLength, 125);
    EXPECT_TRUE(f->ToolBtnAutostop->isChecked());
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), kLimitHint + TForm1::DurationText(9000));
    EXPECT_EQ(ini().ReadInteger("options", "timelimit", 0), 9000);
    EXPECT_FALSE(ini().KeyExists("options", "split"));
}

TEST_F(SettingsTest, UntickingTheSplitSwitchesItOff)
{
    TForm1* f = start();
    RecordingSettings.SplitEnabled = true;
    RecordingSettings.SplitLength = 60;
    TSettingForm* d = dialog(f);
    d->CheckSplit->click();
    EXPECT_FALSE(d->Edit4->isEnabled());
    EXPECT_TRUE(d->UpDown4->upButton()->isEnabled() && d->UpDown5->downButton()->isEnabled());
    d->BtnOK->click();
    EXPECT_FALSE(RecordingSettings.SplitEnabled);
}

TEST_F(SettingsTest, NoLimitOkReleasesTheButton)
{
    TForm1* f = start("[options]\ntimelimit=60\n");
    TSettingForm* d = dialog(f);
    d->RBNoLimit->click();
    d->BtnOK->click();
    EXPECT_EQ(RecordingSettings.TimeLimit, -1);
    EXPECT_FALSE(f->ToolBtnAutostop->isChecked());
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), "No Auto stop.");
}

TEST_F(SettingsTest, BadTimeFieldEndsOkAfterTheFolderAndFormatSteps)
{
    TForm1* f = start("[options]\ntimelimit=60\n");
    QPointer<TSettingForm> d = dialog(f);
    d->EdSavePath->setText("/new/place");
    d->RBWAV->click();
    d->cbWAV->setCurrentIndex(6);
    d->Edit2->setText("x");
    d->CheckSplit->click();
    d->BtnOK->click();
    pumpEvents();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().title, "Information");
    EXPECT_EQ(messages.last().text, "Please input correct integer number!");
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->isVisible());
    // Steps 1 and 2 have taken effect; the limit, the split and the file have not.
    EXPECT_EQ(RecordingSettings.SavePath, "/new/place/");
    EXPECT_EQ(RecordingSettings.SaveFormat, ".wav");
    EXPECT_EQ(RecordingSettings.WavFrequency, 11025);
    EXPECT_EQ(RecordingSettings.TimeLimit, 60);
    EXPECT_FALSE(RecordingSettings.SplitEnabled);
    EXPECT_TRUE(f->ToolBtnAutostop->isChecked());
    EXPECT_EQ(ini().ReadString("options", "saveformat", "none"), "none");
}

TEST_F(SettingsTest, BadSplitFieldIsAConversionErrorAndTheDialogStaysOpen)
{
    TForm1* f = start();
    RecordingSettings.SplitLength = 77;
    QPointer<TSettingForm> d = dialog(f);
    d->CheckSplit->click();
    d->Edit4->clear();
    d->BtnOK->click();   // through the guarded connection: the general error report
    pumpEvents();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().kind, MessageKind::Critical);
    EXPECT_EQ(messages.last().text, "'' is not a valid integer value.");
    ASSERT_TRUE(d);
    EXPECT_TRUE(RecordingSettings.SplitEnabled);
    EXPECT_EQ(RecordingSettings.SplitLength, 77);
    EXPECT_FALSE(folder.exists("setup.ini"));

    messages.clear();
    d->Edit4->setText("2");
    d->Edit5->setText("5s");
    d->BtnOK->click();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text, "'5s' is not a valid integer value.");
}

TEST_F(SettingsTest, EmptyFolderIsRefusedBeforeAnythingChanges)
{
    TForm1* f = start();
    QPointer<TSettingForm> d = dialog(f);
    d->EdSavePath->clear();
    d->RBWAV->click();
    d->BtnOK->click();
    pumpEvents();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text, "Please choose a folder for the recordings.");
    ASSERT_TRUE(d);
    EXPECT_EQ(RecordingSettings.SaveFormat, ".mp3");
    EXPECT_EQ(RecordingSettings.SavePath, folder.path() + "Recording/");
}

TEST_F(SettingsTest, RefusedSaveKeepsTheDialogOpen)
{
    TForm1* f = start();
    QPointer<TSettingForm> d = dialog(f);
    folder.write("blocker", "x");
    setProgramFolderForTests(folder.file("blocker"));
    d->BtnOK->click();
    pumpEvents();
    setProgramFolderForTests(folder.path());
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text, "Unable to write to " + folder.file("blocker/setup.ini") + ".");
    EXPECT_TRUE(d);
}

TEST_F(SettingsTest, FolderBrowserSetsThePathAtOnce)
{
    TForm1* f = start();
    QPointer<TSettingForm> d = dialog(f);
    dialogs.answerNext("/music/takes");
    d->SpeedBtnSelect->click();
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_TRUE(dialogs.requests().back().folder);
    EXPECT_EQ(dialogs.requests().back().title, "Select a directory to save output files");
    EXPECT_EQ(d->EdSavePath->text(), "/music/takes/");
    EXPECT_EQ(RecordingSettings.SavePath, "/music/takes/");

    // A cancelled browser changes nothing; Cancel keeps the folder already taken.
    d->SpeedBtnSelect->click();
    EXPECT_EQ(d->EdSavePath->text(), "/music/takes/");
    d->BtnCancel->click();
    pumpEvents();
    EXPECT_FALSE(d);
    EXPECT_FALSE(f->SettingForm);
    EXPECT_EQ(RecordingSettings.SavePath, "/music/takes/");
    EXPECT_FALSE(folder.exists("setup.ini"));
}

TEST_F(SettingsTest, TypedFolderEndingInASlashIsStoredUnchanged)
{
    TForm1* f = start();
    TSettingForm* d = dialog(f);
    d->EdSavePath->setText("/a/b/");
    d->BtnOK->click();
    EXPECT_EQ(RecordingSettings.SavePath, "/a/b/");
    EXPECT_EQ(ini().ReadString("options", "savepath", ""), "/a/b/");
}

TEST_F(SettingsTest, Options2ClickOpensAFreshDialogEachTime)
{
    TForm1* f = start();
    QPointer<TSettingForm> first;
    QTimer::singleShot(0, [&] {
        first = qobject_cast<TSettingForm*>(QApplication::activeModalWidget());
        ASSERT_TRUE(first);
        EXPECT_EQ(f->SettingForm, first);
        first->cbMP3->setCurrentIndex(0);
        first->close();   // the frame's close box: like Cancel
    });
    f->Options2Click();
    pumpEvents();
    EXPECT_FALSE(first);
    EXPECT_FALSE(f->SettingForm);
    EXPECT_EQ(RecordingSettings.Mp3Bitrate, 128);

    bool fresh = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TSettingForm*>(QApplication::activeModalWidget());
        ASSERT_TRUE(d);
        fresh = d->cbMP3->currentIndex() == DefaultMp3Choice;
        d->BtnCancel->click();
    });
    f->ToolBtnOptions->click();
    EXPECT_TRUE(fresh);
}

TEST_F(SettingsTest, EmptyWmaListWorks)
{
    TForm1* f = start("[options]\nsaveformat=.wma\n");
    TSettingForm* d = dialog(f);
    EXPECT_TRUE(d->RBWMA->isChecked());
    if (d->cbWMA->count() == 0) {
        EXPECT_EQ(d->cbWMA->currentIndex(), -1);
        d->BtnOK->click();   // no profile to choose: refused with a message
        EXPECT_EQ(messages.count(), 1);
        EXPECT_EQ(RecordingSettings.WmaProfile, 38);
    } else {
        // The line shown chosen is the stored profile, and OK keeps it.
        EXPECT_EQ(TSettingForm::WmaProfileOfLine(d->cbWMA->currentIndex()), 38);
        d->BtnOK->click();
        EXPECT_EQ(RecordingSettings.WmaProfile, 38);
        EXPECT_EQ(RecordingSettings.SaveFormat, ".wma");
    }
}

TEST_F(SettingsTest, LimitHintCountsMinutesPastTheHour)
{
    TForm1* f = start("[options]\ntimelimit=3700\n");
    EXPECT_EQ(f->ToolBtnAutostop->toolTip(), "Auto stop recording is set to 61:40");
}

}  // namespace

namespace {

void pressEscape(QWidget* w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

TEST_F(SettingsTest, EscapeClosesAndFreesTheDialogs)
{
    TForm1* f = start();
    QPointer<TSettingForm> d = dialog(f);
    pressEscape(d);
    pumpEvents();
    EXPECT_FALSE(d);
    EXPECT_FALSE(f->SettingForm);

    f->TimeLimitForm = new TTimeLimitForm(f);
    QPointer<TTimeLimitForm> t = f->TimeLimitForm.data();
    t->show();
    pressEscape(t);
    pumpEvents();
    EXPECT_FALSE(t);
    EXPECT_FALSE(f->TimeLimitForm);
}

}  // namespace
