// The main window's life: FormCreate, FormShow, FormClose, the layout of the transport strip
// and the page commands. Its construction is in app/Unit1Build.cpp; the handlers of the other
// areas live in the files named in Unit1.h.
#include "app/Unit1.h"

#include "app/WindowSight.h"

#include "engine/DeviceWatch.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/controls/TAudioVisualization2.h"
#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/controls/TNCTSliderB2.h"
#include "engine/controls/TNCTTimeDisplay2.h"
#include "platform/ui/Guarded.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>

TForm1* Form1 = nullptr;

TForm1::~TForm1()
{
    if (deviceSearch_.joinable())
        deviceSearch_.join();   // its answer, posted to this window, is dropped with it
    // The engine components may still report while they shut down; nothing of this window
    // may run then.
    if (TimerTip)
        TimerTip->stop();
    for (QWidget* w : {static_cast<QWidget*>(Panel1), TabSheet2, TabSheet3, TabSheet4})
        if (w)
            w->removeEventFilter(this);
    delete Sight;   // the window hides as it goes: nothing to tell the session then
    Sight = nullptr;
    // Both recorders stop, and what a second input's mix holds goes to the writer too.
    if (RecordInput)
        RecordInput->stop();
    if (AudioRecord1) {
        AudioRecord1->disconnect(this);
        delete AudioRecord1;   // hands its last blocks to the session's writer
        AudioRecord1 = nullptr;
    }
    // The session (its writer thread) ends after the recorder and before the files it writes.
    Session.reset();
    RecordWriter = nullptr;
    RecordInput.reset();
    if (AudioPlayer1) {
        AudioPlayer1->disconnect(this);
        delete AudioPlayer1;
        AudioPlayer1 = nullptr;
    }
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::setStatusText(int panel, const QString& text)
{
    if (panel >= 0 && panel < 3)
        StatusPanel[panel]->setText(text);
}

QString TForm1::statusText(int panel) const
{
    if (panel >= 0 && panel < 3)
        return StatusPanel[panel]->text();
    return {};
}

// ---- life of the window ------------------------------------------------------------------

void TForm1::FormCreate()
{
    TimerTip->start();
    ListView1->setColumnWidth(0, 134);
    ListView1->setColumnWidth(1, 80);
    ListView1->setColumnWidth(2, 80);
    ListView1->setColumnWidth(3, 170);
    LoadSettings();
    ApplyOutputFormat();
}

void TForm1::FormShow()
{
    OpenDialogFilter =
        QStringLiteral("Wav files (*.wav)|*.wav|MPEG files (*.mp3;*.mp2;*.mp1;*.mpeg)|"
                       "*.mp3;*.mp2;*.mp1;*.mpeg|Dialogic ADPCM files (*.vox)|*.vox|")
        + QStringLiteral("Raw files (*.raw;*.pcm;*.gsm;*adpcm)|*.raw;*.pcm;*.gsm;*adpcm|"
                         "CCUIT G726 files (*.g726)|*.g726")
        + QStringLiteral("|CCUIT G721 files (*.g721)|*.g721|CCUIT G721 files (*.g723)|*.g723|"
                         "Ogg Vorbis files (*.ogg)|*.ogg|AVI files (*.avi)|*.avi|"
                         "MPPlus files (*.mpc;*.mp+)|*.mpc;*.mp+|FLAC files (*.flac)|*.flac|"
                         "Opus files (*.opus)|*.opus|WMA files (*.wma)|*.wma|All Files (*.*)|*.*");
    Panel1Resize();
    FillGenreList();
    AudioInformation1->setInfoEnabled(true);
    LoadRecordFilterDialog();
    IsPlaying = false;
    PlayPaused = false;
    IsRecording = false;
    AudioPlayer1->setTimerEnabled(true);
    AudioPlayer1->setTimerInterval(80);
    {
        // The selectors show the picture's state; the picture itself is not written here.
        const QSignalBlocker block1(ComboBox1);
        const QSignalBlocker block2(ComboBox2);
        ComboBox1->setCurrentIndex(1);
        ComboBox2->setCurrentIndex(AudioVisualization1->WindowFFTType());
    }
    NCTPlayButtonB1->SetVolume(AudioPlayer1->Volume());
    // A start time found in setup.ini arms the program with no further command.
    Session->triggerSettingsChanged();
    if (systemAudioBackendReady() || deviceSearch_.joinable()) {
        DevicesFound();
        return;
    }
    // Connecting to the sound system and listing its devices takes a while: it happens in the
    // background while the window shows, and the lists and mixer pages are filled when it
    // answers. A command that needs a device before then waits for the same answer
    // (AwaitDevices), so that it uses the devices setup.ini remembers, not the defaults.
    deviceSearch_ = std::thread([this] {
        try {
            systemAudioBackend();
        } catch (...) {
            // Made again, and its error reported, when the lists are filled.
        }
        QMetaObject::invokeMethod(this, [this] { runGuarded([this] { DevicesFound(); }); }, Qt::QueuedConnection);
    });
}

void TForm1::DevicesFound()
{
    if (devicesFound_)
        return;   // a command took the answer first
    devicesFound_ = true;
    FillOutputDevices();
    FillInputDevices();
    BuildOutputMixer();
    BuildInputMixer();
    // The panel's mute mirrors output line 1. A mixer without that line leaves the panel
    // unmuted instead of addressing a line that does not exist.
    if (AudioPlayer1->srcLastIndex() >= 1) {
        AudioPlayer1->setSrcIndex(1);
        NCTPlayButtonB1->setMute(AudioPlayer1->srcMute());
    }
}

void TForm1::AwaitDevices()
{
    if (devicesFound_ || !deviceSearch_.joinable())
        return;
    deviceSearch_.join();
    DevicesFound();
}

void TForm1::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    // Each step runs even when an earlier one failed: a playback that cannot be stopped
    // cleanly must not keep the recording from being finished.
    runGuarded([this] {
        if (IsPlaying)
            StopPlayback();
    });
    runGuarded([this] {
        if (IsRecording)
            StopRecording();
    });
    // A waiting ends without its clock times: a start time is waited for at the next start.
    runGuarded([this] { Session->disarm(); });
    runGuarded([this] {
        AudioFile1->setActive(false);
        AudioFile2->setActive(false);
    });
    runGuarded([this] { SaveTimeLimit(); });
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        runGuarded([this] { FormShow(); });
    }
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == Panel1)
            runGuarded([this] { Panel1Resize(); });
        else if (watched == TabSheet2)
            runGuarded([this] { TabSheet2Resize(); });
        else if (watched == TabSheet3)
            runGuarded([this] { TabSheet3Resize(); });
        else if (watched == TabSheet4)
            runGuarded([this] { TabSheet4Resize(); });
    }
    // A double-click on the empty area of the file list plays the current file, as one on a
    // row plays that row.
    if (event->type() == QEvent::MouseButtonDblClick && watched == ListView1->viewport()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && !ListView1->itemAt(mouse->position().toPoint()))
            runGuarded([this] { Play1Click(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- layout ---------------------------------------------------------------------------------

void TForm1::Panel1Resize()
{
    const int W = Panel1->width();
    NCTSliderB1->resize(W - 24, NCTSliderB1->height());
    NCTPlayButtonB1->resize(W - 308, NCTPlayButtonB1->height());
    NCTAmpBar1->move(NCTPlayButtonB1->x() + NCTPlayButtonB1->width() + 7, NCTAmpBar1->y());
    NCTAmpBar2->move(NCTAmpBar1->x(), NCTAmpBar2->y());
    NCTTimeDisplay1->move(NCTAmpBar1->x() + NCTAmpBar1->width() + 7, NCTTimeDisplay1->y());
}

// ---- commands ---------------------------------------------------------------------------------

void TForm1::Exit1Click()
{
    close();
}

void TForm1::Options1Click()
{
    PageControl1->setCurrentWidget(TabSheet3);
}

void TForm1::PlaybackVolumeControls1Click()
{
    PageControl1->setCurrentWidget(TabSheet4);
}

void TForm1::FileInfo1Click()
{
    PageControl1->setCurrentWidget(TabSheet2);
}
