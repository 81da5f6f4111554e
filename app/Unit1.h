#pragma once
// The main window: menus, toolbar, the four pages, the transport strip and the status bar.
// It owns every engine component and display control. Handlers carry the names bound in the
// form (Record1Click, AudioRecord1Timer, ...); each group lives in the source file of its
// area:
//   app/Unit1Build.cpp       construction: components, pictures, event connections
//   app/Unit1.cpp            FormCreate/FormShow/FormClose, layout, page commands
//   app/Unit1Transport.cpp   record / play / pause / stop, engine events, ticks, seeking
//   app/Unit1Files.cpp       current file, recording targets, the file list, rename, delete
//   app/Unit1Trigger.cpp     recordings that start and stop by themselves: dialog, waiting
//   settings/Unit1Settings.cpp  setup.ini load/save, output format, auto-stop button
//   mixer/Unit1Mixer.cpp     device lists, mixer pages, filter and equaliser commands,
//                            visualisation selectors
//   tags/Unit1Tags.cpp       tag fields, genre list, stream description
//   auxiliary/Unit1Aux.cpp   tips timer, about box, help and home page
#include "app/RecordingInput.h"
#include "app/RecordingSession.h"
#include "engine/BlockWriter.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioFile2LameEnc.h"
#include "engine/TAudioInformation2.h"
#include "mixer/InputChoices.h"
#include "settings/RecordingSettings.h"
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>
#include <thread>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QIcon;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class QButtonGroup;
class QFontMetrics;
class SampleArray;

