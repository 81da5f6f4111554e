#pragma once
// The settings dialog: folder of new recordings, output format, automatic stop and cutting
// into pieces. It edits RecordingSettings in place, applies the format to the engine, updates
// the main window's automatic-stop button and stores everything in setup.ini on OK.
//
// Created anew at each opening (TForm1::Options2Click) and deleted when it closes; closing by
// the frame behaves like Cancel.
#include "settings/DialogParts.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;
class TAudioFile2;
class TUpDown;

class TSettingForm : public TOkCancelDialog {
    Q_OBJECT
public:
    explicit TSettingForm(QWidget* parent = nullptr);
    ~TSettingForm() override;

    QGroupBox* GBPath = nullptr;
    QLineEdit* EdSavePath = nullptr;
    QToolButton* SpeedBtnSelect = nullptr;
    QGroupBox* GBFormat = nullptr;
    QRadioButton* RBMP3 = nullptr;
    QRadioButton* RBWAV = nullptr;
    QRadioButton* RBWMA = nullptr;
    QComboBox* cbMP3 = nullptr;
    QComboBox* cbWAV = nullptr;
    QComboBox* cbWMA = nullptr;
    QRadioButton* RBFLAC = nullptr;
    QComboBox* cbFLAC = nullptr;                 // FLAC sample formats
    QLabel* LabelFlacLevel = nullptr;            // "Сжатие"
    QLineEdit* EdFlacLevel = nullptr;  TUpDown* UpDownFlacLevel = nullptr;   // 0..8
    QRadioButton* RBOPUS = nullptr;
    QComboBox* cbOPUS = nullptr;                 // Opus bitrates
    QGroupBox* GBTimeLimit = nullptr;
    QRadioButton* RBNoLimit = nullptr;
    QRadioButton* RBLimit = nullptr;
    QLineEdit* Edit1 = nullptr;  TUpDown* UpDown1 = nullptr;  QLabel* Label1 = nullptr;
    QLineEdit* Edit2 = nullptr;  TUpDown* UpDown2 = nullptr;  QLabel* Label2 = nullptr;
    QLineEdit* Edit3 = nullptr;  TUpDown* UpDown3 = nullptr;  QLabel* Label3 = nullptr;
    QGroupBox* GBSplit = nullptr;
    QCheckBox* CheckSplit = nullptr;
    QLineEdit* Edit4 = nullptr;  TUpDown* UpDown4 = nullptr;  QLabel* Label4 = nullptr;
    QLineEdit* Edit5 = nullptr;  TUpDown* UpDown5 = nullptr;  QLabel* Label5 = nullptr;
    QGroupBox* GBNames = nullptr;                // names of new recordings
    QLineEdit* EdNameTemplate = nullptr;         // empty: Untitled1, Untitled2, ...
    QLabel* LabelNameFields = nullptr;           // the date and time fields
    QCheckBox* CheckTray = nullptr;              // the icon in the desktop's tray
    QGroupBox* GBLanguage = nullptr;             // the interface's language, from the next start
    QComboBox* cbLanguage = nullptr;             // "" (the desktop's), "ru", "en", ...
    // The dialog's own file component, used only to list the WMA profiles.
    std::unique_ptr<TAudioFile2> AudioFile1;

    void FormCreate();
    void FormShow();
    void FormClose() override;
    void SpeedBtnSelectClick();
    void RBMP3Click();
    void RBWAVClick();
    void RBWMAClick();
    void RBFLACClick();
    void RBOPUSClick();
    void RBNoLimitClick();
    void RBLimitClick();
    void CheckSplitClick();
    void BtnOKClick() override;

    // Output-format routines of the dialog.
    void FillFormatLists();
    void Mp3ChoiceToValues(int position);
    void WavChoiceToValues(int position);
    QString WmaProfileText(int profile);
    void SaveSettings();
    void SaveLanguage();   // setup.ini [options] language, when the choice differs from it

    // The position of the chosen line of a list: the line whose text the field shows, or -1.
    static int ChosenLine(const QComboBox* list);
    // Chooses a line; a number the list does not have leaves it without a chosen line.
    static void ChooseLine(QComboBox* list, int line);

    // The engine's number of WMA profile k (k counted from 0, as the lines of cbWMA).
    static int WmaProfileOfLine(int line);
    static int WmaLineOfProfile(int profile);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The constructor's steps: each group box, the buttons, the connections.
    QGroupBox* buildPathGroup();
    QGroupBox* buildFormatGroup();
    QGroupBox* buildTimeLimitGroup();
    QGroupBox* buildSplitGroup();
    QGroupBox* buildNamesGroup();
    QGroupBox* buildLanguageGroup();
    void connectEvents();

    void enableOnlyList(QComboBox* list);
    bool shownOnce_ = false;
};
