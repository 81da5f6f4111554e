#pragma once
// The dialog of recordings that start and stop by themselves: start on sound (the threshold
// and the seconds kept before the sound), what silence does (stop or pause, after how long),
// and the clock times of the start and the stop. It opens with the values in effect, is
// created anew each time and deleted when it closes; OK takes the values into the settings,
// writes section [trigger] of setup.ini and tells the recording session.
#include "settings/DialogParts.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class TTriggerForm : public TOkCancelDialog {
    Q_OBJECT
public:
    explicit TTriggerForm(QWidget* parent = nullptr);
    ~TTriggerForm() override;

    QGroupBox* GroupSound = nullptr;
    QCheckBox* CBSound = nullptr;
    QLabel* LabelLevel = nullptr;    QLineEdit* EditLevel = nullptr;    TUpDown* UpDownLevel = nullptr;
    QLabel* LabelPreroll = nullptr;  QLineEdit* EditPreroll = nullptr;  TUpDown* UpDownPreroll = nullptr;
    QGroupBox* GroupSilence = nullptr;
    QLabel* LabelSilence = nullptr;  QLineEdit* EditSilence = nullptr;  TUpDown* UpDownSilence = nullptr;
    QRadioButton* RBStop = nullptr;
    QRadioButton* RBPause = nullptr;
    QGroupBox* GroupClock = nullptr;
    QCheckBox* CBStart = nullptr;    QLineEdit* EditStart = nullptr;
    QCheckBox* CBStop = nullptr;     QLineEdit* EditStop = nullptr;

    void FormShow();        // the fields from the settings in effect
    void CBSoundClick();
    void CBStartClick();
    void CBStopClick();
    void BtnOKClick() override;
    void FormClose() override;
};