class TAudioFile2;
class TAudioFile2LameEnc;
class TAudioInformation2;
class TAudioPlayer2;
class TAudioRecord2;
class TAudioVisualization2;
class DeviceWatch;
class TNCTAmpBar2;
class TNCTPlayButtonB2;
class TNCTSliderB2;
class TNCTTimeDisplay2;
class TSettingForm;
class TTimeLimitForm;
class TTriggerForm;
class TAboutBox;
class WindowSight;
class TTipForm;
class TsrcFrame;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- components (names as bound in the form) -------------------------------------
    // Menus
    QMenu* File1 = nullptr;        QAction* Open1 = nullptr;   QAction* N1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* PlayRecord1 = nullptr;  QAction* Record1 = nullptr; QAction* N3 = nullptr;
    QAction* Play1 = nullptr;      QAction* Pause1 = nullptr;  QAction* Stop1 = nullptr;
    QMenu* Option1 = nullptr;      QAction* Options1 = nullptr;
    QAction* PlaybackVolumeControls1 = nullptr;               QAction* FileInfo1 = nullptr;
    QAction* N4 = nullptr;         QAction* Options2 = nullptr;
    QAction* Trigger1 = nullptr;   // recordings that start and stop by themselves
    QMenu* Help1 = nullptr;        QAction* HelpContents2 = nullptr; QAction* N2 = nullptr;
    QAction* Homepage2 = nullptr;  QAction* N5 = nullptr;      QAction* ipoftheDay1 = nullptr;
    QAction* About1 = nullptr;
    // Toolbar
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolBtnOpen = nullptr;     QToolButton* ToolBtnOptions = nullptr;
    QToolButton* ToolBtnAutostop = nullptr; QToolButton* ToolBtnTrigger = nullptr;
    QToolButton* ToolBtnHelp = nullptr;
    QToolButton* ToolBtnAbout = nullptr;
    // Pages
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;  // signal picture
    QWidget* TabSheet3 = nullptr;  // input mixer
    QWidget* TabSheet4 = nullptr;  // output mixer
    QWidget* TabSheet2 = nullptr;  // file information
    // Page 0: the signal picture and its selectors
    QFrame* Panel2 = nullptr;
    QLabel* Label1 = nullptr;      QComboBox* ComboBox1 = nullptr;
    QLabel* Label3 = nullptr;      QComboBox* ComboBox2 = nullptr;
    QGroupBox* RadioGroup1 = nullptr;  QButtonGroup* RadioGroup1Buttons = nullptr;
    TAudioVisualization2* AudioVisualization1 = nullptr;
    // Page 1: input mixer
    QLabel* Label4 = nullptr;      QComboBox* DeviceComboIn = nullptr;
    QPushButton* btnSetFilter = nullptr;
    QLabel* Label13 = nullptr;     QComboBox* SecondComboIn = nullptr;   // the second input
    QComboBox* LayoutComboIn = nullptr;   // the two inputs mixed or split
    // Page 2: output mixer
    QLabel* Label2 = nullptr;      QComboBox* DeviceCombo = nullptr;
    QCheckBox* chEqualizer = nullptr;
    QPushButton* ToolBtnEqualizer = nullptr;   // opens the equaliser dialog
    // Page 3: file list and tags
    QTreeWidget* ListView1 = nullptr;
    QLabel* Label5 = nullptr;  QLineEdit* infoTitle = nullptr;
    QLabel* Label6 = nullptr;  QLineEdit* infoArtist = nullptr;
    QLabel* Label7 = nullptr;  QLineEdit* infoAlbum = nullptr;
    QLabel* Label11 = nullptr; QLineEdit* infoComment = nullptr;
    QLabel* Label8 = nullptr;  QLineEdit* infoCopyright = nullptr;
    QLabel* Label9 = nullptr;  QLineEdit* infoYear = nullptr;
    QLabel* Label10 = nullptr; QLineEdit* infoTrack = nullptr;
    QLabel* Label12 = nullptr; QComboBox* infoGenre = nullptr;
    QGroupBox* infoMTV = nullptr;  QButtonGroup* infoMTVButtons = nullptr;
    QPushButton* btnReset = nullptr;   QPushButton* btnApply = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Play2 = nullptr; QAction* Rename1 = nullptr; QAction* Delete2 = nullptr;
    QAction* Delete1 = nullptr;
    // Transport strip
    QFrame* Panel1 = nullptr;
    TNCTSliderB2* NCTSliderB1 = nullptr;
    TNCTPlayButtonB2* NCTPlayButtonB1 = nullptr;
    TNCTAmpBar2* NCTAmpBar1 = nullptr;
    TNCTAmpBar2* NCTAmpBar2 = nullptr;
    TNCTTimeDisplay2* NCTTimeDisplay1 = nullptr;
    // Status bar panels 0, 1, 2 (60, 320, 300 wide)
    QLabel* StatusPanel[3] = {nullptr, nullptr, nullptr};
    QTimer* TimerTip = nullptr;
    // Engine components without a window
    std::unique_ptr<TAudioFile2> AudioFile1;
    std::unique_ptr<TAudioFile2> AudioFile2;
    TAudioRecord2* AudioRecord1 = nullptr;
    TAudioRecord2* AudioRecord2 = nullptr;   // the second input
    TAudioPlayer2* AudioPlayer1 = nullptr;
    DeviceWatch* DeviceWatch1 = nullptr;   // devices that come and go, mixers changed outside
    std::unique_ptr<TAudioInformation2> AudioInformation1;
    std::unique_ptr<TAudioFile2LameEnc> Mp3LameEncoder;
    // The recording: its state and steps (AudioRecord1 and AudioRecord2 through RecordInput,
    // AudioFile2 and Mp3LameEncoder as its components). Declared after the files so that it
    // ends before them.
    std::unique_ptr<TwoRecorderInput> RecordInput;
    std::unique_ptr<InputChoices> Inputs;   // the devices chosen and remembered
    std::unique_ptr<RecordingSession> Session;
    // The session's writer thread (blocks into AudioFile2), once a recording has started.
    BlockWriter* RecordWriter = nullptr;
    // Whether this window can be seen: what nobody sees is not drawn tick by tick, and the
    // session ticks slowly meanwhile.
    WindowSight* Sight = nullptr;

    // ---- transport fields ---------------------------------------------------------------
    bool IsPlaying = false;
    bool PlayPaused = false;
    bool IsRecording = false;
    bool RecordPaused = false;
    int BlockSamples = 0;
    int PositionOffset = 0;
    bool SeekDragging = false;
    int FileLength = 0;
    int FileRate = 0;         // frames a second of the file FileLength counts (0: not known)

    // ---- file variables -------------------------------------------------------------------
    QString CurrentFile;      // also the file name of the open dialog
    QString RecordFileName;
    QString SelectedFile;
    QString PlayFileName;

    // ---- on-demand form slots ---------------------------------------------------------------
    QPointer<TSettingForm> SettingForm;
    QPointer<TTimeLimitForm> TimeLimitForm;
    QPointer<TTriggerForm> TriggerForm;
    QPointer<TAboutBox> AboutBox;
    QPointer<TTipForm> TipForm;

    // ---- pictures: ImageList1 (16 x 16: menus, pages, list rows; row picture 8) and
    //      ImageList2 (32 x 32: toolbar). A null icon for an index without a picture.
    static QIcon ImageList1(int index);
    static QIcon ImageList2(int index);

    // ---- status bar helpers ---------------------------------------------------------------
    void setStatusText(int panel, const QString& text);
    QString statusText(int panel) const;
    QString OpenDialogFilter;   // the filter FormShow sets on the open dialog

    // ---- Unit1.cpp: life of the window, layout, page commands --------------------------------
    void FormCreate();
    void FormShow();
    void DevicesFound();   // the part of FormShow that needs the sound system
    void AwaitDevices();   // a command that needs a device takes the search's answer first
    void FormClose();
    void Panel1Resize();
    void Exit1Click();
    void Options1Click();
    void PlaybackVolumeControls1Click();
    void FileInfo1Click();

    // ---- Unit1Transport.cpp -----------------------------------------------------------------
    // The recording's commands go to the session; the Session* handlers show what it reports.
    void StartRecording();
    void PauseRecording();
    void StopRecording();
    void SplitRecording();
    void StartPlayback();
    void FeedPlayback();
    void PausePlayback();
    void StopPlayback();
    void ResetTransportDisplay();
    void Record1Click();
    void Play1Click();
    void Play2Click();
    void Pause1Click();
    void Stop1Click();
    void NCTPlayButtonB1MouseClick(int Button);
    void NCTPlayButtonB1ChangeVolume(int Volume);
    void NCTSliderB1MouseDown();
    void NCTSliderB1MouseUp();
    void NCTSliderB1ValueChange(int Value);
    void AudioPlayer1EndBlockPlay();
    void AudioPlayer1RequestOnLoadBlock();
    void AudioPlayer1EndPlay();
    void AudioPlayer1Timer(int CurrentSamples, int LevelLeft, int LevelRight);
    void AudioRecord1EndBlockRecord(int nBlock);
    void AudioRecord1Timer(int CurrentSamples, int LevelLeft, int LevelRight);
    void AudioRecord1DeviceError(const QString& message);   // TAudioRecord2::OnDeviceError
    void AudioPlayer1DeviceError(const QString& message);   // TAudioPlayer2::OnDeviceError
    QString TransportWord() const;             // the state word of panel 0
    void ShowPlaybackState();
    TAudioFile2& ReaderFile();                 // AudioFile1, or a spare reader while it plays
    void SessionStarting();
    void SessionTargetCreated(const QString& path);
    void SessionStarted(const QString& path);
    void SessionPaused();
    void SessionResumed();
    void SessionPieceFinished(const QString& path, qint64 frames, bool last);
    void SessionStopped(RecordingSession::StopReason reason, const QString& detail);
    void SessionTicked(const RecordingSession::Tick& tick);
    // The window came into sight (it shows the time and levels at once) or went out of it.
    void WindowSeenChanged(bool seen);
    // app/Unit1Trigger.cpp: the dialog of recordings that start and stop by themselves (menu
    // Trigger1, toolbar ToolBtnTrigger, pressed while one of them is set); what an armed
    // session (or one paused for sound) waits for; the threshold on the meters while the level
    // decides; the clock times the session used, written back to setup.ini.
    void ToolBtnTriggerClick();
    void setTriggerButton();
    void SessionWaiting(const QString& what);
    void SessionClockTimesCleared();
    void ShowThreshold();
    // app/Unit1Guards.cpp: the status-bar panel of the room left on the disk, while recording.
    void SessionDiskRoom(qint64 secondsLeft, qint64 freeBytes);
    QLabel* DiskPanel = nullptr;
    void ShowDiskPanel(bool shown);   // the path panel makes room for it, and takes it back
