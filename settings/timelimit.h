#pragma once
// The small dialog behind the automatic-stop button: no limit, or stop after hours, minutes
// and seconds. Opened only while no limit is set, created anew each time and deleted when it
// closes; it writes nothing to setup.ini.
#include "settings/DialogParts.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// Step "time limit" of the OK of this dialog and of the settings dialog: with limitSelected,
// the three fields become TimeLimit and the main window's automatic-stop button is pressed
// with the limit as its hint; without, TimeLimit is -1, the button released with "No Auto
// stop.". A bad field shows "Please input correct integer number!" in the Information box and
// changes nothing; the result is then false and the caller's handler ends.
bool TakeTimeLimit(bool limitSelected, const QLineEdit& hours, const QLineEdit& minutes,
                   const QLineEdit& seconds);

class TTimeLimitForm : public TOkCancelDialog {
    Q_OBJECT
public:
    explicit TTimeLimitForm(QWidget* parent = nullptr);
    ~TTimeLimitForm() override;

    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RBNoLimit = nullptr;
    QRadioButton* RBLimit = nullptr;
    QLineEdit* Edit1 = nullptr;  TUpDown* UpDown1 = nullptr;  QLabel* Label1 = nullptr;
    QLineEdit* Edit2 = nullptr;  TUpDown* UpDown2 = nullptr;  QLabel* Label2 = nullptr;
    QLineEdit* Edit3 = nullptr;  TUpDown* UpDown3 = nullptr;  QLabel* Label3 = nullptr;

    void RBNoLimitClick();
    void RBLimitClick();
    void BtnOKClick() override;
    void FormClose() override;
};