private:
    void ConnectSession();
    void ShowRecordingLook();
    void EndWaitingLook();
    bool waitingShown_ = false;                // the window shows an armed session's waiting
    bool soundPauseShown_ = false;             // ... or a recording paused for sound
    QString keptPanelText_;                    // what the waiting's text covers (panel 1 or 2)
    std::unique_ptr<TAudioFile2> probeFile_;
    bool currentIsRecordTarget_ = false;       // CurrentFile was made current by a recording
    RecordingSession::Tick lastTick_;          // the latest tick, shown when the window is seen
public:

    // ---- Unit1Files.cpp ---------------------------------------------------------------------
    void NewRecordingFile();
    void LoadCurrentFile();
    void AddFileRow(const QString& Path);
    static QString DurationText(int S);
    void Open1Click();
    void OpenFile(const QString& name);   // the open command's steps after its dialog
    void ListView1SelectItem();
    void Rename1Click();
    void Delete2Click();
    void Delete1Click();

    // ---- settings/Unit1Settings.cpp ---------------------------------------------------------
    void LoadSettings();
    void SaveTimeLimit();       // FormClose: options timelimit into setup.ini
    void ApplyOutputFormat();
    void Options2Click();
    void ToolBtnAutostopClick();
    void setAutostopButton(bool pressed, const QString& hint);

    // ---- mixer/Unit1Mixer.cpp ---------------------------------------------------------------
    void FillOutputDevices();
    void FillInputDevices();
    void DeviceComboClick();
    void DeviceComboInClick();
    void SecondComboInClick();
    void LayoutComboInClick();
    void FillSecondInputs();
    // The device lists follow the devices (DeviceWatch1, changes as DeviceChange bits): a device
    // in use stays selected, one that went away while its side is idle gives way to the
    // default; the pages follow their device and its mixer values.
    void DevicesChanged(int changes);
    void BuildOutputMixer();
    void BuildInputMixer();
    void OutVolumeChange(QObject* Sender);
    void OutBalanceChange(QObject* Sender);
    void OutMuteClick(QObject* Sender);
    void OutAdvancedClick(QObject* Sender);
    void InVolumeChange(QObject* Sender);
    void InBalanceChange(QObject* Sender);
    void InSelectClick(QObject* Sender);
    void InAdvancedClick(QObject* Sender);
    void TabSheet3Resize();
    void TabSheet4Resize();
    void LoadRecordFilterDialog();
    void btnSetFilterClick();
    void chEqualizerClick();
    void ToolBtnEqualizerClick();
    void ComboBox1Click();
    void ComboBox2Click();
    void RadioGroup1Click();
    void ShowPicture(SampleArray& block);  // per tick: hand the picture on

    // ---- tags/Unit1Tags.cpp -----------------------------------------------------------------
    void FillGenreList();
    void btnResetClick();
    void btnApplyClick();
    void infoMTVClick();
    void TabSheet2Resize();

    // ---- auxiliary/Unit1Aux.cpp -------------------------------------------------------------
    void TimerTipTimer();
    void ipoftheDay1Click();
    void ToolBtnAboutClick();
    void HelpContents2Click();
    void Homepage2Click();

signals:
    void SettingsChanged();   // the settings dialog has closed (RecordingSettings may differ)

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ---- Unit1Build.cpp: the constructor's steps, in their order ----------------------------
    void buildMenus();
    void buildToolBar();
    void buildClientArea();
    void buildPicturePage();
    void buildInputMixerPage();
    void buildOutputMixerPage();
    void buildFileList();
    void buildTagFields();
    void buildTransportStrip();
    void buildStatusBar();
    void makeComponents();
    void connectCommands();
    void connectControls();
    void connectEngineEvents();
    void placeWindow();

    bool shown_ = false;
    bool devicesFound_ = false;   // the lists are filled (DevicesFound ran)
    std::thread deviceSearch_;   // reaches the sound system while the window shows
    bool closed_ = false;
    int tipTicks_ = 0;
};

// The main window of the running program (set by its constructor).
extern TForm1* Form1;
